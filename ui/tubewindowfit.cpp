// The Tube window's fit to the measured points, with its progress and its Cancel, the report of
// it, and the plot's axes fitted to the points.
#include "core/fit/fitreport.h"
#include "core/tubeedit/axesfit.h"
#include "ui/backgroundfit.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"
#include "ui/tubewindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

QWidget* TTubeWindow::BuildFitControls() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("FitProgress"));
    progress_->setRange(0, 100);
    cancelFit_ = new QPushButton(QStringLiteral("Cancel"));
    cancelFit_->setObjectName(QStringLiteral("CancelFit"));
    cancelFit_->setAutoDefault(false);
    layout->addWidget(progress_, 1);
    layout->addWidget(cancelFit_);
    ShowFitRunning(false);
    return row;
}

// The progress and Cancel show while a fit runs; the fit's button waits for it.
void TTubeWindow::ShowFitRunning(bool running) {
    progress_->setValue(0);
    progress_->setVisible(running);
    cancelFit_->setVisible(running);
    cancelFit_->setEnabled(running);
    fitButton_->setEnabled(!running && !document_.Measurements().empty());
    compareButton_->setEnabled(!running && !document_.Measurements().empty());
}

void TTubeWindow::FitToMeasurements() {
    const valvescope::MeasuredPoints& points = document_.Measurements();
    if (points.empty() || fit_->Running()) {
        return;
    }
    reportTube_.reset();
    report_->setPlainText(
        QStringLiteral("Fitting the constants to %1 points...").arg(points.size()));
    fit_->Start(points);
    ShowFitRunning(true);
}

void TTubeWindow::FinishFit() {
    fit_->Finish();
}

void TTubeWindow::CancelFit() {
    fit_->Cancel();
    cancelFit_->setEnabled(false); // the outcome follows soon through the event loop
}

bool TTubeWindow::Fitting() const {
    return fit_->Running();
}

// A cancelled fit is no error: the report says so and the tube stays as it was.
void TTubeWindow::FitEnded(const std::exception_ptr& error, const valvescope::FitResult& result) {
    ShowFitRunning(false);
    RunGuarded(this, [this, &error, &result] {
        if (!error) {
            FitDone(result);
            return;
        }
        try {
            std::rethrow_exception(error);
        } catch (const valvescope::FitCancelled&) {
            report_->setPlainText(QStringLiteral("The fit was cancelled."));
        } catch (...) {
            report_->clear();
            throw;
        }
    });
}

// The fitted constants on the user's ratings become the tube, a tube of the seed model whatever
// the model before; the curves at the measured grid voltages show how they lie over the points.
void TTubeWindow::FitDone(const valvescope::FitResult& result) {
    valvescope::Tube base = document_.CurrentTube();
    if (base.Model.Kind != tubemath::ModelKind::Seed) {
        base.Model.Kind = tubemath::ModelKind::Seed;
        base.Ratings.Psmax = std::nullopt;
        base.Screen = 0;
    }
    document_.UseFittedTube(valvescope::FittedTube(base, result, document_.MeasurementFile()));
    report_->setPlainText(FromStd(valvescope::FitReportText(result)));
    reportTube_ = document_.CurrentTube().Name;
}

// The report stays to read, headed by a line saying whose it is.
void TTubeWindow::MarkReportStale() {
    if (!reportTube_) {
        return;
    }
    report_->setPlainText(
        QStringLiteral("This report belongs to the tube before, %1.\n").arg(FromStd(*reportTube_)) +
        report_->toPlainText());
    reportTube_.reset();
}

void TTubeWindow::FitAxesToMeasurements() {
    const valvescope::MeasuredPoints& points = document_.Measurements();
    if (!points.empty()) {
        document_.GiveSettings(valvescope::WithAxesFitted(document_.Texts(), points),
                               document_.Show());
    }
}
