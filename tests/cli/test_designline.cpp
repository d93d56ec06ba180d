// The stage on the command line: --design with --load, --zaa and --drive read and checked, the
// analysis printed, its exit codes, and the stage's marks in an exported picture.
#include "cli/commandline.h"
#include "tests/support/programrun.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using valvescope::CommandLine;
using valvescope::DesignFormat;
using valvescope::LoadKind;
using valvescope::RunMode;

namespace {

CommandLine Read(QStringList arguments) {
    arguments.prepend(QStringLiteral("valvescope"));
    return valvescope::ReadCommandLine(arguments);
}

int CountPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

const QRgb kTeal = qRgb(0x00, 0x80, 0x80);  // the stage's dots
const QRgb kOlive = qRgb(0x80, 0x80, 0x00); // its DC load line
const QRgb kDarkGreen = qRgb(0x00, 0x64, 0x00);

} // namespace

class TestDesignLine : public QObject {
    Q_OBJECT

private slots:
    void StageOptionsAreRead();
    void StageProblemsWordForWord();
    void DesignPrintsTheAnalysis();
    void DesignExitCodes();
    void ExportDrawsTheStagesMarks();

private:
    QTemporaryDir dir_;
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
};

void TestDesignLine::StageOptionsAreRead() {
    const CommandLine alone = Read({"--design", "json"});
    QCOMPARE(alone.Mode, RunMode::Design);
    QCOMPARE(alone.Design, DesignFormat::Json);
    QVERIFY(alone.Stage);
    QCOMPARE(alone.Stage->Load, LoadKind::Resistor);
    QVERIFY(alone.Stage->Zaa.empty() && alone.Stage->Drive.empty());

    const CommandLine full = Read({"--export", "p.png", "--design", "Text", "--load", "Transformer",
                                   "--zaa", "6600", "--drive", "12,5", "--bplus", "350"});
    QCOMPARE(full.Mode, RunMode::Export);
    QCOMPARE(full.Design, DesignFormat::Text);
    QCOMPARE(full.Stage->Load, LoadKind::Transformer);
    QCOMPARE(full.Stage->Zaa, std::string("6600"));
    QCOMPARE(full.Stage->Drive, std::string("12,5")); // as typed: read as the boxes read
    QCOMPARE(full.Texts.BPlus, std::string("350"));

    // The stage options alone put the marks into an export, without printing.
    const CommandLine marks = Read({"--export", "p.png", "--drive", "5"});
    QCOMPARE(marks.Mode, RunMode::Export);
    QVERIFY(!marks.Design);
    QCOMPARE(marks.Stage->Drive, std::string("5"));
    QVERIFY(!Read({"--export", "p.png"}).Stage);
}

void TestDesignLine::StageProblemsWordForWord() {
    const std::pair<QStringList, const char*> problems[] = {
        {{"--design", "xml"}, "--design takes text or json, not 'xml'."},
        {{"--design", "text", "--design", "json"}, "--design is given more than once."},
        {{"--design", "text", "--load", "choke"},
         "--load takes resistor or transformer, not 'choke'."},
        {{"--design", "text", "--load", "transformer", "--zaa", "5k"},
         "--zaa takes a number of ohms, not '5k'."},
        {{"--design", "text", "--drive", "lots"}, "--drive takes a number of volts, not 'lots'."},
        {{"--design", "text", "--load", "transformer"}, "--load transformer needs --zaa."},
        {{"--design", "text", "--load", "transformer", "--zaa", " "},
         "--load transformer needs --zaa."},
        {{"--design", "text", "--zaa", "5000"}, "--zaa goes with --load transformer."},
        {{"--load", "resistor"},
         "--load, --zaa and --drive go with --design, --export or --print-pdf."},
        {{"--readout", "1,1", "--design", "text"},
         "--design, --load, --zaa and --drive go alone or with --export or --print-pdf, not with "
         "another mode."},
        {{"--window-shot", "w.png", "--drive", "3"},
         "--design, --load, --zaa and --drive go alone or with --export or --print-pdf, not with "
         "another mode."},
        {{"--export-csv", "c.csv", "--load", "resistor"},
         "--design, --load, --zaa and --drive go alone or with --export or --print-pdf, not with "
         "another mode."}};
    for (const auto& [arguments, problem] : problems) {
        const CommandLine line = Read(arguments);
        QVERIFY2(line.Mode == RunMode::Usage, qPrintable(arguments.join(' ')));
        QCOMPARE(line.Problem, QString::fromUtf8(problem));
    }
    const Run run = RunProgram({"--design", "text", "--zaa", "x", "--load", "transformer"});
    QCOMPARE(run.Code, 2);
    QCOMPARE(run.Err, QByteArray("valvescope: --zaa takes a number of ohms, not 'x'.\n"
                                 "Try 'valvescope --help' for the options.\n"));
    QVERIFY(run.Out.isEmpty());
}

