// The program run as a person runs it from a shell, for the command-line tests: its exit code
// and what it printed. The including target defines VALVESCOPE_EXE, the program's path.
#pragma once

#include "tests/support/filesizelimit.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace {

struct Run {
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};

// The program run with no display: no X server, no platform chosen, no runtime folder (as for
// root without a login session), the C number format; then the `settings` ("NAME=VALUE"), and
// files limited to `fileSizeLimit` bytes when it is given.
inline Run RunProgram(const QStringList& arguments, const QStringList& settings = {},
                      rlim_t fileSizeLimit = 0) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (const QString& setting : settings) {
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    }
    process.setProcessEnvironment(environment);
    if (fileSizeLimit > 0) {
        process.setChildProcessModifier([fileSizeLimit] { LimitFileSize(fileSizeLimit); });
    }
    process.start(QStringLiteral(VALVESCOPE_EXE), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace
