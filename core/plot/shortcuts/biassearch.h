// The Rk bias line's search. For each whole plate voltage Va, the current is raised from where
// the search at the voltage before ended, in steps of a hundredth of a milliamp, while Va is above
// the bias voltage (the plate voltage at which the model draws I with the grid at -Rk * I, plus
// the Rk * I the cathode resistor takes) and the current is below End I. BiasLineSearch finds
// where that stepping ends without taking the steps, and keeps the last current it formed.
#pragma once

#include "core/plot/biasstep.h"
#include "core/plot/shortcuts/biasshape.h"
#include "core/settings/plotsettings.h"
#include "model/tubemath.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace valvescope {

// The current after `steps` steps of the search from 0, each step added and rounded as the search
// adds it.
double BiasStepSum(std::uint64_t steps);

class BiasLineSearch {
public:
    BiasLineSearch(const tubemath::TubeParams& tube, const PlotSettings& settings);

    // Whether the bias voltage's shape is shown for this tube and these settings; only then does
    // End find what stepping would.
    bool Proven() const { return shape_.proven; }

    // The step count at which the search at plate voltage Va, starting from `from` steps, stops
    // (or fails).
    std::uint64_t End(std::uint64_t from, double Va) const;
    // The bias voltage after `steps` steps, or nothing where it cannot be formed.
    std::optional<double> Voltage(std::uint64_t steps) const;
    // The current the search ends with after `steps` steps, its last test made as the search
    // makes it, so that a fault there is raised.
    double CurrentAt(std::uint64_t steps) const;

private:
    double CurrentAfter(std::uint64_t steps) const;
    bool StopsAt(double I, double Va) const;
    template <class Holds> std::uint64_t FirstStepWhere(Holds holds) const;
    std::uint64_t Peak() const;

    const tubemath::TubeParams& tube_;
    const double Rk_;
    const double topCurrent_; // End I in amperes
    const BiasShape shape_;
    // The last current formed from a step count, to be continued from by plain steps.
    mutable std::uint64_t summedSteps_ = 0;
    mutable double stepSum_ = 0;
    // Where the bias voltage stops rising with the current, when the search can get that far.
    std::uint64_t peak_ = std::numeric_limits<std::uint64_t>::max();
};

} // namespace valvescope
