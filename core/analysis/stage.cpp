#include "core/analysis/stage.h"

#include "core/analysis/slopes.h"
#include "core/analysis/stagemath.h"
#include "model/checkedmath.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

using namespace tubemath::checked;
using analysis::PlateLoad;

// A found quiescent current balances the model's to this fraction of itself; a true root
// does so to a few units in the last place.
constexpr double kBalanceTolerance = 1e-12;

bool FinitePositive(double x) {
    return std::isfinite(x) && x > 0;
}

std::optional<double> FractionOf(double value, const std::optional<double>& rating) {
    return rating ? std::optional<double>(value / *rating) : std::nullopt;
}

void CheckInput(const Tube& tube, const StageInput& input) {
    const TubeRatings& ratings = tube.Ratings;
    for (const std::optional<double>& rating : {ratings.Imax, ratings.Vmax, ratings.Pmax}) {
        if (rating && !FinitePositive(*rating))
            throw StageError(kRatingsMessage);
    }
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

QuiescentPoint QuiescentOf(const Tube& tube, const StageInput& input) {
    const double ip = analysis::QuiescentCurrent(tube.Model.Seed, input);
    if (!(ip > 0))
        throw StageError(kNoCurrentMessage);
    QuiescentPoint q;
    q.Ip = ip;
    q.Vk = Mul(input.Rk, ip);
    q.Vg = -q.Vk;
    const double drop = input.Load == LoadKind::Resistor ? Add(input.Ra, input.Rk) : input.Rk;
    q.Vp = Sub(input.BPlus, Mul(drop, ip));
    q.P = Mul(q.Vp, ip);
    // The search ends where the balance changes sign; where the model's current jumps there
    // instead of crossing, that is no operating point.
    const double balance = ip - tubemath::PlateCurrent(tube.Model.Seed, q.Vg, q.Vp);
    if (!(std::fabs(balance) <= kBalanceTolerance * ip))
        throw StageError(kNoOperatingPointMessage);
    return q;
}

SmallSignal SmallSignalOf(const Tube& tube, const QuiescentPoint& q, double zl, double rk) {
    const analysis::CurrentSlopes slopes =
        analysis::CheckedPlateCurrentSlopes(tube.Model.Seed, q.Vg, q.Vp);
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
SignalSwing SwingOf(const Tube& tube, const StageInput& input, const QuiescentPoint& q,
                    const SmallSignal& small, PlateLoad load) {
    SignalSwing swing;
    swing.Drive = input.Drive.value_or(q.Vk);
    swing.AverageIp = swing.MinIp = swing.MaxIp = q.Ip;
    if (swing.Drive > 0) {
        const analysis::SwingSpectrum spectrum =
            analysis::SpectrumOfSwing(tube.Model.Seed, q.Vg, q.Ip, swing.Drive, load);
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

StageOverlay OverlayOf(const StageInput& input, const QuiescentPoint& q, const SignalSwing& swing) {
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
    overlay.DcLine = {{bPlus, 0}, transformer ? input.Rk : input.Ra + input.Rk};
    if (transformer) {
        const double zaa = *input.Zaa;
        overlay.AcLine =
            AcLoadLine{overlay.Quiescent, -1 / zaa, {q.Vp + zaa * q.Ip, 0}, {0, q.Ip + q.Vp / zaa}};
    }
    return overlay;
}

} // namespace

StageAnalysis AnalyzeStage(const Tube& tube, const StageInput& input) {
    CheckInput(tube, input);
    StageAnalysis result;
    result.TubeName = tube.Name;
    result.Input = input;
    const bool transformer = input.Load == LoadKind::Transformer;
    const double zl = transformer ? *input.Zaa : input.Ra;

    const QuiescentPoint q = QuiescentOf(tube, input);
    result.Quiescent = q;
    result.Ratings = {FractionOf(q.Ip, tube.Ratings.Imax), FractionOf(q.Vp, tube.Ratings.Vmax),
                      FractionOf(q.P, tube.Ratings.Pmax)};
    result.Small = SmallSignalOf(tube, q, zl, input.Rk);

    // The cathode held at Vk: a resistor's plate falls from B+ - Vk, a transformer's swings
    // about Vp.
    const PlateLoad load = transformer ? PlateLoad{Add(q.Vp, Mul(zl, q.Ip)), zl}
                                       : PlateLoad{Sub(input.BPlus, q.Vk), zl};
    result.Swing = SwingOf(tube, input, q, result.Small, load);
    result.Input.Drive = result.Swing.Drive;
    result.Overlay = OverlayOf(input, q, result.Swing);
    return result;
}

} // namespace valvescope
