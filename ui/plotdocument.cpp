#include "ui/plotdocument.h"

#include "core/measure/measurements.h"
#include "core/settings/numbertext.h"
#include "core/tubeedit/measuremarks.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace valvescope {

PlotDocument::PlotDocument(QObject* parent) : QObject(parent) {}

void PlotDocument::SetTube(Tube tube) {
    session_.SetTube(std::move(tube));
    emit TubeChanged();
}

void PlotDocument::EditTube(Tube tube) {
    const tubemath::ScreenWiring screen = session_.Screen();
    session_.SetTube(std::move(tube));
    session_.SetScreen(screen);
    emit TubeChanged();
}

void PlotDocument::SetScreen(tubemath::ScreenWiring screen) {
    if (screen == session_.Screen()) {
        return;
    }
    session_.SetScreen(screen);
    emit ScreenChanged();
}

void PlotDocument::GiveSettings(const SettingsTexts& texts, const Overlays& show) {
    NoteSettings(texts, show);
    emit SettingsGiven();
}

void PlotDocument::NoteSettings(const SettingsTexts& texts, const Overlays& show) {
    texts_ = texts;
    show_ = show;
}

std::optional<AxisCaptions> PlotDocument::TakeTexts(const SettingsTexts& texts) {
    std::optional<AxisCaptions> captions;
    try {
        captions = session_.TakeTexts(texts);
    } catch (const ConversionError& error) {
        TellSettingsTaken(WithFullStop(QString::fromUtf8(error.what())));
        throw;
    }
    TellSettingsTaken(captions ? QString() : FromStd(NoStageMessage(texts)));
    return captions;
}

void PlotDocument::TellSettingsTaken(const QString& problem) {
    settingsProblem_ = problem;
    emit SettingsTaken(problem);
}

void PlotDocument::OpenMeasurements(MeasuredPoints points, std::string file) {
    const std::size_t count = points.size();
    TakeMeasurements(std::move(points), file, {{file, count}});
}

void PlotDocument::OpenMeasurementFiles(std::vector<MeasuredFile> files) {
    MeasuredPoints points;
    std::vector<std::pair<std::string, std::size_t>> sizes;
    for (MeasuredFile& file : files) {
        points.insert(points.end(), file.Points.begin(), file.Points.end());
        sizes.emplace_back(std::move(file.Name), file.Points.size());
    }
    const std::string first = sizes.empty() ? std::string() : sizes.front().first;
    TakeMeasurements(std::move(points), first, std::move(sizes));
}

void PlotDocument::TakeMeasurements(MeasuredPoints points, std::string file,
                                    std::vector<std::pair<std::string, std::size_t>> sizes) {
    points_ = std::move(points);
    gridVoltages_ = MeasuredGridVoltages(points_);
    measurementFile_ = std::move(file);
    fileSizes_ = points_.empty() ? decltype(fileSizes_)() : std::move(sizes);
    curvesShown_ = false; // curves come with a fit
    PutMeasurementMarks();
    emit MeasurementsReplaced();
    emit MeasurementsChanged();
}

std::vector<MeasuredFile> PlotDocument::MeasurementFiles() const {
    std::vector<MeasuredFile> files;
    auto next = points_.begin();
    for (const auto& [name, count] : fileSizes_) {
        const auto end = next + static_cast<std::ptrdiff_t>(count);
        files.push_back({name, MeasuredPoints(next, end)});
        next = end;
    }
    return files;
}

void PlotDocument::CloseMeasurements() {
    points_.clear();
    gridVoltages_.clear();
    measurementFile_.clear();
    fileSizes_.clear();
    curvesShown_ = false;
    PutMeasurementMarks();
    emit MeasurementsReplaced();
    emit MeasurementsChanged();
}

void PlotDocument::ShowModelCurves(bool shown) {
    curvesShown_ = shown;
    PutMeasurementMarks();
    emit MeasurementsChanged();
}

void PlotDocument::UseFittedTube(Tube tube, std::optional<tubemath::ScreenWiring> screen) {
    curvesShown_ = true;
    PutMeasurementMarks(); // drawn with the tube, in one redraw
    session_.SetTube(std::move(tube));
    if (screen) {
        session_.SetScreen(*screen);
    }
    emit TubeChanged();
}

void PlotDocument::PutMeasurementMarks() {
    session_.SetMarks(PlotSession::MarkLayer::Measurements,
                      MeasurementMarks(points_, gridVoltages_, curvesShown_));
}

void PlotDocument::GiveStageInputs(const StageTexts& stage) {
    stage_ = stage;
    emit StageInputsGiven();
}

void PlotDocument::NoteStageInputs(const StageTexts& stage) {
    stage_ = stage;
}

void PlotDocument::SetStageMarks(PlotMarks marks) {
    session_.SetMarks(PlotSession::MarkLayer::OperatingPoint, std::move(marks));
}

void PlotDocument::RedrawMarks() {
    emit MarksChanged();
}

Design PlotDocument::CurrentDesign() const {
    if (fileSizes_.size() > 1) {
        throw std::runtime_error("A design names one measurement file, and " +
                                 std::to_string(fileSizes_.size()) +
                                 " are open: open the one the design is to keep first");
    }
    Design design;
    design.DesignTube = CurrentTube();
    design.Screen = session_.Screen();
    design.Texts = texts_;
    design.Show = show_;
    design.MeasurementFile = measurementFile_;
    design.FittedCurves = curvesShown_;
    design.Stage = stage_;
    return design;
}

void PlotDocument::TakeDesign(const Design& design, MeasuredPoints points) {
    session_.SetTube(design.DesignTube);
    session_.SetScreen(design.Screen);
    if (design.MeasurementFile.empty()) {
        points.clear();
    }
    points_ = std::move(points);
    gridVoltages_ = MeasuredGridVoltages(points_);
    measurementFile_ = points_.empty() ? std::string() : design.MeasurementFile;
    fileSizes_.clear();
    if (!points_.empty()) {
        fileSizes_.emplace_back(measurementFile_, points_.size());
    }
    curvesShown_ = design.FittedCurves && !points_.empty();
    PutMeasurementMarks();
    stage_ = design.Stage;
    NoteSettings(design.Texts, design.Show);
    emit MeasurementsReplaced();
    emit StageInputsGiven();
    emit TubeChanged();
    emit SettingsGiven();
}

} // namespace valvescope
