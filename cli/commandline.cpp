#include "cli/commandline.h"

#include "cli/exportoptions.h"
#include "cli/pushpulloptions.h"
#include "cli/tubeoptions.h"
#include "core/page/pictureformat.h"
#include "core/settings/numbertext.h"
#include "core/settings/settingsboxes.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>

namespace valvescope {

namespace {

// The stage's options, for --design and for its marks on an exported plot.
void AddStageOptions(QCommandLineParser& parser) {
    parser.addOption(
        {QStringLiteral("design"),
         QStringLiteral("Print the stage on the settings (quiescent point, small-signal "
                        "values, swing) as text or json. With --export the picture "
                        "also shows its marks, as with --load, --zaa or --drive."),
         QStringLiteral("format")});
    parser.addOption({QStringLiteral("load"),
                      QStringLiteral("The stage's load: resistor (Ra, the default) or transformer "
                                     "(Zaa)."),
                      QStringLiteral("kind")});
    parser.addOption({QStringLiteral("zaa"),
                      QStringLiteral("The transformer's reflected load in ohms."),
                      QStringLiteral("ohms")});
    parser.addOption({QStringLiteral("drive"),
                      QStringLiteral("The peak grid drive in volts (default: the bias, so the grid "
                                     "just reaches 0 V)."),
                      QStringLiteral("volts")});
}

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Draws the plate characteristics of the 807 beam power tube.\n"
                       "Without options it opens the window."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("export"),
                      QStringLiteral("Draw the plot without a window into <file>: PNG, SVG or PDF "
                                     "by its extension."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("readout"),
                      QStringLiteral("Print the status-line readout for the pointer at x,y on the "
                                     "plot (pixels from its top-left corner); may be repeated."),
                      QStringLiteral("x,y")});
    parser.addOption({QStringLiteral("window-shot"),
                      QStringLiteral("Open the window, save a picture of its client area as the "
                                     "PNG <file> and end."),
                      QStringLiteral("file")});
    // One option per settings box, named after the box; the value is typed text.
    for (const SettingsBox& box : kSettingsBoxes) {
        parser.addOption({QString::fromUtf8(box.Option),
                          QStringLiteral("The %1 box's text.").arg(QString::fromUtf8(box.Caption)),
                          QStringLiteral("text")});
    }
    parser.addOption({QStringLiteral("show"),
                      QStringLiteral("The overlay toggles that are down, comma-separated: imax, "
                                     "wp, vmax, rk, load."),
                      QStringLiteral("list")});
    parser.addOption({QStringLiteral("size"),
                      QStringLiteral("The plot surface in pixels (default 462x224)."),
                      QStringLiteral("WxH")});
    parser.addOption({QStringLiteral("open"),
                      QStringLiteral("Start from the design file <file> (its tube, settings, "
                                     "toggles, measurements and stage), for every mode; the other "
                                     "options change what it gives."),
                      QStringLiteral("file")});
    AddStageOptions(parser);
    AddPushPullOptions(parser);
    AddExportOptions(parser);
    AddTubeOptions(parser);
}

// The mode the options ask for; a problem when they ask for more than one.
std::optional<RunMode> ChosenMode(const QCommandLineParser& parser, QString& problem) {
    std::optional<RunMode> mode;
    const std::pair<const char*, RunMode> modes[] = {
        {"export", RunMode::Export},        {"export-spice", RunMode::ExportSpice},
        {"export-csv", RunMode::ExportCsv}, {"print-pdf", RunMode::PrintPdf},
        {"readout", RunMode::Readout},      {"window-shot", RunMode::WindowShot}};
    for (const auto& [name, candidate] : modes) {
        if (!parser.isSet(QString::fromUtf8(name))) {
            continue;
        }
        if (mode) {
            problem = QStringLiteral("Choose one of --export, --export-spice, --export-csv, "
                                     "--print-pdf, --readout and --window-shot.");
            return std::nullopt;
        }
        mode = candidate;
    }
    return mode.value_or(RunMode::Window);
}

// The single value of an option that must not be repeated.
std::optional<QString> SingleValue(const QCommandLineParser& parser, const QString& name,
                                   QString& problem) {
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        problem = QStringLiteral("--%1 is given more than once.").arg(name);
        return std::nullopt;
    }
    return values.value(0);
}

bool ReadSettings(const QCommandLineParser& parser, CommandLine& line) {
    for (const SettingsBox& box : kSettingsBoxes) {
        const QString name = QString::fromUtf8(box.Option);
        if (!parser.isSet(name)) {
            continue;
        }
        const std::optional<QString> value = SingleValue(parser, name, line.Problem);
        if (!value) {
            return false;
        }
        line.Texts.*box.Text = value->toStdString();
    }
    return true;
}

