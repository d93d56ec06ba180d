#include "cli/windowshot.h"

#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "ui/plotexport.h"
#include "ui/schematicform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QThread>
#include <QWindow>

#include <ostream>
#include <utility>

namespace valvescope {

namespace {

constexpr int kAppearTimeoutMs = 10000;
// After the window is exposed: time for the server to show what was painted.
constexpr int kSettleMs = 400;

void ProcessEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool WaitUntilExposed(const TSchematicForm& form) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kAppearTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QWindow* window = form.windowHandle();
        if (window && window->isExposed()) {
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

} // namespace

void ApplyCommandLine(TSchematicForm& form, const CommandLine& line, RunInputs inputs) {
    PlotDocument& document = form.Document();
    document.SetTube(std::move(inputs.RunTube));
    document.SetScreen(inputs.Screen);
    if (!inputs.MeasurementFile.empty()) {
        document.OpenMeasurements(std::move(inputs.Points), inputs.MeasurementFile);
        document.ShowModelCurves(inputs.FittedCurves);
    }
    document.GiveStageInputs(line.Start.Stage);
    document.GiveSettings(line.Texts, line.Show);
    if (line.SurfaceGiven) {
        const QSize grow = line.Surface - form.PlotSize();
        form.resize(form.size() + grow);
    }
}

int TakeWindowShot(TSchematicForm& form, const QString& file, std::ostream& err) {
    form.show();
    if (!WaitUntilExposed(form)) {
        err << "The window did not appear on the screen.\n";
        return kExitNotWritten;
    }
    form.FinishDrawing();
    ProcessEventsFor(kSettleMs);
    if (form.DrawingFailed()) {
        form.close();
        return kExitArithmetic;
    }
    // The window renders itself: a window larger than the screen, or one partly covered, comes
    // out whole, where a grab from the screen would be black past its edges.
    const QPixmap shot = form.grab();
    form.close();
    if (shot.isNull()) {
        err << "The window could not be grabbed into a picture of " << form.width() << 'x'
            << form.height() << " pixels.\n";
        return kExitNotWritten;
    }
    return Reported(
               RunStep::Exporting, [&] { WritePng(file, shot.toImage()); }, err)
        .value_or(kExitSuccess);
}

} // namespace valvescope
