// The pair over one cycle by quadrature over half of it. Both grids move with cos t, so every
// current is even in t and 0 to pi holds all of it. The currents are smooth in the phase except
// where a grid crosses 0 V (the seed's |Vg|^a), where its law's exponent runs out, and where a
// tube enters cut-off: those phases split the half cycle into stretches, each integrated by
// Gauss-Legendre on smoothed nodes (core/analysis/quadrature.h) and halved until its halves
// agree with the whole, as the single-ended swing is.
#include "core/analysis/pushpullmath.h"
#include "core/analysis/quadrature.h"
#include "core/search/bracketsearch.h"

#include <algorithm>
#include <limits>
#include <numbers>
#include <vector>

namespace valvescope::analysis {

namespace {

constexpr double kPi = std::numbers::pi;

// Solves the pair along the phase, each instant from the last one's V carried on along its
// slope per radian: with the grids at Bias +- Drive cos t, f(V) = V - q (P1 - P2 - M) moves with
// the phase at q Drive sin t (gm1 + gm2) and with V at 1 + q (G1 + G2).
class PairWalk {
public:
    PairWalk(const PairWiring& wiring, const CycleSettings& settings)
        : wiring_(wiring), settings_(settings) {}

    const PairInstant& At(double phase) {
        const double swing = settings_.Drive * std::cos(phase);
        const double guess = last_.V + slope_ * (phase - phase_);
        last_ = PairAt(wiring_, settings_.Vk, settings_.Magnetising, settings_.Bias + swing,
                       settings_.Bias - swing, guess);
        phase_ = phase;
        const TubeInstant& a = last_.Tubes[0];
        const TubeInstant& b = last_.Tubes[1];
        const double q = wiring_.QuarterRaa;
        slope_ = -q * settings_.Drive * std::sin(phase) *
                 (a.Transconductance + b.Transconductance) /
                 (1 + q * (a.Conductance + b.Conductance));
        if (!std::isfinite(slope_))
            slope_ = 0;
        for (std::size_t t = 0; t < 2; ++t) {
            least_[t] = std::min(least_[t], last_.Tubes[t].Ia);
            most_[t] = std::max(most_[t], last_.Tubes[t].Ia);
        }
        ++solves_;
        return last_;
    }

    double Least(std::size_t t) const { return least_[t]; }
    double Most(std::size_t t) const { return most_[t]; }
    int Solves() const { return solves_; }

private:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const PairWiring& wiring_;
    CycleSettings settings_;
    PairInstant last_;
    double phase_ = 0;
    double slope_ = 0; // dV / dt at phase_
    std::array<double, 2> least_{kInfinity, kInfinity};
    std::array<double, 2> most_{-kInfinity, -kInfinity};
    int solves_ = 0;
};

// How one instant's cathode current and difference P1 - P2 move with Vk and M (as CycleSlopes),
// V following: the balance f(V) = V - q (P1 - P2 - M) = 0 moves with V at 1 + q (G1 + G2), with
// M at q and with Vk at -q (dP1 - dP2) per volt of Vk, V held.
std::array<double, 4> InstantSlopes(const PairWiring& wiring, const CycleSettings& settings,
                                    double phase, const PairInstant& at) {
    const double share = wiring.Share;
    const double q = wiring.QuarterRaa;
    // Per tube: the cathode current's and the primary's slopes per volt of Vk with V held, and
    // per volt of V.
    std::array<double, 2> cathodeVk{};
    std::array<double, 2> cathodeV{};
    std::array<double, 2> primaryVk{};
    std::array<double, 2> primaryV{};
    for (std::size_t t = 0; t < 2; ++t) {
        // The grid at Bias + sign Drive cos t, the plate at centre - sign V.
        const double sign = t == 0 ? 1 : -1;
        const double gridPerVk = settings.DriveFollowsVk ? -1 + sign * std::cos(phase) : -1;
        const tubemath::CurrentsAndSlopes& m = at.Tubes[t].Model;
        // Vk, V held, moves the plate and the screen with the cathode, -1 V to it per volt;
        // V moves the plate by -sign and the screen by its share of that.
        const auto perVk = [&](const tubemath::VoltageSlopes& d) {
            return d.PerVg * gridPerVk - d.PerVa - d.PerVs;
        };
        const auto perV = [&](const tubemath::VoltageSlopes& d) {
            return -sign * (d.PerVa + share * d.PerVs);
        };
        cathodeVk[t] = perVk(m.Plate) + perVk(m.Screen);
        cathodeV[t] = perV(m.Plate) + perV(m.Screen);
        primaryVk[t] = perVk(m.Plate) + share * perVk(m.Screen);
        primaryV[t] = perV(m.Plate) + share * perV(m.Screen);
    }
    const double balancePerV = 1 - q * (primaryV[0] - primaryV[1]);
    const double vPerVk = q * (primaryVk[0] - primaryVk[1]) / balancePerV;
    const double vPerM = -q / balancePerV;
    const double cathodePerV = cathodeV[0] + cathodeV[1];
    const double differencePerV = primaryV[0] - primaryV[1];
    return {cathodeVk[0] + cathodeVk[1] + cathodePerV * vPerVk, cathodePerV * vPerM,
            primaryVk[0] - primaryVk[1] + differencePerV * vPerVk, differencePerV * vPerM};
}

// Cosines 0..9 of I1 - I2, then per tube Ia, Is, Va Ia / B+ and Vs Is / B+ (powers scaled to
// currents, so that one tolerance judges them all), then, not judged, the four CycleSlopes.
constexpr std::size_t kCosines = 10;
constexpr std::size_t kJudged = kCosines + 8;
constexpr std::size_t kSums = kJudged + 4;
using Sums = std::array<double, kSums>;

void AddInstant(Sums& sums, double phase, double weight, const PairInstant& at,
                const PairWiring& wiring, const CycleSettings& settings) {
    const double difference = weight * (at.Tubes[0].Primary - at.Tubes[1].Primary);
    const double c1 = std::cos(phase);
    double before = 1;
    double now = c1;
    sums[0] += difference;
    for (std::size_t n = 1; n < kCosines; ++n) {
        sums[n] += difference * now;
        const double next = 2 * c1 * now - before;
        before = now;
        now = next;
    }
    const double bPlus = wiring.BPlus;
    for (std::size_t t = 0; t < 2; ++t) {
        const TubeInstant& tube = at.Tubes[t];
        const std::size_t base = kCosines + 4 * t;
        sums[base] += weight * tube.Ia;
        sums[base + 1] += weight * tube.Is;
        sums[base + 2] += weight * tube.Va * tube.Ia / bPlus;
        sums[base + 3] += weight * tube.Vs * tube.Is / bPlus;
    }
    const std::array<double, 4> slopes = InstantSlopes(wiring, settings, phase, at);
    for (std::size_t n = 0; n < slopes.size(); ++n)
        sums[kJudged + n] += weight * slopes[n];
}

class CycleQuadrature {
public:
    CycleQuadrature(PairWalk& walk, const PairWiring& wiring, const CycleSettings& settings,
                    double tolerance, bool rough)
        : walk_(walk), wiring_(wiring), settings_(settings), tolerance_(tolerance), rough_(rough) {}

