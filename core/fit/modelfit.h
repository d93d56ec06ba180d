// Fitting Koren's and Reefman's models to measured curves from one or more files.
//
// Each point is fitted at its own measured screen voltage. The objective is the sum of squared
// differences, in mA, of the plate current at every point and, for a model with a screen
// current, of the screen current at every point of a file that measured it. The constants are
// held within fixed bounds (ModelFitBounds); the fit starts from estimates read off the data,
// from the library's tubes of the same kind and from a spread of further points, and keeps the
// best solution.
#pragma once

#include "core/fit/fit.h"
#include "core/tube/measuredpoint.h"
#include "model/tubemodels.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace valvescope {

// The points of one measurement file, named as the user knows it.
struct MeasuredFile {
    std::string Name;
    MeasuredPoints Points;
};

// A model as the fit sees it: its law and whether the tube is seen triode-connected (screen
// tied to plate, the measured plate current taken as Ia + Is where the file has Is).
struct FitModel {
    tubemath::ModelKind Kind = tubemath::ModelKind::KorenTriode;
    bool TriodeConnected = false;
    bool operator==(const FitModel&) const = default;
};

// "derk", or "derk triode-connected".
std::string FitModelName(const FitModel& model);
// The inverse of FitModelName; nothing for a name it does not give.
std::optional<FitModel> FitModelNamed(std::string_view name);

// The bounds one constant is held within; constants spanning decades are solved as logarithms:
// mu 1-1000, ex 1-2.5, kg1 1-1e6, kg2 1-1e7, kp 1-1e4, kvb 1-1e6 (all logarithmic but ex),
// a 0-0.01, alphaS 0-100, beta 1e-4-10 (logarithmic).
struct ModelConstantBounds {
    double Lower;
    double Upper;
    bool Logarithmic;
};
const ModelConstantBounds& ModelFitBounds(tubemath::ModelConstant constant);

struct FileFit {
    std::string File;
    std::size_t Points = 0;
    double RmsMilliamps = 0; // the plate current's RMS over the file's points
};

struct ModelFitResult {
    FitModel Model;
    tubemath::TubeModel Tube;
    // Indexed by ModelConstant; only the model's own constants (ConstantsOf) mean anything.
    std::array<ConstantQuality, tubemath::kModelConstantCount> Quality{};
    double RmsMilliamps = 0;                  // plate current over all points
    double MaxMilliamps = 0;                  // largest plate current difference
    std::optional<double> ScreenRmsMilliamps; // over the points with a screen current fitted
    std::vector<FileFit> Files;
    std::size_t Points = 0;    // measured points
    std::size_t Residuals = 0; // plate plus screen differences fitted, the n of the BIC
    // n ln(RSS / n) + k ln n, RSS in mA^2 over the Residuals differences, k the model's constants.
    double Bic = 0;
    double Seconds = 0; // wall time of the fit
};

// Asked between the fit's steps with the share done (0 to 1); returning false cancels the fit,
// which then raises FitCancelled (core/fit/fit.h).
using FitProgress = std::function<bool(double share)>;

// Fits the model to the files together. A screen-grid model seen as such needs the points'
// screen voltages (a point at Vs <= 0 draws nothing); the seed is fitted by FitTube, not here.
// Raises FitError when there is nothing sound to fit (too few points, a value not finite, no
// screen voltage for a screen-grid model, the seed asked for) or no start reaches a solution.
ModelFitResult FitModelToFiles(const std::vector<MeasuredFile>& files, const FitModel& model,
                               const FitProgress& progress = {});

// The models that suit the files: Koren's triode where no file holds screen currents (a file
// holds them when its largest is at least 1 % of its largest plate current); Koren's pentode,
// derk and derke where they do at a screen voltage of the points' own; and those three
// triode-connected where every point's screen sits at its plate voltage, within 2 V or 2 % (a
// strapped tube, or a triode on a tracer that moves the screen supply with the plate).
std::vector<FitModel> ModelsSuiting(const std::vector<MeasuredFile>& files);

// Every model that suits the files fitted, best (lowest BIC) first; a model that cannot be
// fitted is left out. Raises FitError when none can.
std::vector<ModelFitResult> CompareModels(const std::vector<MeasuredFile>& files,
                                          const FitProgress& progress = {});

// {"model", "points", "rms_mA", "max_mA", "screen_rms_mA" (null without a screen current),
//  "files": [{"file", "points", "rms_mA"}], "constants": {...}, "stderr": {...},
//  "flags": {name: "bound"|"poor"}} (only the flagged); with `comparison`, "bic" and "seconds"
// too. On one line as FitJson lays it out, numbers to 17 significant digits; numbers that are
// not finite are written as null.
std::string ModelFitJson(const ModelFitResult& result, bool comparison = false);
// A JSON array of the results in their order, each with "bic" and "seconds".
std::string ModelComparisonJson(std::span<const ModelFitResult> results);

} // namespace valvescope
