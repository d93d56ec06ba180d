#include "core/analysis/stage.h"

#include "core/analysis/slopes.h"
#include "core/analysis/stagemath.h"
#include "core/analysis/stagetube.h"
#include "model/checkedmath.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

using namespace tubemath::checked;
using analysis::PlateLoad;
using analysis::StageTube;

// A found quiescent current balances the model's to this fraction of itself; a true root
// does so to a few units in the last place.
constexpr double kBalanceTolerance = 1e-12;

bool FinitePositive(double x) {
    return std::isfinite(x) && x > 0;
}

std::optional<double> FractionOf(double value, const std::optional<double>& rating) {
    return rating ? std::optional<double>(value / *rating) : std::nullopt;
}

void CheckInput(const Tube& tube, const tubemath::ScreenWiring& screen, const StageInput& input) {
    const TubeRatings& ratings = tube.Ratings;
    for (const std::optional<double>& rating :
         {ratings.Imax, ratings.Vmax, ratings.Pmax, ratings.Psmax}) {
        if (rating && !FinitePositive(*rating))
            throw StageError(kRatingsMessage);
    }
    if (tubemath::HasScreen(tube.Model.Kind) && !screen.TriodeConnected &&
        !FinitePositive(screen.Volts))
        throw StageError(kScreenMessage);
    if (!FinitePositive(input.BPlus))
        throw StageError(kBPlusMessage);
    if (input.Load == LoadKind::Resistor) {
        if (!FinitePositive(input.Ra))
            throw StageError(kRaMessage);
    } else {
        if (!input.Zaa)
            throw StageError(kZaaMissingMessage);
        if (!FinitePositive(*input.Zaa))
            throw StageError(kZaaMessage);
    }
    if (!std::isfinite(input.Rk) || input.Rk < 0)
        throw StageError(kRkMessage);
    if (input.Drive && (!std::isfinite(*input.Drive) || *input.Drive < 0))
        throw StageError(kDriveMessage);
}

// The point at rest, and a screen-grid tube's screen there.
QuiescentPoint QuiescentOf(const StageTube& tube, const StageInput& input,
                           std::optional<ScreenPoint>& screen) {
    const analysis::QuiescentCurrents currents = analysis::QuiescentCurrent(tube, input);
    const double ip = currents.Plate;
    if (!(ip > 0))
        throw StageError(kNoCurrentMessage);
    QuiescentPoint q;
    q.Ip = ip;
    const bool held = tube.HeldScreen();
    // A held screen's current runs through Rk too.
    q.Vk = held ? Mul(input.Rk, Add(ip, currents.Screen)) : Mul(input.Rk, ip);
    q.Vg = -q.Vk;
    if (held) {
        const double ra = input.Load == LoadKind::Resistor ? Mul(input.Ra, ip) : 0;
        q.Vp = Sub(Sub(input.BPlus, ra), q.Vk);
    } else {
        const double drop = input.Load == LoadKind::Resistor ? Add(input.Ra, input.Rk) : input.Rk;
        q.Vp = Sub(input.BPlus, Mul(drop, ip));
    }
    q.P = Mul(q.Vp, ip);
    // The search ends where the balance changes sign; where the model's current jumps there
    // instead of crossing, that is no operating point.
    const double balance = ip - tube.Current(q.Vg, q.Vp);
    if (!(std::fabs(balance) <= kBalanceTolerance * ip))
        throw StageError(kNoOperatingPointMessage);
    if (tube.HasScreenGrid()) {
        const double is = tube.ScreenSlopes(q.Vg, q.Vp).Ip;
        const double vs = tube.ScreenVolts(q.Vp);
        screen = ScreenPoint{vs, is, Mul(vs, is)};
    }
    return q;
}

SmallSignal SmallSignalOf(const StageTube& tube, const QuiescentPoint& q, double zl, double rk) {
    const analysis::CurrentSlopes slopes = tube.CheckedSlopes(q.Vg, q.Vp);
    if (!(slopes.DIpDVa > 0))
        throw StageError(kFlatCurrentMessage);
    SmallSignal s;
    s.Gm = slopes.DIpDVg;
    s.Rp = Div(1, slopes.DIpDVa);
    s.Mu = Mul(s.Gm, s.Rp);
    const double muZl = Mul(s.Mu, zl);
    s.Gain = -Div(muZl, Add(zl, s.Rp));
    s.GainUnbypassed = -Div(muZl, Add(Add(zl, s.Rp), Mul(Add(s.Mu, 1), rk)));
    s.Zout = tubemath::Parallel(s.Rp, zl);
    return s;
}

