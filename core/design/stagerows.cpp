#include "core/design/stagerows.h"

#include "core/analysis/stagenumbers.h"
#include "formats/formats.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

using namespace stagenumbers;

StageValue Rated(std::string name, std::string value, const std::optional<double>& fraction) {
    return {std::move(name), std::move(value), OfRating(fraction), fraction && *fraction > 1};
}

StageSection QuiescentSection(const StageAnalysis& a) {
    const QuiescentPoint& q = a.Quiescent;
    StageSection section{"Quiescent point",
                         {Rated("Ip", Amps(q.Ip), a.Ratings.Ip),
                          Rated("Vp", Volts(q.Vp), a.Ratings.Vp),
                          Rated("P", Watts(q.P), a.Ratings.P),
                          {"Vg", Volts(q.Vg), "grid to cathode", false},
                          {"Vk", Volts(q.Vk), "cathode to ground", false}}};
    // A screen-grid tube's screen after the plate's values.
    if (a.Screen) {
        section.Values.push_back({"Vs", Volts(a.Screen->Vs), "screen to cathode", false});
        section.Values.push_back({"Is", Amps(a.Screen->Is), "", false});
        section.Values.push_back(Rated("Ps", Watts(a.Screen->Ps), a.Ratings.Ps));
    }
    return section;
}

StageSection SmallSignalSection(const StageAnalysis& a) {
    const SmallSignal& s = a.Small;
    const std::string zl = a.Input.Load == LoadKind::Transformer ? "Zaa" : "Ra";
    return {"Small signal",
            {{"mu", Plain(s.Mu), "", false},
             {"gm", Siemens(s.Gm), "", false},
             {"rp", Ohms(s.Rp), "", false},
             {"Gain", Plain(s.Gain), "cathode bypassed", false},
             {"Gain", Plain(s.GainUnbypassed), "unbypassed", false},
             {"Zout", Ohms(s.Zout), "rp || " + zl + ", bypassed", false}}};
}

StageSection SwingSection(const StageAnalysis& a) {
    const SignalSwing& s = a.Swing;
    StageSection section{"Swing at " + Volts(s.Drive) + " peak drive", {}};
    std::vector<StageValue>& v = section.Values;
    v.push_back({"Output", Watts(s.Power), Volts(s.Vout) + " peak", false});
    v.push_back({"Gain", Plain(s.Gain), "", false});
    v.push_back({"THD", Percent(s.Thd), "H2 to H9", false});
    v.push_back({"Ip", Amps(s.AverageIp), "average", false});
    v.push_back({"Ip", Amps(s.MinIp) + " to " + Amps(s.MaxIp), "least to most", s.CurrentExceeded});
    v.push_back({"Va", Volts(s.MaxVa), "most, plate to cathode", s.VoltageExceeded});
    v.push_back({"P", Watts(s.PeakP), "peak dissipation", s.DissipationExceeded});
    if (s.Efficiency) {
        v.push_back({"Efficiency", Percent(*s.Efficiency), "of the supply at rest", false});
    }
    v.push_back({"Grid current", YesNo(s.GridCurrent), "", false});
    v.push_back({"Cut-off", YesNo(s.Cutoff), "", false});
    return section;
}

} // namespace

std::array<StageSection, 3> StageSections(const StageAnalysis& analysis) {
    return {QuiescentSection(analysis), SmallSignalSection(analysis), SwingSection(analysis)};
}

HarmonicLevels LevelsBelowH1(const SignalSwing& swing) {
    HarmonicLevels levels;
    const double h1 = swing.Harmonics[0];
    for (std::size_t n = 0; n < levels.size(); ++n) {
        const double hn = swing.Harmonics[n + 1];
        if (h1 > 0 && hn > 0) {
            levels[n] = 20 * std::log10(hn / h1);
        }
    }
    return levels;
}

double ChartFloor(const HarmonicLevels& levels) {
    double lowest = 0;
    for (const std::optional<double>& level : levels) {
        if (level) {
            lowest = std::min(lowest, *level);
        }
    }
    return std::clamp(20 * std::floor(lowest / 20), -120.0, -40.0);
}

} // namespace valvescope
