#include "cli/commandline.h"
#include "cli/commandrun.h"
#include "cli/runerrors.h"
#include "cli/startup.h"
#include "cli/tuberun.h"
#include "cli/windowshot.h"
#include "core/design/designfile.h"
#include "core/session/plotjob.h"
#include "formats/formats.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"
#include "ui/schematicform.h"

#include <QApplication>
#include <QLocale>

#include <iostream>
#include <optional>
#include <string>

namespace {

// The decimal point of the user's number format, as one character.
char UserDecimalPoint() {
    const QString point = QLocale::system().decimalPoint();
    if (point.isEmpty() || point.front().unicode() > 0x7F) {
        return '.';
    }
    return point.front().toLatin1();
}

QStringList Arguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// Says why the window cannot be opened, before Qt would abort trying.
bool ReportNoDisplay(const valvescope::DisplayCheck& display, valvescope::RunMode mode) {
    if (!display.Problem()) {
        return false;
    }
    std::cerr << *display.Problem()
              << (mode == valvescope::RunMode::WindowShot
                      ? ": --window-shot needs an X server, for example Xvfb.\n"
                      : ".\n");
    return true;
}

// The command line, from the design of --open when it names one: the design file is read once,
// here; one that does not read ends the program with its message.
std::optional<int> ReadLine(const QStringList& arguments, valvescope::CommandLine& line) {
    line = valvescope::ReadCommandLine(arguments);
    const bool runs = line.Mode != valvescope::RunMode::Usage &&
                      line.Mode != valvescope::RunMode::Help &&
                      line.Mode != valvescope::RunMode::Version;
    if (!runs || line.DesignFile.isEmpty()) {
        return std::nullopt;
    }
    valvescope::Design design;
    if (const std::optional<int> failed = valvescope::Reported(
            valvescope::RunStep::Reading,
            [&] { design = valvescope::ReadDesignFile(LocalFileName(line.DesignFile)); },
            std::cerr)) {
        return failed;
    }
    line = valvescope::ReadCommandLine(arguments, design);
    return std::nullopt;
}

// A picture of the window: the settings must read, as for an export, and any error box that
// comes up is written to the error output instead of waiting for a person.
int RunWindowShot(const valvescope::CommandLine& line, valvescope::RunInputs inputs) {
    if (const std::optional<int> failed = valvescope::Reported(
            valvescope::RunStep::Drawing, [&] { valvescope::CheckPlotTexts(line.Texts); },
            std::cerr)) {
        return *failed;
    }
    // The window may draw more than once as it comes up; the same box again says nothing new.
    SetErrorBoxPresenter([last = QString()](QWidget*, const ErrorBoxContent& content) mutable {
        if (content.Text != last) {
            std::cerr << content.Text.toStdString() << '\n';
        }
        last = content.Text;
    });
    TSchematicForm SchematicForm;
    valvescope::ApplyCommandLine(SchematicForm, line, std::move(inputs));
    return valvescope::TakeWindowShot(SchematicForm, line.File, std::cerr);
}

} // namespace

int main(int argc, char* argv[]) {
    valvescope::QuietRuntimeFolderNotice();
    valvescope::CommandLine line;
    if (const std::optional<int> failed = ReadLine(Arguments(argc, argv), line)) {
        return *failed;
    }
    if (valvescope::RunsWithoutScreen(line.Mode) &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // Drawing into files and printing readouts work with no display at all.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::optional<valvescope::DisplayCheck> display;
    if (!valvescope::RunsWithoutScreen(line.Mode)) {
        display.emplace();
        if (ReportNoDisplay(*display, line.Mode)) {
            return valvescope::kExitNotWritten;
        }
    }
    QApplication application(argc, argv);
    display.reset(); // Qt has its own connection now
    // The window's class (WM_CLASS "valvescope") and the desktop entry it belongs to, for task
    // bars and window matching; the window's caption stays exactly its own.
    QApplication::setApplicationName(QStringLiteral("valvescope"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.kestrelon.valvescope"));
    QApplication::setApplicationVersion(QStringLiteral(VALVESCOPE_VERSION));
    formats::SetDecimalSeparator(UserDecimalPoint());
    if (valvescope::RunsWithoutScreen(line.Mode)) {
        return valvescope::RunWithoutWindow(line, std::cout, std::cerr);
    }
    // A tube or measurement file that does not read ends the program before the window opens.
    valvescope::RunInputs inputs;
    if (const std::optional<int> failed = valvescope::ReadInputs(line, inputs, std::cerr)) {
        return *failed;
    }
    if (line.Mode == valvescope::RunMode::WindowShot) {
        return RunWindowShot(line, std::move(inputs));
    }
    TSchematicForm SchematicForm;
    valvescope::ApplyCommandLine(SchematicForm, line, std::move(inputs));
    SchematicForm.show();
    return application.exec();
}
