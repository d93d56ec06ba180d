// The Tube window's comparison of models, without Qt: one row of texts for each fitted model,
// and the tube (with its screen's wiring) that choosing a row makes.
#pragma once

#include "core/fit/fitreport.h"
#include "core/fit/modelfit.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <string>
#include <vector>

namespace valvescope {

// The texts of one row: "koren-pentode", "mu 11.0, ex 1.35*, kg1 650", "0.440 mA", "-",
// "-1234.5", "1.20 s". A constant the points fix poorly carries a "*", one that stopped at a
// bound of the fit a "!".
struct ComparisonRow {
    std::string Model;
    std::string Constants;
    std::string PlateRms;
    std::string ScreenRms; // "-" for a model without a screen current fitted
    std::string Bic;
    std::string Time;
    bool Uncertain = false; // some constant is marked
};

ComparisonRow ComparisonRowOf(const ModelFitResult& result);

// What the row's marks mean, for the line under the table.
inline constexpr const char* kComparisonLegend =
    "* poorly determined by the points, ! at a bound of the fit";

// The fitted model on `base`'s ratings (none on the 807, whose ratings are not the measured
// tube's; the screen rating only for a screen-grid model), named "<first file's stem>
// (<model>)", its screen voltage the median of the points' measured screen voltages, with notes
// naming the files and the fit's RMS.
Tube ComparedTube(const Tube& base, const ModelFitResult& result,
                  const std::vector<MeasuredFile>& files);

// The wiring the fit saw: triode-connected, or the screen at the tube's screen voltage.
tubemath::ScreenWiring ComparedWiring(const ModelFitResult& result, const Tube& tube);

} // namespace valvescope
