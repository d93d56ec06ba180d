// The document every window of the program is a view of: the plot's session with its tube, the
// measured points, the stage's inputs and marks, and the latest intake's problem. The windows
// change it through these functions and follow it through its signals; none of them knows
// another.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/analysis/stage.h"
#include "core/design/designfile.h"
#include "core/design/stagetexts.h"
#include "core/fit/modelfit.h"
#include "core/plot/marks.h"
#include "core/session/plotsession.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <QObject>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace valvescope {

class PlotDocument : public QObject {
    Q_OBJECT

public:
    explicit PlotDocument(QObject* parent = nullptr);

    const PlotSession& Session() const { return session_; }
    // For the plot's redraw and readouts, which keep the session's scale and last readout.
    PlotSession& Session() { return session_; }

    // The tube everything is drawn and read for.
    const Tube& CurrentTube() const { return session_.CurrentTube(); }
    // Another tube: its screen is wired at the tube's screen voltage, not triode-connected.
    void SetTube(Tube tube);
    // The same tube with its fields edited: the screen's wiring stays as it was.
    void EditTube(Tube tube);

    // How a screen-grid tube's screen is wired for the plot, the readout and the stage: held at
    // a voltage, or tied to the plate. ScreenChanged follows a change (not a new tube, which
    // TubeChanged tells).
    const tubemath::ScreenWiring& Screen() const { return session_.Screen(); }
    void SetScreen(tubemath::ScreenWiring screen);

    // The box texts and toggles as the main window holds them. GiveSettings hands the window
    // new ones (from a design or the command line); NoteSettings is the window telling what its
    // boxes and toggles now say.
    const SettingsTexts& Texts() const { return texts_; }
    const Overlays& Show() const { return show_; }
    void GiveSettings(const SettingsTexts& texts, const Overlays& show);
    void NoteSettings(const SettingsTexts& texts, const Overlays& show);

    // The intake of the texts (commas already points), as every redraw starts it: the captions,
    // or none when a box is blank or zero. Either way SettingsTaken follows with what stopped
    // the intake (empty when the settings were read). Throws ConversionError for a text that
    // does not read, after telling so.
    std::optional<AxisCaptions> TakeTexts(const SettingsTexts& texts);
    // What stopped the last intake, as the error box words it; empty when the settings were read.
    const QString& SettingsProblem() const { return settingsProblem_; }

    // The measured points over the plot, from the file named, and whether the model's curves at
    // their grid voltages are drawn with them. Opening or closing drops the curves.
    void OpenMeasurements(MeasuredPoints points, std::string file);
    // Several files at once, fitted together: their points one after another, each with its
    // own screen voltage. MeasurementFile() is then the first file's name.
    void OpenMeasurementFiles(std::vector<MeasuredFile> files);
    void CloseMeasurements();
    void ShowModelCurves(bool shown);
    const MeasuredPoints& Measurements() const { return points_; }
    const std::vector<double>& GridVoltages() const { return gridVoltages_; }
    const std::string& MeasurementFile() const { return measurementFile_; }
    // The files open with their points, as the model fit and the comparison take them.
    std::vector<MeasuredFile> MeasurementFiles() const;
    std::size_t MeasurementFileCount() const { return fileSizes_.size(); }
    bool ModelCurvesShown() const { return curvesShown_; }
    // A fit's tube: the curves at the measured grid voltages show how it lies over the points.
    // With `screen`, the screen wired as the fit saw it (a triode-connected fit, say).
    void UseFittedTube(Tube tube, std::optional<tubemath::ScreenWiring> screen = std::nullopt);

    // The stage's own inputs. GiveStageInputs hands the Operating Point window new ones;
    // NoteStageInputs is that window telling what its fields now say.
    const StageTexts& StageInputs() const { return stage_; }
    void GiveStageInputs(const StageTexts& stage);
    void NoteStageInputs(const StageTexts& stage);
    // The operating point's marks for the next redraw; RedrawMarks asks for that redraw now.
    void SetStageMarks(PlotMarks marks);
    void RedrawMarks();
    // The analysis the Operating Point window shows while it is open, for the printed page.
    void SetShownStage(std::optional<StageAnalysis> shown) { shownStage_ = std::move(shown); }
    const std::optional<StageAnalysis>& ShownStage() const { return shownStage_; }
    // The same for a push-pull pair.
    void SetShownPushPull(std::optional<PushPullAnalysis> shown) {
        shownPushPull_ = std::move(shown);
    }
    const std::optional<PushPullAnalysis>& ShownPushPull() const { return shownPushPull_; }

    // The design as it stands, and a whole design taken in (the measurements as read from the
    // design's file by the caller). A design that does not read changes nothing, since it is
    // read before this is called. A design names one measurement file: with several open,
    // CurrentDesign throws std::runtime_error rather than leave the others out.
    Design CurrentDesign() const;
    void TakeDesign(const Design& design, MeasuredPoints points);

signals:
    void TubeChanged();
    void ScreenChanged();
    void SettingsGiven();
    // After every intake, before the plot is drawn: `problem` as SettingsProblem().
    void SettingsTaken(const QString& problem);
    // Points opened or closed: what was worked out from the old ones (a fit) no longer holds.
    void MeasurementsReplaced();
    // The points or their curves changed: the plot follows.
    void MeasurementsChanged();
    void StageInputsGiven();
    void MarksChanged();

private:
    void TellSettingsTaken(const QString& problem);
    void PutMeasurementMarks();
    void TakeMeasurements(MeasuredPoints points, std::string file,
                          std::vector<std::pair<std::string, std::size_t>> sizes);

    PlotSession session_;
    SettingsTexts texts_ = StartTexts();
    Overlays show_;
    QString settingsProblem_;
    MeasuredPoints points_;
    std::vector<double> gridVoltages_;
    std::string measurementFile_; // as opened, for messages and the fitted tube's name
    // Each file open and its count of points, in the order of points_.
    std::vector<std::pair<std::string, std::size_t>> fileSizes_;
    bool curvesShown_ = false;
    StageTexts stage_;
    std::optional<StageAnalysis> shownStage_;
    std::optional<PushPullAnalysis> shownPushPull_;
};

} // namespace valvescope
