// What the command line prints and saves of a fit to one or more files: the seed fit's JSON with
// the keys every model's fit carries, and the tube a model fit makes.
#pragma once

#include "core/fit/fit.h"
#include "core/fit/modelfit.h"
#include "core/tube/tube.h"

#include <span>
#include <string>
#include <vector>

namespace valvescope {

// Each file's points and the seed's plate-current RMS over them (points where the model raises
// an arithmetic fault left out), for the seed fit of the files together.
std::vector<FileFit> SeedFileFits(const tubemath::TubeParams& params,
                                  std::span<const MeasuredFile> files);

// FitJson's text with "model": "seed" first and, after "max_mA", "screen_rms_mA": null (the seed
// has no screen) and "files": [{"file", "points", "rms_mA"}]; the rest as FitJson has it.
std::string SeedFitJson(const FitResult& result, std::span<const FileFit> files);

// The screen voltage a fitted screen-grid tube is plotted at: the median of the points' measured
// screen voltages (the lower middle one for an even count; points without one left out), 0 when
// no point has one. Three files at 200, 250 and 300 V give 250 V.
double MiddleScreenVoltage(std::span<const MeasuredFile> files);

// The fitted model as a tube: named "<first file's stem> (fitted)", with `ratings` (the user's:
// a fit gives none), MiddleScreenVoltage for a screen-grid model, and notes naming the files
// and the fit's RMS.
Tube ModelFittedTube(const ModelFitResult& result, std::span<const MeasuredFile> files,
                     const TubeRatings& ratings);

} // namespace valvescope
