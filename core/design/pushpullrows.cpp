#include "core/design/pushpullrows.h"

#include "core/analysis/stagenumbers.h"

#include <cmath>

namespace valvescope {

namespace {

using namespace stagenumbers;

// Below this a harmonic of I1 - I2 is the rounding of a matched pair's cancellation.
constexpr double kRoundingLevelDb = -200;

StageValue Rated(std::string name, std::string value, const std::optional<double>& fraction) {
    return {std::move(name), std::move(value), OfRating(fraction), fraction && *fraction > 1};
}

// The rows of each tube follow its name; two tubes of one name are told apart by number.
std::string TubeLabel(const PushPullAnalysis& a, std::size_t t) {
    if (a.TubeNames[0] == a.TubeNames[1]) {
        return "Tube " + std::to_string(t + 1);
    }
    return a.TubeNames[t];
}

bool HasScreen(const PushPullRest& rest) {
    return rest.Is != 0 || rest.Vs != 0;
}

// Two tubes that differ, by name or at rest.
bool Mismatched(const PushPullAnalysis& a) {
    const PushPullRest& one = a.Quiescent[0];
    const PushPullRest& two = a.Quiescent[1];
    return a.TubeNames[0] != a.TubeNames[1] || one.Ip != two.Ip || one.Is != two.Is;
}

StageSection QuiescentSection(const PushPullAnalysis& a) {
    StageSection section{"Quiescent point", {}};
    std::vector<StageValue>& v = section.Values;
    for (std::size_t t = 0; t < 2; ++t) {
        const PushPullRest& r = a.Quiescent[t];
        v.push_back({TubeLabel(a, t), "", "", false});
        v.push_back(Rated("Ip", Amps(r.Ip), r.Ratings.Ip));
        v.push_back(Rated("Vp", Volts(r.Vp), r.Ratings.Vp));
        v.push_back(Rated("P", Watts(r.P), r.Ratings.P));
        if (HasScreen(r)) {
            v.push_back({"Is", Amps(r.Is), "", false});
            v.push_back({"Vs", Volts(r.Vs), "screen to cathode", false});
            v.push_back(Rated("Ps", Watts(r.Ps), r.Ratings.Ps));
        }
    }
    v.push_back({"Pair", "", "", false});
    v.push_back({"Vg", Volts(a.RestVg), "grid to cathode", false});
    if (a.Input.Bias == PushPullBias::Cathode) {
        v.push_back({"Vk", Volts(a.RestVk), "cathode to ground", false});
    }
    v.push_back({"Supply", Amps(a.QuiescentSupply), "both tubes", false});
    return section;
}

StageSection SwingSection(const PushPullAnalysis& a) {
    const PushPullSwing& s = a.Swing;
    StageSection section{"Swing at " + Volts(s.Drive) + " peak drive", {}};
    std::vector<StageValue>& v = section.Values;
    v.push_back({"Class", ClassName(s.Class), "", false});
    // Plate to plate the primary swings Raa / 2 times the fundamental of I1 - I2.
    v.push_back({"Output", Watts(s.Power),
                 Volts(a.Input.Raa * s.Harmonics[0] / 2) + " peak, plate to plate", false});
    v.push_back({"THD", Percent(s.Thd), "H2 to H9", false});
    v.push_back({"Efficiency", Percent(s.Efficiency), "of the supplies", false});
    v.push_back({"Supply", Amps(s.Supply), "average", false});
    if (Mismatched(a)) {
        v.push_back({"Imbalance", Amps(s.Imbalance), "I1 - I2, average", false});
    }
    if (a.Input.Bias == PushPullBias::Cathode) {
        v.push_back({"Vk", Volts(s.Vk), "cathode to ground", false});
    }
    if (s.GridPositive) {
        v.push_back({"Grid", "positive", "at its peak; no grid current", false});
    }
    return section;
}

StageSection CycleSection(const PushPullAnalysis& a) {
    StageSection section{"Over the cycle", {}};
    std::vector<StageValue>& v = section.Values;
    for (std::size_t t = 0; t < 2; ++t) {
        const PushPullTubeSwing& tube = a.Swing.Tubes[t];
        v.push_back({TubeLabel(a, t), "", "", false});
        v.push_back({"Ip", Amps(tube.IpAverage), "average", false});
        v.push_back({"Ip", Amps(tube.IpMin), "least", false});
        v.push_back({"Ip", Amps(tube.IpMax), "most", false});
        v.push_back({"P", Watts(tube.P), "average", false});
        if (HasScreen(a.Quiescent[t])) {
            v.push_back({"Ps", Watts(tube.Ps), "average", false});
        }
        v.push_back({"Cut off", Percent(tube.Cutoff), "of the cycle", false});
    }
    return section;
}

} // namespace

std::array<StageSection, 3> PushPullSections(const PushPullAnalysis& analysis) {
    return {QuiescentSection(analysis), SwingSection(analysis), CycleSection(analysis)};
}

HarmonicLevels PushPullLevelsBelowH1(const PushPullSwing& swing) {
    HarmonicLevels levels;
    const double h1 = swing.Harmonics[0];
    for (std::size_t n = 0; n < levels.size(); ++n) {
        const double hn = swing.Harmonics[n + 1];
        if (h1 > 0 && hn > 0 && 20 * std::log10(hn / h1) > kRoundingLevelDb) {
            levels[n] = 20 * std::log10(hn / h1);
        }
    }
    return levels;
}

} // namespace valvescope
