// The push-pull analysis as a few lines for a terminal, in the stage's own number style.
#include "core/analysis/pushpull.h"

#include "core/analysis/stagenumbers.h"
#include "formats/formats.h"

#include <cmath>

namespace valvescope {

namespace {

using namespace stagenumbers;

std::string BiasLine(const PushPullAnalysis& a) {
    const PushPullInput& in = a.Input;
    std::string line = "  B+ " + Volts(in.BPlus) + "   Raa " + Ohms(in.Raa) + "   ";
    line += in.Bias == PushPullBias::Fixed ? "fixed bias, Vg " + Volts(a.RestVg)
                                           : "cathode bias, Rk " + Ohms(in.Rk);
    switch (in.Screen) {
    case ScreenFeed::Supply:
        break;
    case ScreenFeed::Ultralinear:
        line += "   ultralinear, tap " + Percent(in.Tap);
        break;
    case ScreenFeed::TriodeConnected:
        line += "   triode-connected";
        break;
    }
    return line + "\n";
}

std::string RestLines(const PushPullAnalysis& a) {
    std::string text = "Quiescent point, Vg " + Volts(a.RestVg) + ", Vk " + Volts(a.RestVk) +
                       ", supply " + Amps(a.QuiescentSupply) + "\n";
    for (std::size_t t = 0; t < 2; ++t) {
        const PushPullRest& r = a.Quiescent[t];
        text += "  tube " + std::to_string(t + 1) + ": Ip " + Amps(r.Ip) + " (" +
                OfRating(r.Ratings.Ip) + "), Vp " + Volts(r.Vp) + " (" + OfRating(r.Ratings.Vp) +
                "), P " + Watts(r.P) + " (" + OfRating(r.Ratings.P) + ")\n";
        if (r.Is != 0 || r.Vs != 0)
            text += "          Is " + Amps(r.Is) + ", Vs " + Volts(r.Vs) + ", Ps " + Watts(r.Ps) +
                    " (" + OfRating(r.Ratings.Ps) + ")\n";
    }
    return text;
}

std::string HarmonicsLine(const PushPullSwing& s) {
    std::string line = "  below H1:";
    const double h1 = s.Harmonics[0];
    for (std::size_t n = 1; n < s.Harmonics.size(); ++n) {
        const double hn = s.Harmonics[n];
        line += "  H" + std::to_string(n + 1) + " ";
        // Below -200 dB a harmonic is the rounding of a matched pair's cancellation.
        const bool shown = hn > 0 && h1 > 0 && 20 * std::log10(hn / h1) > -200;
        line += shown ? formats::FormatPicture("0.0", 20 * std::log10(hn / h1)) + " dB" : "none";
    }
    return line + "\n";
}

std::string SwingLines(const PushPullSwing& s) {
    std::string text = "Swing at " + Volts(s.Drive) + " peak drive on each grid, class " +
                       ClassName(s.Class) + "\n";
    text += "  output " + Watts(s.Power) + ", H1 of I1 - I2 " + Amps(s.Harmonics[0]) + "\n";
    text += HarmonicsLine(s);
    text += "  THD " + Percent(s.Thd) + "\n";
    text += "  supply " + Amps(s.Supply) + ", efficiency " + Percent(s.Efficiency) + ", Vk " +
            Volts(s.Vk) + "\n";
    text +=
        "  imbalance " + Amps(s.Imbalance) + "   grid positive: " + YesNo(s.GridPositive) + "\n";
    for (std::size_t t = 0; t < 2; ++t) {
        const PushPullTubeSwing& tube = s.Tubes[t];
        text += "  tube " + std::to_string(t + 1) + ": Ip average " + Amps(tube.IpAverage) +
                ", least " + Amps(tube.IpMin) + ", most " + Amps(tube.IpMax) + ", P " +
                Watts(tube.P) + ", Ps " + Watts(tube.Ps) + ", cut off " + Percent(tube.Cutoff) +
                "\n";
    }
    return text;
}

std::string SweepLines(const PushPullAnalysis& a) {
    if (a.Sweep.empty())
        return {};
    std::string text = "Against drive\n";
    for (const PushPullSweepPoint& p : a.Sweep)
        text += "  " + Volts(p.Drive) + "   " + Watts(p.Power) + "   THD " + Percent(p.Thd) + "\n";
    return text;
}

} // namespace

std::string PushPullText(const PushPullAnalysis& a) {
    std::string text = a.TubeNames[0] == a.TubeNames[1]
                           ? a.TubeNames[0] + " push-pull pair\n"
                           : a.TubeNames[0] + " and " + a.TubeNames[1] + " push-pull pair\n";
    return text + BiasLine(a) + RestLines(a) + SwingLines(a.Swing) + SweepLines(a);
}

} // namespace valvescope