// The spectrum's figures, and the extremes of the swing that follow from its least and most
// current on the straight load.
SignalSwing SwingOf(const Tube& tube, const StageTube& stageTube, const StageInput& input,
                    const QuiescentPoint& q, const SmallSignal& small, PlateLoad load) {
    SignalSwing swing;
    swing.Drive = input.Drive.value_or(q.Vk);
    swing.AverageIp = swing.MinIp = swing.MaxIp = q.Ip;
    if (swing.Drive > 0) {
        const analysis::SwingSpectrum spectrum =
            analysis::SpectrumOfSwing(stageTube, q.Vg, q.Ip, swing.Drive, load);
        for (std::size_t n = 0; n < swing.Harmonics.size(); ++n)
            swing.Harmonics[n] = std::fabs(spectrum.Cosines[n + 1]);
        swing.AverageIp = spectrum.Cosines[0] / 2;
        swing.MinIp = spectrum.MinIp;
        swing.MaxIp = spectrum.MaxIp;
    }
    const double h1 = swing.Harmonics[0];
    double distortion = 0;
    for (std::size_t n = 1; n < swing.Harmonics.size(); ++n)
        distortion += swing.Harmonics[n] * swing.Harmonics[n];
    swing.Thd = h1 > 0 ? std::sqrt(distortion) / h1 : 0;
    swing.Vout = h1 * load.Slope;
    swing.Power = swing.Vout * h1 / 2;
    swing.Gain = swing.Drive > 0 ? swing.Vout / swing.Drive : std::fabs(small.Gain);

    // Along the load Va * Ip = Ip (Intercept - Slope Ip), a parabola over the currents passed.
    swing.MaxVa = load.Intercept - load.Slope * swing.MinIp;
    const double hottest = std::clamp(load.Intercept / (2 * load.Slope), swing.MinIp, swing.MaxIp);
    swing.PeakP = hottest * (load.Intercept - load.Slope * hottest);

    swing.GridCurrent = q.Vg + swing.Drive > 0;
    swing.Cutoff = swing.MinIp <= 0;
    // Without a rating nothing exceeds it.
    const TubeRatings& r = tube.Ratings;
    swing.CurrentExceeded = r.Imax && swing.MaxIp > *r.Imax;
    swing.VoltageExceeded = r.Vmax && swing.MaxVa > *r.Vmax;
    swing.DissipationExceeded = r.Pmax && swing.PeakP > *r.Pmax;
    if (input.Load == LoadKind::Transformer)
        swing.Efficiency = swing.Power / (input.BPlus * q.Ip);
    return swing;
}

StageOverlay OverlayOf(const StageInput& input, const QuiescentPoint& q, const SignalSwing& swing,
                       bool heldScreen) {
    const bool transformer = input.Load == LoadKind::Transformer;
    const double bPlus = input.BPlus;
    // Plate to cathode along the swing, the cathode held at Vk: a resistor's plate falls from
    // B+ - Vk by Ra for each ampere, a transformer's swings about Vp by Zaa.
    const auto pointAt = [&](double ip) {
        const double x =
            transformer ? q.Vp - *input.Zaa * (ip - q.Ip) : bPlus - q.Vk - input.Ra * ip;
        return PlotPoint{x, ip};
    };
    StageOverlay overlay;
    overlay.Quiescent = {q.Vp, q.Ip};
    overlay.SwingLow = pointAt(swing.MinIp);
    overlay.SwingHigh = pointAt(swing.MaxIp);
    // Through the quiescent point: with a held screen Rk carries the screen's current too, so
    // the line's slope is the drop per ampere of plate current there.
    const double resistance = !heldScreen ? (transformer ? input.Rk : input.Ra + input.Rk)
                              : q.Ip > 0  ? (bPlus - q.Vp) / q.Ip
                                          : 0;
    overlay.DcLine = {{bPlus, 0}, resistance};
    if (transformer) {
        const double zaa = *input.Zaa;
        overlay.AcLine =
            AcLoadLine{overlay.Quiescent, -1 / zaa, {q.Vp + zaa * q.Ip, 0}, {0, q.Ip + q.Vp / zaa}};
    }
    return overlay;
}

} // namespace

StageAnalysis AnalyzeStage(const Tube& tube, const StageInput& input) {
    return AnalyzeStage(tube, {tube.Screen, false}, input);
}

StageAnalysis AnalyzeStage(const Tube& tube, const tubemath::ScreenWiring& screen,
                           const StageInput& input) {
    CheckInput(tube, screen, input);
    const StageTube stageTube({tube.Model, screen});
    StageAnalysis result;
    result.TubeName = tube.Name;
    result.Input = input;
    const bool transformer = input.Load == LoadKind::Transformer;
    const double zl = transformer ? *input.Zaa : input.Ra;

    const QuiescentPoint q = QuiescentOf(stageTube, input, result.Screen);
    result.Quiescent = q;
    result.Ratings = {FractionOf(q.Ip, tube.Ratings.Imax), FractionOf(q.Vp, tube.Ratings.Vmax),
                      FractionOf(q.P, tube.Ratings.Pmax),
                      result.Screen ? FractionOf(result.Screen->Ps, tube.Ratings.Psmax)
                                    : std::nullopt};
    result.Small = SmallSignalOf(stageTube, q, zl, input.Rk);

    // The cathode held at Vk: a resistor's plate falls from B+ - Vk, a transformer's swings
    // about Vp.
    const PlateLoad load = transformer ? PlateLoad{Add(q.Vp, Mul(zl, q.Ip)), zl}
                                       : PlateLoad{Sub(input.BPlus, q.Vk), zl};
    result.Swing = SwingOf(tube, stageTube, input, q, result.Small, load);
    result.Input.Drive = result.Swing.Drive;
    result.Overlay = OverlayOf(input, q, result.Swing, stageTube.HeldScreen());
    return result;
}

} // namespace valvescope
