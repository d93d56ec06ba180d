#include "ui/plotdocument.h"

#include "core/measure/measurements.h"
#include "core/settings/numbertext.h"
#include "core/tubeedit/measuremarks.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"

#include <utility>

namespace valvescope {

PlotDocument::PlotDocument(QObject* parent) : QObject(parent) {}

void PlotDocument::SetTube(Tube tube) {
    session_.SetTube(std::move(tube));
    emit TubeChanged();
}

void PlotDocument::SetScreen(tubemath::ScreenWiring screen) {
    session_.SetScreen(screen);
    emit TubeChanged();
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
    points_ = std::move(points);
    gridVoltages_ = MeasuredGridVoltages(points_);
    measurementFile_ = std::move(file);
    curvesShown_ = false; // curves come with a fit
    PutMeasurementMarks();
    emit MeasurementsReplaced();
    emit MeasurementsChanged();
}

void PlotDocument::CloseMeasurements() {
    points_.clear();
    gridVoltages_.clear();
    measurementFile_.clear();
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

void PlotDocument::UseFittedTube(Tube tube) {
    curvesShown_ = true;
    PutMeasurementMarks(); // drawn with the tube, in one redraw
    SetTube(std::move(tube));
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
    Design design;
    design.DesignTube = CurrentTube();
    design.Texts = texts_;
    design.Show = show_;
    design.MeasurementFile = measurementFile_;
    design.FittedCurves = curvesShown_;
    design.Stage = stage_;
    return design;
}

void PlotDocument::TakeDesign(const Design& design, MeasuredPoints points) {
    session_.SetTube(design.DesignTube);
    if (design.MeasurementFile.empty()) {
        points.clear();
    }
    points_ = std::move(points);
    gridVoltages_ = MeasuredGridVoltages(points_);
    measurementFile_ = points_.empty() ? std::string() : design.MeasurementFile;
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
