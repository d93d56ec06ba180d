#include "cli/startup.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

namespace valvescope {

namespace {

QtMessageHandler previousHandler = nullptr;

void LeaveOutRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

// Whether Qt will take the X window system: asked for by name, or chosen by default on a
// machine with no Wayland session.
bool UsesX() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) {
        return platform == "xcb" || platform.startsWith("xcb:");
    }
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qgetenv("XDG_SESSION_TYPE") != "wayland";
}

} // namespace

void QuietRuntimeFolderNotice() {
    previousHandler = qInstallMessageHandler(LeaveOutRuntimeFolderNotice);
}

DisplayCheck::DisplayCheck() {
    if (!UsesX()) {
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        problem_ = "There is no display to open the window on (DISPLAY is not set)";
        return;
    }
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_) != 0) {
        problem_ = "The X display '" + display.toStdString() + "' cannot be opened";
    }
}

DisplayCheck::~DisplayCheck() {
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

} // namespace valvescope