bool ReadShowAndSize(const QCommandLineParser& parser, CommandLine& line) {
    if (parser.isSet(QStringLiteral("show"))) {
        const auto text = SingleValue(parser, QStringLiteral("show"), line.Problem);
        if (!text) {
            return false;
        }
        const std::optional<Overlays> show = ReadOverlayNames(*text);
        if (!show) {
            line.Problem =
                QStringLiteral("--show takes imax, wp, vmax, rk and load, not '%1'.").arg(*text);
            return false;
        }
        line.Show = *show;
    }
    if (parser.isSet(QStringLiteral("size"))) {
        const auto text = SingleValue(parser, QStringLiteral("size"), line.Problem);
        if (!text) {
            return false;
        }
        const std::optional<QSize> size = ReadSurfaceSize(*text);
        if (!size) {
            line.Problem = QStringLiteral("--size takes WxH with sides from 1 to %1, not '%2'.")
                               .arg(kLargestSurfaceSide)
                               .arg(*text);
            return false;
        }
        line.Surface = *size;
        line.SurfaceGiven = true;
    }
    return true;
}

bool ReadPoints(const QCommandLineParser& parser, CommandLine& line) {
    for (const QString& text : parser.values(QStringLiteral("readout"))) {
        const std::optional<PointerPosition> point = ReadPointerPosition(text);
        if (!point) {
            line.Problem =
                QStringLiteral("--readout takes x,y in whole pixels, not '%1'.").arg(text);
            return false;
        }
        line.Points.push_back(*point);
    }
    return true;
}

// A stage number's option: blank is none; a text that does not read is a problem.
bool ReadStageOption(const QCommandLineParser& parser, const QString& name, const QString& unit,
                     std::string& text, QString& problem) {
    if (!parser.isSet(name)) {
        return true;
    }
    const std::optional<QString> value = SingleValue(parser, name, problem);
    if (!value) {
        return false;
    }
    try {
        ReadStageNumber(value->toStdString());
    } catch (const ConversionError&) {
        problem = QStringLiteral("--%1 takes a number of %2, not '%3'.").arg(name, unit, *value);
        return false;
    }
    text = value->toStdString();
    return true;
}

bool ReadStageWords(const QCommandLineParser& parser, CommandLine& line, StageTexts& stage) {
    if (parser.isSet(QStringLiteral("design"))) {
        const auto format = SingleValue(parser, QStringLiteral("design"), line.Problem);
        if (!format) {
            return false;
        }
        if (format->compare(QStringLiteral("text"), Qt::CaseInsensitive) == 0) {
            line.Design = DesignFormat::Text;
        } else if (format->compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0) {
            line.Design = DesignFormat::Json;
        } else {
            line.Problem = QStringLiteral("--design takes text or json, not '%1'.").arg(*format);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("load"))) {
        const auto word = SingleValue(parser, QStringLiteral("load"), line.Problem);
        if (!word) {
            return false;
        }
        const std::optional<LoadKind> load = ReadLoadWord(word->toStdString());
        if (!load) {
            line.Problem =
                QStringLiteral("--load takes resistor or transformer, not '%1'.").arg(*word);
            return false;
        }
        stage.Load = *load;
    }
    return true;
}

// --design alone or with --export or --print-pdf; --load, --zaa and --drive with any of them.
bool ReadStage(const QCommandLineParser& parser, CommandLine& line) {
    const bool design = parser.isSet(QStringLiteral("design"));
    bool stageOptions = false;
    for (const char* name : {"load", "zaa", "drive"}) {
        stageOptions = stageOptions || parser.isSet(QString::fromUtf8(name));
    }
    if (!design && !stageOptions) {
        return true;
    }
    if (line.Mode != RunMode::Window && line.Mode != RunMode::Export &&
        line.Mode != RunMode::PrintPdf) {
        line.Problem = QStringLiteral("--design, --load, --zaa and --drive go alone or with "
                                      "--export or --print-pdf, not with another mode.");
        return false;
    }
    if (line.Mode == RunMode::Window && !design) {
        line.Problem =
            QStringLiteral("--load, --zaa and --drive go with --design, --export or --print-pdf.");
        return false;
    }
    StageTexts stage = line.Start.Stage;
    if (!ReadStageWords(parser, line, stage) ||
        !ReadStageOption(parser, QStringLiteral("zaa"), QStringLiteral("ohms"), stage.Zaa,
                         line.Problem) ||
        !ReadStageOption(parser, QStringLiteral("drive"), QStringLiteral("volts"), stage.Drive,
                         line.Problem)) {
        return false;
    }
    const bool transformer = stage.Load == LoadKind::Transformer;
    if (transformer && IsBlankText(stage.Zaa) && parser.isSet(QStringLiteral("load"))) {
        line.Problem = QStringLiteral("--load transformer needs --zaa.");
        return false;
    }
    if (!transformer && parser.isSet(QStringLiteral("zaa"))) {
        line.Problem = QStringLiteral("--zaa goes with --load transformer.");
        return false;
    }
    if (line.Mode == RunMode::Window) {
        line.Mode = RunMode::Design;
    }
    line.Stage = stage;
    return true;
}