    void Add(double from, double to, Sums& total) {
        const Sums whole = Stretch(from, to);
        if (!rough_) {
            Refine(from, to, whole, 0, total);
            return;
        }
        for (std::size_t n = 0; n < kSums; ++n)
            total[n] += whole[n];
    }

private:
    static constexpr int kDeepestHalving = 10;

    Sums Stretch(double from, double to) {
        Sums sums{};
        for (const QuadratureNode& node : SmoothedNodes(from, to))
            AddInstant(sums, node.X, node.Weight, walk_.At(node.X), wiring_, settings_);
        return sums;
    }

    void Refine(double from, double to, const Sums& whole, int depth, Sums& total) {
        const double middle = from + (to - from) / 2;
        const Sums left = Stretch(from, middle);
        const Sums right = Stretch(middle, to);
        double largest = 0;
        for (std::size_t n = 0; n < kJudged; ++n)
            largest = std::max(largest, std::fabs(whole[n] - (left[n] + right[n])));
        if (depth >= kDeepestHalving || largest <= tolerance_ * (to - from) / kPi) {
            for (std::size_t n = 0; n < kSums; ++n)
                total[n] += left[n] + right[n];
            return;
        }
        Refine(from, middle, left, depth + 1, total);
        Refine(middle, to, right, depth + 1, total);
    }

