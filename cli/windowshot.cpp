#include "cli/windowshot.h"

#include "cli/commandrun.h"
#include "cli/tuberun.h"
#include "core/settings/settingsboxes.h"
#include "ui/errorbox.h"
#include "ui/paintbox.h"
#include "ui/plotexport.h"
#include "ui/schematicform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include <ostream>

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

void ApplyCommandLine(TSchematicForm& form, const CommandLine& line) {
    const TFormControls& controls = form.Controls();
    for (const SettingsBox& row : kSettingsBoxes) {
        controls.Box(row.Text)->setEditText(QString::fromStdString(line.Texts.*row.Text));
    }
    const bool down[] = {line.Show.Imax, line.Show.Wp, line.Show.Vmax, line.Show.Rk,
                         line.Show.LoadLine};
    for (std::size_t k = 0; k < controls.Toggles().size(); ++k) {
        controls.Toggles()[k]->setChecked(down[k]);
    }
    if (line.SurfaceGiven) {
        const QSize grow = line.Surface - controls.PaintBox1->size();
        form.resize(form.size() + grow);
    }
    ApplyTubeAndData(form, line);
}

int TakeWindowShot(TSchematicForm& form, const QString& file, std::ostream& err) {
    form.show();
    if (!WaitUntilExposed(form)) {
        err << "The window did not appear on the screen.\n";
        return kExitNotWritten;
    }
    form.FinishDrawing();
    ProcessEventsFor(kSettleMs);
    // The window renders itself: a window larger than the screen, or one partly covered, comes
    // out whole, where a grab from the screen would be black past its edges.
    const QPixmap shot = form.grab();
    form.close();
    if (shot.isNull()) {
        err << "The window could not be grabbed into a picture of " << form.width() << 'x'
            << form.height() << " pixels.\n";
        return kExitNotWritten;
    }
    try {
        WritePng(file, shot.toImage());
    } catch (const PictureWriteError& error) {
        err << WithFullStop(QString::fromUtf8(error.what())).toStdString() << '\n';
        return kExitNotWritten;
    }
    return kExitSuccess;
}

} // namespace valvescope