bool ReadFile(const QCommandLineParser& parser, CommandLine& line) {
    const QString name = FileOptionOf(line.Mode).value_or(QString());
    const std::optional<QString> file = SingleValue(parser, name, line.Problem);
    if (!file) {
        return false;
    }
    if (file->isEmpty()) {
        line.Problem = QStringLiteral("--%1 needs a file name.").arg(name);
        return false;
    }
    if (line.Mode != RunMode::Export && line.Mode != RunMode::WindowShot) {
        line.File = *file; // the curve data, SPICE files and the page take any name
        return true;
    }
    const std::optional<PictureFormat> format = PictureFormatOf(file->toStdString());
    if (!format || (line.Mode == RunMode::WindowShot && *format != PictureFormat::Png)) {
        line.Problem = line.Mode == RunMode::Export
                           ? QStringLiteral("'%1' is not a PNG, SVG or PDF file name.").arg(*file)
                           : QStringLiteral("'%1' is not a PNG file name.").arg(*file);
        return false;
    }
    line.File = *file;
    return true;
}

bool ReadAll(const QCommandLineParser& parser, CommandLine& line) {
    if (!parser.positionalArguments().isEmpty()) {
        line.Problem = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
        return false;
    }
    const std::optional<RunMode> mode = ChosenMode(parser, line.Problem);
    if (!mode) {
        return false;
    }
    line.Mode = *mode;
    if (parser.isSet(QStringLiteral("open"))) {
        const std::optional<QString> file =
            SingleValue(parser, QStringLiteral("open"), line.Problem);
        if (!file) {
            return false;
        }
        if (file->isEmpty()) {
            line.Problem = QStringLiteral("--open needs a file name.");
            return false;
        }
        line.DesignFile = *file;
    }
    if (!ReadSettings(parser, line) || !ReadShowAndSize(parser, line) ||
        !ReadPoints(parser, line) || !ReadStage(parser, line) || !ReadExportOptions(parser, line) ||
        !ReadTubeOptions(parser, line) || !ReadPushPullOptions(parser, line)) {
        return false;
    }
    if (FileOptionOf(line.Mode)) {
        return ReadFile(parser, line);
    }
    return true;
}

} // namespace

CommandLine ReadCommandLine(const QStringList& arguments, const Design& start) {
    QCommandLineParser parser;
    AddOptions(parser);
    CommandLine line;
    line.Start = start;
    line.Texts = start.Texts;
    line.Show = start.Show;
    if (!parser.parse(arguments)) {
        line.Mode = RunMode::Usage;
        line.Problem = parser.errorText();
        return line;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        line.Mode = RunMode::Help;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.Mode = RunMode::Version;
        return line;
    }
    if (!ReadAll(parser, line)) {
        line.Mode = RunMode::Usage;
    }
    return line;
}

QString UsageText() {
    QCommandLineParser parser;
    AddOptions(parser);
    return parser.helpText();
}

std::optional<QSize> ReadSurfaceSize(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    auto fits = [](int side) { return side >= 1 && side <= kLargestSurfaceSide; };
    if (!fits(width) || !fits(height)) {
        return std::nullopt;
    }
    return QSize(width, height);
}

std::optional<Overlays> ReadOverlayNames(const QString& text) {
    Overlays overlays;
    if (text.isEmpty()) {
        return overlays;
    }
    const std::pair<const char*, bool Overlays::*> names[] = {{"imax", &Overlays::Imax},
                                                              {"wp", &Overlays::Wp},
                                                              {"vmax", &Overlays::Vmax},
                                                              {"rk", &Overlays::Rk},
                                                              {"load", &Overlays::LoadLine}};
    for (const QString& word : text.split(u',')) {
        bool known = false;
        for (const auto& [name, toggle] : names) {
            if (word.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0) {
                overlays.*toggle = true;
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    return overlays;
}

std::optional<PointerPosition> ReadPointerPosition(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(-?[0-9]{1,6}),(-?[0-9]{1,6})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return PointerPosition{match.captured(1).toInt(), match.captured(2).toInt()};
}

std::optional<QString> FileOptionOf(RunMode mode) {
    switch (mode) {
    case RunMode::Export:
        return QStringLiteral("export");
    case RunMode::WindowShot:
        return QStringLiteral("window-shot");
    case RunMode::ExportSpice:
        return QStringLiteral("export-spice");
    case RunMode::ExportCsv:
        return QStringLiteral("export-csv");
    case RunMode::PrintPdf:
        return QStringLiteral("print-pdf");
    case RunMode::Window:
    case RunMode::Design:
    case RunMode::Fit:
    case RunMode::Readout:
    case RunMode::Help:
    case RunMode::Version:
    case RunMode::Usage:
        break;
    }
    return std::nullopt;
}

bool RunsWithoutScreen(RunMode mode) {
    return mode != RunMode::Window && mode != RunMode::WindowShot;
}

} // namespace valvescope