    PairWalk& walk_;
    const PairWiring& wiring_;
    const CycleSettings& settings_;
    double tolerance_;
    bool rough_;
};

// A rough cycle finds the cut-off edges to this many radians.
constexpr double kRoughEdge = 1e-9;

// The phase between `conducting` and `cut` where tube t's plate current becomes exactly 0, to the
// last bit (or, rough, to kRoughEdge).
double CutoffEdge(PairWalk& walk, std::size_t t, double conducting, double cut, bool rough) {
    const auto conducts = [&](double phase) { return walk.At(phase).Tubes[t].Ia != 0; };
    const auto adjacent = [rough](const search::Bracket<double>& b) {
        if (rough)
            return std::fabs(b.fails - b.holds) <= kRoughEdge;
        return std::nextafter(b.holds, b.fails) == b.fails;
    };
    return search::Halve(search::Bracket<double>{conducting, cut}, conducts, search::kUncapped,
                         adjacent)
        .fails;
}

// A tube is cut off where its grid is lowest, and may conduct again at the very end, where the
// other tube's current lifts its plate furthest: the half cycle is probed at this many even
// steps and each change found to the last bit. Its edges join the stretch ends.
constexpr int kCutoffProbes = 32;

std::array<double, 2> FindCutoff(PairWalk& walk, std::vector<double>& ends, bool rough) {
    std::array<double, 2> shares{};
    std::array<bool, 2> wasCut{};
    std::array<double, 2> cutSince{};
    double lastPhase = 0;
    for (int k = 0; k <= kCutoffProbes; ++k) {
        const double phase = kPi * k / kCutoffProbes;
        const PairInstant& at = walk.At(phase);
        std::array<bool, 2> cut{at.Tubes[0].Ia == 0, at.Tubes[1].Ia == 0};
        for (std::size_t t = 0; t < 2; ++t) {
            if (k > 0 && cut[t] != wasCut[t]) {
                const double edge = cut[t] ? CutoffEdge(walk, t, lastPhase, phase, rough)
                                           : CutoffEdge(walk, t, phase, lastPhase, rough);
                ends.push_back(edge);
                if (cut[t])
                    cutSince[t] = edge;
                else
                    shares[t] += (edge - cutSince[t]) / kPi;
            } else if (k == 0 && cut[t]) {
                cutSince[t] = 0;
            }
            wasCut[t] = cut[t];
        }
        lastPhase = phase;
    }
    for (std::size_t t = 0; t < 2; ++t) {
        if (wasCut[t])
            shares[t] += (kPi - cutSince[t]) / kPi;
    }
    return shares;
}

// The phases where a grid, at bias +- drive cos t, passes `vg`.
void AddGridCrossings(std::vector<double>& ends, double vg, const CycleSettings& s) {
    for (const double sign : {1.0, -1.0}) {
        const double c = sign * (vg - s.Bias) / s.Drive;
        if (c > -1 && c < 1)
            ends.push_back(std::acos(c));
    }
}

// Each coefficient is kept within this share of the difference's swing, or, for a very small
// swing, within the rounding of the currents themselves.
constexpr double kRelativeTolerance = 1e-10;
constexpr double kRoundingTolerance = 1e-13;

} // namespace

CycleFigures CycleOf(const PairWiring& wiring, const CycleSettings& settings, bool rough) {
    PairWalk walk(wiring, settings);
    const PairInstant top = walk.At(0);
    const PairInstant bottom = walk.At(kPi);

    std::vector<double> ends = {0, kPi};
    CycleFigures figures;
    figures.Cutoff = FindCutoff(walk, ends, rough);
    if (settings.Drive > 0) {
        AddGridCrossings(ends, 0, settings);
        for (const tubemath::TubeModel* model : wiring.Models) {
            if (model->Kind == tubemath::ModelKind::Seed && model->Seed.ExponentSlope > 0)
                AddGridCrossings(ends, model->Seed.ExponentSlope * model->Seed.LawExponent,
                                 settings);
        }
    }
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());

    const auto difference = [](const PairInstant& at) {
        return at.Tubes[0].Primary - at.Tubes[1].Primary;
    };
    double largest = 0;
    for (const PairInstant* at : {&top, &bottom}) {
        for (const TubeInstant& tube : at->Tubes)
            largest = std::max(largest, std::fabs(tube.Ia) + std::fabs(tube.Is));
    }
    const double swing = std::fabs(difference(top) - difference(bottom)) / 2;
    const double coefficientTolerance =
        std::max(kRelativeTolerance * swing, kRoundingTolerance * largest);
    // A coefficient is 2 / pi times its integral.
    CycleQuadrature quadrature(walk, wiring, settings, coefficientTolerance * kPi / 2, rough);
    Sums integrals{};
    for (std::size_t stretch = 0; stretch + 1 < ends.size(); ++stretch)
        quadrature.Add(ends[stretch], ends[stretch + 1], integrals);

    for (std::size_t n = 0; n < kCosines; ++n)
        figures.Cosines[n] = integrals[n] * 2 / kPi;
    for (std::size_t t = 0; t < 2; ++t) {
        const std::size_t base = kCosines + 4 * t;
        figures.IaAverage[t] = integrals[base] / kPi;
        figures.IsAverage[t] = integrals[base + 1] / kPi;
        figures.PlatePower[t] = integrals[base + 2] / kPi * wiring.BPlus;
        figures.ScreenPower[t] = integrals[base + 3] / kPi * wiring.BPlus;
        figures.IaMin[t] = walk.Least(t);
        figures.IaMax[t] = walk.Most(t);
    }
    figures.Slopes = {integrals[kJudged] / kPi, integrals[kJudged + 1] / kPi,
                      integrals[kJudged + 2] / kPi, integrals[kJudged + 3] / kPi};
    figures.Solves = walk.Solves();
    return figures;
}

} // namespace valvescope::analysis