void TestDesignLine::DesignPrintsTheAnalysis() {
    const Run json = RunProgram({"--design", "json"});
    QCOMPARE(json.Code, 0);
    QCOMPARE(json.Err, QByteArray());
    const QJsonObject j = QJsonDocument::fromJson(json.Out).object();
    QCOMPARE(j["load"].toString(), QStringLiteral("resistor"));
    QCOMPARE(j["quiescent"]["Ip"].toDouble(), 0.037817763396050676);
    QCOMPARE(j["swing"]["drive"].toDouble(), 22.312480403669898);
    QCOMPARE(j["swing"]["harmonics"].toArray().size(), 9);
    QVERIFY(j["swing"]["efficiency"].isNull());

    // The settings' own options, a comma for a point, and the stage's.
    const Run transformer = RunProgram({"--design", "json", "--bplus", "300", "--rk", "300,0",
                                        "--load", "transformer", "--zaa", "5000", "--drive", "10"});
    QCOMPARE(transformer.Code, 0);
    const QJsonObject t = QJsonDocument::fromJson(transformer.Out).object();
    QCOMPARE(t["load"].toString(), QStringLiteral("transformer"));
    QCOMPARE(t["swing"]["drive"].toDouble(), 10.0);
    QVERIFY(t["swing"]["efficiency"].toDouble() > 0);
    // The plate at rest: B+ less the cathode's drop, for a transformer of no resistance.
    QCOMPARE(t["quiescent"]["Vp"].toDouble(), 300 - t["quiescent"]["Vk"].toDouble());

    const Run text = RunProgram({"--design", "text"});
    QCOMPARE(text.Code, 0);
    QVERIFY2(text.Out.startsWith("807 single-ended stage, resistor load\n"), text.Out.constData());
    QVERIFY(text.Out.contains("Quiescent point\n") && text.Out.contains("THD "));
    QVERIFY(text.Out.endsWith("\n"));
}

void TestDesignLine::DesignExitCodes() {
    const struct {
        QStringList Arguments;
        int Code;
        const char* Err;
    } cases[] = {
        {{"--bplus", "4x0"}, 2, "'4x0' is not a valid floating point value.\n"},
        {{"--bplus", "0"}, 1, "B+ is blank or zero: no stage to analyse\n"},
        {{"--bplus", "-400"}, 1, "B+ must be a finite voltage above 0 V.\n"},
        {{"--drive", "-1"}, 1, "The drive must be a finite voltage of 0 V or more.\n"},
        {{"--load", "transformer", "--zaa", "-5"},
         1,
         "Zaa must be a finite impedance above 0 ohm.\n"},
    };
    for (const auto& c : cases) {
        const Run run = RunProgram(QStringList{"--design", "json"} + c.Arguments);
        QVERIFY2(run.Code == c.Code, qPrintable(c.Arguments.join(' ')));
        QCOMPARE(run.Err, QByteArray(c.Err));
        QVERIFY(run.Out.isEmpty());
    }
}

void TestDesignLine::ExportDrawsTheStagesMarks() {
    const Run plain = RunProgram({"--export", Path("plain.png")});
    QCOMPARE(plain.Code, 0);
    const QImage plainImage(Path("plain.png"));
    QCOMPARE(CountPixels(plainImage, kTeal), 0);
    QCOMPARE(CountPixels(plainImage, kOlive), 0);
    QCOMPARE(CountPixels(plainImage, kDarkGreen), 0);

    const Run marked = RunProgram({"--export", Path("marked.png"), "--load", "transformer", "--zaa",
                                   "5000", "--show", "load"});
    QCOMPARE(marked.Code, 0);
    QCOMPARE(marked.Out + marked.Err, QByteArray());
    const QImage image(Path("marked.png"));
    QVERIFY(CountPixels(image, kTeal) > 40);       // the three dots
    QVERIFY(CountPixels(image, kDarkGreen) > 200); // a line across the plot
    QVERIFY(CountPixels(image, kOlive) > 100);     // the DC line rising from B+

    // With --design the analysis is printed after the picture is written.
    const Run both = RunProgram({"--export", Path("both.svg"), "--design", "json"});
    QCOMPARE(both.Code, 0);
    QVERIFY(QFile::exists(Path("both.svg")));
    QCOMPARE(QJsonDocument::fromJson(both.Out)["load"].toString(), QStringLiteral("resistor"));

    // A stage without an answer writes nothing.
    const Run failed = RunProgram({"--export", Path("none.png"), "--drive", "-3"});
    QCOMPARE(failed.Code, 1);
    QCOMPARE(failed.Err, QByteArray("The drive must be a finite voltage of 0 V or more.\n"));
    QVERIFY(!QFile::exists(Path("none.png")));
}

QTEST_GUILESS_MAIN(TestDesignLine)
#include "test_designline.moc"
