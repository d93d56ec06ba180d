// The main window as a view of its document: what the other windows and the command line change
// in it shows here, the windows it opens onto it, and the design file.
#include "core/design/designfile.h"
#include "core/fit/fitreport.h"
#include "core/measure/measurements.h"
#include "core/settings/settingsboxes.h"
#include "ui/backgroundredraw.h"
#include "ui/errorbox.h"
#include "ui/operatingpointwindow.h"
#include "ui/paintbox.h"
#include "ui/qtext.h"
#include "ui/schematicform.h"
#include "ui/tubewindow.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QToolButton>

#include <utility>

// What the other windows change in the document shows here.
void TSchematicForm::FollowDocument() {
    connect(&document_, &valvescope::PlotDocument::TubeChanged, this,
            [this] { RunGuarded(this, [this] { TubeChanged(); }); });
    // Another screen voltage or wiring draws and reads the tube anew, as another tube does.
    connect(&document_, &valvescope::PlotDocument::ScreenChanged, this,
            [this] { RunGuarded(this, [this] { TubeChanged(); }); });
    connect(&document_, &valvescope::PlotDocument::MeasurementsChanged, this,
            [this] { RunGuarded(this, [this] { MeasurementsChanged(); }); });
    connect(&document_, &valvescope::PlotDocument::MarksChanged, this, [this] { RedrawMarks(); });
    connect(&document_, &valvescope::PlotDocument::SettingsGiven, this,
            [this] { RunGuarded(this, [this] { ShowGivenSettings(); }); });
}

// The operating point's marks changed: they are drawn now (a blank plot stays blank).
void TSchematicForm::RedrawMarks() {
    RunGuarded(this, [this] {
        redraws_->Stop();
        if (document_.SettingsProblem().isEmpty()) {
            StartRedraw();
        }
    });
}

void TSchematicForm::ShowOperatingPoint() {
    if (!operatingPoint_) {
        operatingPoint_ = new TOperatingPointWindow(document_, this);
    }
    operatingPoint_->show();
    operatingPoint_->raise();
    operatingPoint_->activateWindow();
}

// ---- The tube and measured curves -----------------------------------------------------------

void TSchematicForm::TubeChanged() {
    ShowTubeInTitles();
    if (!isVisible() || takingDesign_) {
        return; // drawn when it is shown
    }
    Redraw();
    // The readout of the pointer's last place, now for this tube.
    if (lastRead_) {
        const std::optional<QPoint> resting = restingPointer_;
        ReadPointer(lastRead_->x(), lastRead_->y());
        restingPointer_ = resting;
    }
}

void TSchematicForm::MeasurementsChanged() {
    closeMeasurements_->setEnabled(!document_.Measurements().empty());
    if (isVisible() && !takingDesign_) {
        Redraw();
    }
}

// Settings given to the document go into the boxes and toggles as if typed and pressed.
void TSchematicForm::ShowGivenSettings() {
    for (const valvescope::SettingsBox& row : valvescope::kSettingsBoxes) {
        controls_.Box(row.Text)->setEditText(FromStd(document_.Texts().*row.Text));
    }
    const valvescope::Overlays& show = document_.Show();
    const bool down[] = {show.Imax, show.Wp, show.Vmax, show.Rk, show.LoadLine};
    for (std::size_t k = 0; k < controls_.Toggles().size(); ++k) {
        controls_.Toggles()[k]->setChecked(down[k]);
    }
    if (isVisible() && !takingDesign_) {
        Redraw();
    }
}

QSize TSchematicForm::PlotSize() const {
    return controls_.PaintBox1->size();
}

TTubeWindow& TSchematicForm::TubeWindow() {
    if (!tubeWindow_) {
        tubeWindow_ = new TTubeWindow(document_, this);
        connect(tubeWindow_, &TTubeWindow::ExportSpiceAsked, this,
                [this] { RunGuarded(this, [this] { ExportSpiceModel(); }); });
    }
    return *tubeWindow_;
}

void TSchematicForm::ShowTubeWindow() {
    TTubeWindow& window = TubeWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

// ---- The design file ------------------------------------------------------------------------

void TSchematicForm::SaveDesign(const QString& path) const {
    valvescope::Design design = document_.CurrentDesign();
    if (!design.MeasurementFile.empty()) {
        // Opened again from wherever the design file goes.
        design.MeasurementFile = LocalFileName(
            QFileInfo(QFile::decodeName(design.MeasurementFile.c_str())).absoluteFilePath());
    }
    valvescope::SaveDesignFile(LocalFileName(path), design);
}

void TSchematicForm::OpenDesign(const QString& path) {
    const valvescope::Design design = valvescope::ReadDesignFile(LocalFileName(path));
    valvescope::MeasuredPoints points;
    if (!design.MeasurementFile.empty()) {
        points = valvescope::ReadMeasurementFile(design.MeasurementFile);
    }
    takingDesign_ = true;
    try {
        document_.TakeDesign(design, std::move(points));
    } catch (...) {
        takingDesign_ = false;
        throw;
    }
    takingDesign_ = false;
    if (isVisible()) {
        Redraw();
    }
}

void TSchematicForm::SaveDesignAs() {
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Design As"),
                                                QStringLiteral("valvescope-design.json"),
                                                QStringLiteral("Design files (*.json)"));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".json");
    }
    SaveDesign(path);
}

void TSchematicForm::ChooseAndOpenDesign() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Design"), QString(),
                                     QStringLiteral("Design files (*.json);;All files (*)"));
    if (!path.isEmpty()) {
        OpenDesign(path);
    }
}
