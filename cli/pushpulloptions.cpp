#include "cli/pushpulloptions.h"

#include "core/design/pushpulltexts.h"
#include "core/design/stagetexts.h"
#include "core/settings/numbertext.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>

namespace valvescope {

namespace {

constexpr int kMostSweepDrives = 10000;

// The one value of an option given at most once; none when it is not given.
bool SingleValue(const QCommandLineParser& parser, const char* option,
                 std::optional<QString>& value, QString& problem) {
    const QString name = QString::fromUtf8(option);
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        problem = QStringLiteral("--%1 is given more than once.").arg(name);
        return false;
    }
    value = values.isEmpty() ? std::nullopt : std::optional<QString>(values.front());
    return true;
}

// A number of an option given at most once, a comma as good as a point.
bool NumberOption(const QCommandLineParser& parser, const char* option, const char* unit,
                  std::optional<double>& number, QString& problem) {
    std::optional<QString> text;
    if (!SingleValue(parser, option, text, problem))
        return false;
    if (!text)
        return true;
    try {
        number = ReadStageNumber(text->toStdString());
    } catch (const ConversionError&) {
        number.reset();
    }
    if (!number) {
        problem = QStringLiteral("--%1 takes a number of %2, not '%3'.")
                      .arg(QString::fromUtf8(option), QString::fromUtf8(unit), *text);
        return false;
    }
    return true;
}

bool ReadBias(const QCommandLineParser& parser, CommandLine& line, PushPullChoices& choices) {
    std::optional<QString> word;
    std::optional<double> vg;
    if (!SingleValue(parser, "bias", word, line.Problem) ||
        !NumberOption(parser, "vg", "volts", vg, line.Problem))
        return false;
    if (word) {
        // The words the design file keeps.
        const std::optional<PushPullBias> bias = ReadPushPullBiasWord(word->toStdString());
        if (!bias) {
            line.Problem = QStringLiteral("--bias takes fixed or cathode, not '%1'.").arg(*word);
            return false;
        }
        choices.Bias = *bias;
    } else {
        choices.Bias = vg ? PushPullBias::Fixed : PushPullBias::Cathode;
    }
    if (choices.Bias == PushPullBias::Fixed && !vg) {
        line.Problem = QStringLiteral("--bias fixed needs --vg.");
        return false;
    }
    if (choices.Bias == PushPullBias::Cathode && vg) {
        line.Problem = QStringLiteral("--vg goes with --bias fixed.");
        return false;
    }
    choices.Vg = vg.value_or(0);
    return true;
}

bool ReadSweep(const QCommandLineParser& parser, CommandLine& line, PushPullChoices& choices) {
    std::optional<QString> text;
    if (!SingleValue(parser, "sweep-drive", text, line.Problem))
        return false;
    if (!text)
        return true;
    bool whole = false;
    const int count = text->toInt(&whole);
    if (!whole || count < 1 || count > kMostSweepDrives) {
        line.Problem = QStringLiteral("--sweep-drive takes a whole number of drives from 1 to "
                                      "%1, not '%2'.")
                           .arg(kMostSweepDrives)
                           .arg(*text);
        return false;
    }
    choices.SweepPoints = count;
    return true;
}

// The push-pull stage's own options, given --stage push-pull.
bool ReadPair(const QCommandLineParser& parser, CommandLine& line) {
    if (line.Mode != RunMode::Design) {
        line.Problem = QStringLiteral("--stage push-pull goes with --design alone.");
        return false;
    }
    if (parser.isSet(QStringLiteral("load")) || parser.isSet(QStringLiteral("zaa"))) {
        line.Problem = QStringLiteral("--load and --zaa go with --stage single-ended.");
        return false;
    }
    const int screens = (line.ScreenVolts ? 1 : 0) + (parser.isSet(QStringLiteral("ul")) ? 1 : 0) +
                        (line.TriodeConnected ? 1 : 0);
    if (screens > 1) {
        line.Problem = QStringLiteral("Choose one of --screen-v, --ul and --triode-connected.");
        return false;
    }
    PushPullChoices choices;
    std::optional<double> raa;
    std::optional<QString> tubeB;
    if (!NumberOption(parser, "raa", "ohms", raa, line.Problem) ||
        !NumberOption(parser, "ul", "the half-primary", choices.Tap, line.Problem) ||
        !ReadBias(parser, line, choices) || !ReadSweep(parser, line, choices) ||
        !SingleValue(parser, "tube-b", tubeB, line.Problem))
        return false;
    if (!raa) {
        line.Problem = QStringLiteral("--stage push-pull needs --raa.");
        return false;
    }
    if (tubeB && tubeB->isEmpty()) {
        line.Problem = QStringLiteral("--tube-b needs a library tube's name or a file name.");
        return false;
    }
    choices.Raa = *raa;
    choices.ScreenVolts = line.ScreenVolts;
    choices.TriodeConnected = line.TriodeConnected;
    // The drive's text was read with the stage's options.
    choices.Drive = ReadStageNumber(line.Stage.value_or(StageTexts{}).Drive);
    line.TubeB = tubeB.value_or(QString());
    line.PushPull = choices;
    return true;
}

// The options that say which pair, or that the stage is single-ended.
constexpr const char* kStageOptions[] = {"raa",    "bias",        "vg",   "ul",
                                         "tube-b", "sweep-drive", "load", "zaa"};

// --design on an opened push-pull design without options of its own: the pair as the design
// keeps it, the drive of --drive where given.
bool TakeDesignsPair(const QCommandLineParser& parser, CommandLine& line) {
    const PushPullTexts& texts = line.Start.Stage.PushPull;
    try {
        line.PushPull = PushPullChoicesOf(texts, 0);
        if (parser.isSet(QStringLiteral("drive")))
            line.PushPull->Drive = ReadStageNumber(line.Stage.value_or(StageTexts{}).Drive);
    } catch (const std::exception& error) {
        line.PushPull.reset();
        line.Problem = QStringLiteral("The design's push-pull stage does not read: %1.")
                           .arg(QString::fromUtf8(error.what()));
        return false;
    }
    line.TubeB = QString::fromStdString(texts.TubeB);
    return true;
}

} // namespace

void AddPushPullOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("stage"),
                      QStringLiteral("The stage --design prints: single-ended (the default) or "
                                     "push-pull."),
                      QStringLiteral("kind")});
    parser.addOption({QStringLiteral("raa"),
                      QStringLiteral("Push-pull: the plate-to-plate load in ohms."),
                      QStringLiteral("ohms")});
    parser.addOption({QStringLiteral("bias"),
                      QStringLiteral("Push-pull: fixed (the grids at --vg) or cathode (a shared "
                                     "bypassed Rk, the default without --vg)."),
                      QStringLiteral("kind")});
    parser.addOption({QStringLiteral("vg"),
                      QStringLiteral("Push-pull, fixed bias: the grid voltage at rest."),
                      QStringLiteral("volts")});
    parser.addOption({QStringLiteral("ul"),
                      QStringLiteral("Push-pull: ultralinear, the screens at this tap (0 to 1) of "
                                     "each half-primary."),
                      QStringLiteral("tap")});
    parser.addOption({QStringLiteral("tube-b"),
                      QStringLiteral("Push-pull: the second tube, a library tube's name or a tube "
                                     "file (default: the first tube again)."),
                      QStringLiteral("name|file")});
    parser.addOption({QStringLiteral("sweep-drive"),
                      QStringLiteral("Push-pull: also the power and THD at N drives up to the "
                                     "stage's."),
                      QStringLiteral("N")});
}

bool ReadPushPullOptions(const QCommandLineParser& parser, CommandLine& line) {
    // --screen-v and --triode-connected are read with the tube's options (cli/tubeoptions).
    std::optional<QString> stage;
    if (!SingleValue(parser, "stage", stage, line.Problem))
        return false;
    if (stage && stage->compare(QStringLiteral("push-pull"), Qt::CaseInsensitive) == 0)
        return ReadPair(parser, line);
    const bool ownOptions = std::any_of(
        std::begin(kStageOptions), std::end(kStageOptions),
        [&parser](const char* option) { return parser.isSet(QString::fromUtf8(option)); });
    if (!stage && !ownOptions && line.Mode == RunMode::Design &&
        line.Start.Stage.Kind == StageKind::PushPull)
        return TakeDesignsPair(parser, line);
    if (stage && stage->compare(QStringLiteral("single-ended"), Qt::CaseInsensitive) != 0) {
        line.Problem =
            QStringLiteral("--stage takes single-ended or push-pull, not '%1'.").arg(*stage);
        return false;
    }
    for (const char* option : {"raa", "bias", "vg", "ul", "tube-b", "sweep-drive"}) {
        if (parser.isSet(QString::fromUtf8(option))) {
            line.Problem =
                QStringLiteral("--%1 goes with --stage push-pull.").arg(QString::fromUtf8(option));
            return false;
        }
    }
    return true;
}

} // namespace valvescope
