#include "core/analysis/pushpull.h"

#include "core/analysis/pushpullmath.h"

#include <cmath>

namespace valvescope {

namespace {

using analysis::CycleFigures;
using analysis::PairWiring;

constexpr int kMostSweepPoints = 10000;

bool FinitePositive(double x) {
    return std::isfinite(x) && x > 0;
}

std::optional<double> ShareOf(double value, const std::optional<double>& rating) {
    return rating ? std::optional<double>(value / *rating) : std::nullopt;
}

void CheckRatings(const Tube& tube) {
    const TubeRatings& r = tube.Ratings;
    for (const std::optional<double>& rating : {r.Imax, r.Vmax, r.Pmax, r.Psmax}) {
        if (rating && !FinitePositive(*rating))
            throw StageError(kRatingsMessage);
    }
}

void CheckInput(const Tube& first, const Tube& second, const PushPullInput& input) {
    CheckRatings(first);
    CheckRatings(second);
    if (!FinitePositive(input.BPlus))
        throw StageError(kBPlusMessage);
    if (!FinitePositive(input.Raa))
        throw StageError(kRaaMessage);
    if (input.Bias == PushPullBias::Fixed && !std::isfinite(input.Vg))
        throw StageError(kFixedBiasMessage);
    if (input.Bias == PushPullBias::Cathode && !(std::isfinite(input.Rk) && input.Rk >= 0))
        throw StageError(kRkMessage);
    const bool screens =
        tubemath::HasScreen(first.Model.Kind) || tubemath::HasScreen(second.Model.Kind);
    if (screens && input.Screen == ScreenFeed::Supply && !FinitePositive(input.ScreenVolts))
        throw StageError(kScreenVoltsMessage);
    if (input.Screen == ScreenFeed::Ultralinear && !(input.Tap >= 0 && input.Tap <= 1))
        throw StageError(kTapMessage);
    if (input.Drive && !(std::isfinite(*input.Drive) && *input.Drive >= 0))
        throw StageError(kDriveMessage);
    if (input.SweepPoints < 0 || input.SweepPoints > kMostSweepPoints)
        throw StageError(kSweepMessage);
}

PushPullRest RestOf(const Tube& tube, const analysis::TubeInstant& at) {
    PushPullRest rest;
    rest.Ip = at.Ia;
    rest.Is = at.Is;
    rest.Vp = at.Va;
    rest.Vs = tubemath::HasScreen(tube.Model.Kind) ? at.Vs : 0;
    rest.P = at.Va * at.Ia;
    rest.Ps = at.Vs * at.Is;
    const TubeRatings& r = tube.Ratings;
    rest.Ratings = {ShareOf(rest.Ip, r.Imax), ShareOf(rest.Vp, r.Vmax), ShareOf(rest.P, r.Pmax),
                    ShareOf(rest.Ps, r.Psmax)};
    return rest;
}

PushPullClass ClassOf(const CycleFigures& figures) {
    if (figures.Cutoff[0] == 0 && figures.Cutoff[1] == 0)
        return PushPullClass::A;
    if (figures.Cutoff[0] >= 0.5 && figures.Cutoff[1] >= 0.5)
        return PushPullClass::B;
    return PushPullClass::AB;
}

// The power the supplies give: B+ to the plates (and to the screens, but for a screen supply,
// which gives its own voltage to ground).
double SupplyPower(const PairWiring& wiring, const CycleFigures& f) {
    const double screens = f.IsAverage[0] + f.IsAverage[1];
    const double screenVolts = wiring.Share == 0 ? wiring.ScreenBase : wiring.BPlus;
    return wiring.BPlus * (f.IaAverage[0] + f.IaAverage[1]) + screenVolts * screens;
}

PushPullSwing SwingOf(const PairWiring& wiring, const PushPullInput& input,
                      const analysis::SettledCycle& settled) {
    const CycleFigures& f = settled.Figures;
    PushPullSwing swing;
    swing.Drive = settled.Settings.Drive;
    swing.Vk = settled.Settings.Vk;
    swing.Class = ClassOf(f);
    for (std::size_t n = 0; n < swing.Harmonics.size(); ++n)
        swing.Harmonics[n] = std::fabs(f.Cosines[n + 1]);
    const double h1 = swing.Harmonics[0];
    double distortion = 0;
    for (std::size_t n = 1; n < swing.Harmonics.size(); ++n)
        distortion += swing.Harmonics[n] * swing.Harmonics[n];
    swing.Thd = h1 > 0 ? std::sqrt(distortion) / h1 : 0;
    swing.Power = input.Raa * h1 * h1 / 8;
    swing.Supply = f.CathodeCurrent();
    const double supplied = SupplyPower(wiring, f);
    swing.Efficiency = supplied > 0 ? swing.Power / supplied : 0;
    swing.Imbalance = f.Cosines[0] / 2;
    swing.GridPositive = settled.Settings.Bias + swing.Drive > 0;
    for (std::size_t t = 0; t < 2; ++t) {
        swing.Tubes[t] = {f.IaAverage[t],  f.IaMin[t],       f.IaMax[t], f.IsAverage[t],
                          f.PlatePower[t], f.ScreenPower[t], f.Cutoff[t]};
    }
    if (f.Cutoff[0] == 1 && f.Cutoff[1] == 1)
        throw StageError(kNoPairCurrentMessage);
    return swing;
}

// Down from the stage's drive, each drive's search starting from the three above it, their
// cathode voltage and magnetising current carried on along the parabola through them.
std::vector<PushPullSweepPoint> SweepOf(const PairWiring& wiring, const PushPullInput& input,
                                        const analysis::SettledCycle& stage) {
    std::vector<PushPullSweepPoint> sweep(static_cast<std::size_t>(input.SweepPoints));
    const double top = stage.Settings.Drive;
    std::vector<analysis::CycleSettings> above = {stage.Settings}; // the nearest first
    const auto carried = [&](double analysis::CycleSettings::*unknown) {
        const std::size_t n = above.size();
        const double a = above[0].*unknown;
        if (n == 1)
            return a;
        const double b = above[1].*unknown;
        return n == 2 ? 2 * a - b : 3 * a - 3 * b + above[2].*unknown;
    };
    for (int k = input.SweepPoints; k >= 1; --k) {
        const double drive = top * k / input.SweepPoints;
        analysis::SettledCycle at = stage;
        if (k < input.SweepPoints) {
            analysis::SettledCycle start = stage;
            start.Settings.Vk = carried(&analysis::CycleSettings::Vk);
            start.Settings.Magnetising = carried(&analysis::CycleSettings::Magnetising);
            at = analysis::SettleCycle(wiring, input, drive, &start);
            above.insert(above.begin(), at.Settings);
            if (above.size() > 3)
                above.pop_back();
        }
        const PushPullSwing swing = SwingOf(wiring, input, at);
        sweep[static_cast<std::size_t>(k - 1)] = {drive, swing.Power, swing.Thd};
    }
    return sweep;
}

} // namespace

const char* ClassName(PushPullClass c) {
    switch (c) {
    case PushPullClass::A:
        return "A";
    case PushPullClass::AB:
        return "AB";
    case PushPullClass::B:
        return "B";
    }
    return "A";
}

PushPullSwing PushPullSwingAt(const Tube& first, const Tube& second, const PushPullInput& input,
                              double drive) {
    PushPullInput given = input;
    given.Drive = drive;
    CheckInput(first, second, given);
    const PairWiring wiring = analysis::WiringOf(first, second, given);
    return SwingOf(wiring, given, analysis::SettleCycle(wiring, given, drive));
}

PushPullAnalysis AnalyzePushPull(const Tube& first, const Tube& second,
                                 const PushPullInput& input) {
    CheckInput(first, second, input);
    const PairWiring wiring = analysis::WiringOf(first, second, input);
    PushPullAnalysis result;
    result.TubeNames = {first.Name, second.Name};
    result.Input = input;

    const bool fixed = input.Bias == PushPullBias::Fixed;
    result.RestVk = wiring.RestVk;
    result.RestVg = fixed ? input.Vg : -wiring.RestVk;
    const double centre = input.BPlus - result.RestVk;
    for (std::size_t t = 0; t < 2; ++t) {
        const Tube& tube = t == 0 ? first : second;
        const analysis::TubeInstant at =
            analysis::TubeAt(wiring, static_cast<int>(t), result.RestVk, result.RestVg, centre);
        result.Quiescent[t] = RestOf(tube, at);
        result.QuiescentSupply += at.Ia + at.Is;
    }

    const analysis::SettledCycle stage = analysis::SettleCycle(wiring, input, input.Drive);
    result.Swing = SwingOf(wiring, input, stage);
    result.Input.Drive = result.Swing.Drive;
    result.Sweep = SweepOf(wiring, result.Input, stage);
    return result;
}

} // namespace valvescope
