// The drive for a given power: the power grows with the drive until the stage saturates, so the
// drive is bracketed by doubling from the stage's own drive (at most twice: far past its
// bias a grid's drive means nothing), then the bracket halved.
#include "core/analysis/pushpull.h"

#include "core/search/bracketsearch.h"

#include <cmath>

namespace valvescope {

namespace {

constexpr int kMostDoublings = 2;

} // namespace

double DriveForPower(const Tube& first, const Tube& second, const PushPullInput& input,
                     double power) {
    if (!(std::isfinite(power) && power > 0))
        throw StageError(kPowerMessage);
    const auto powerAt = [&](double drive) {
        return PushPullSwingAt(first, second, input, drive).Power;
    };
    PushPullInput stage = input;
    stage.SweepPoints = 0;
    const PushPullSwing own = AnalyzePushPull(first, second, stage).Swing;
    double high = own.Drive > 0 ? own.Drive : 1;
    // Doubling until the power is reached; a power that stops growing is never reached.
    double reached = own.Drive > 0 ? own.Power : powerAt(high);
    for (int doubling = 0; reached < power; ++doubling) {
        if (doubling >= kMostDoublings)
            throw StageError(kPowerMessage);
        const double further = powerAt(2 * high);
        if (!(further > reached))
            throw StageError(kPowerMessage);
        high *= 2;
        reached = further;
    }
    const auto below = [&](double drive) { return powerAt(drive) < power; };
    const auto narrow = [](const search::Bracket<double>& b) {
        return std::fabs(b.fails - b.holds) <= 1e-9 * std::fabs(b.fails);
    };
    return search::Halve(search::Bracket<double>{0, high}, below, search::kUncapped, narrow).fails;
}

} // namespace valvescope
