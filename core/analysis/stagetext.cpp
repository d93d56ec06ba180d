// The analysis as a few lines for a terminal, numbers in the program's own readout style.
#include "core/analysis/stage.h"

#include "core/analysis/stagenumbers.h"
#include "formats/formats.h"

#include <cmath>

namespace valvescope {

namespace {

using namespace stagenumbers;

std::string HarmonicsLine(const SignalSwing& swing) {
    std::string line = "  below H1:";
    const double h1 = swing.Harmonics[0];
    for (std::size_t n = 1; n < swing.Harmonics.size(); ++n) {
        const double hn = swing.Harmonics[n];
        line += "  H" + std::to_string(n + 1) + " ";
        line += hn > 0 && h1 > 0 ? formats::FormatPicture("0.0", 20 * std::log10(hn / h1)) + " dB"
                                 : "none";
    }
    return line + "\n";
}

// A screen-grid tube's screen at rest; nothing for the others.
std::string ScreenLines(const StageAnalysis& a) {
    if (!a.Screen)
        return {};
    const ScreenPoint& s = *a.Screen;
    return "  Vs " + Volts(s.Vs) + "   Is " + Amps(s.Is) + "\n" + "  Ps " + Watts(s.Ps) + " (" +
           OfRating(a.Ratings.Ps) + ")\n";
}

std::string QuiescentLines(const StageAnalysis& a) {
    const QuiescentPoint& q = a.Quiescent;
    return "Quiescent point\n"
           "  Ip " +
           Amps(q.Ip) + " (" + OfRating(a.Ratings.Ip) + ")\n" + "  Vp " + Volts(q.Vp) + " (" +
           OfRating(a.Ratings.Vp) + ")\n" + "  P  " + Watts(q.P) + " (" + OfRating(a.Ratings.P) +
           ")\n" + "  Vg " + Volts(q.Vg) + "   Vk " + Volts(q.Vk) + "\n" + ScreenLines(a);
}

std::string SmallSignalLines(const StageAnalysis& a, const std::string& zlName) {
    const SmallSignal& s = a.Small;
    return "Small signal\n"
           "  mu " +
           Plain(s.Mu) + "   gm " + Siemens(s.Gm) + "   rp " + Ohms(s.Rp) + "\n" + "  gain " +
           Plain(s.Gain) + " bypassed, " + Plain(s.GainUnbypassed) + " unbypassed\n" + "  Zout " +
           Ohms(s.Zout) + " (rp || " + zlName + ", bypassed)\n";
}

std::string SwingLines(const StageAnalysis& a) {
    const SignalSwing& s = a.Swing;
    std::string text = "Swing at " + Volts(s.Drive) + " peak drive, cathode bypassed\n";
    text +=
        "  output " + Watts(s.Power) + ", " + Volts(s.Vout) + " peak, gain " + Plain(s.Gain) + "\n";
    text += HarmonicsLine(s);
    text += "  THD " + Percent(s.Thd) + "\n";
    text += "  Ip average " + Amps(s.AverageIp) + ", least " + Amps(s.MinIp) + ", most " +
            Amps(s.MaxIp) + "\n";
    text += "  most Va " + Volts(s.MaxVa) + ", peak dissipation " + Watts(s.PeakP) + "\n";
    if (s.Efficiency)
        text += "  efficiency " + Percent(*s.Efficiency) + " of the supply at rest\n";
    text += "  grid current: " + YesNo(s.GridCurrent) + "   cut-off: " + YesNo(s.Cutoff) + "\n";
    text += "  over a rating: current " + YesNo(s.CurrentExceeded) + ", voltage " +
            YesNo(s.VoltageExceeded) + ", dissipation " + YesNo(s.DissipationExceeded) + "\n";
    return text;
}

} // namespace

std::string StageText(const StageAnalysis& a) {
    const StageInput& in = a.Input;
    const bool transformer = in.Load == LoadKind::Transformer;
    const std::string zlName = transformer ? "Zaa" : "Ra";
    std::string text = a.TubeName + " single-ended stage, " +
                       (transformer ? "transformer" : "resistor") + " load\n";
    text += "  B+ " + Volts(in.BPlus) + "   " + zlName + " " +
            Ohms(transformer ? in.Zaa.value_or(0) : in.Ra) + "   Rk " + Ohms(in.Rk) + "\n";
    return text + QuiescentLines(a) + SmallSignalLines(a, zlName) + SwingLines(a);
}

} // namespace valvescope
