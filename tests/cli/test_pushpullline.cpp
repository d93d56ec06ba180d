// The push-pull stage on the command line: its options read and checked word for word, the
// pair's JSON as it is laid out, the second tube by name or file, and its exit codes.
#include "cli/commandline.h"
#include "tests/support/programrun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using valvescope::CommandLine;
using valvescope::PushPullBias;
using valvescope::RunMode;

namespace {

CommandLine Read(QStringList arguments) {
    arguments.prepend(QStringLiteral("valvescope"));
    return valvescope::ReadCommandLine(arguments);
}

QStringList Pair(QStringList more) {
    return QStringList{"--design", "json", "--stage", "push-pull", "--raa", "6600"} + more;
}

QJsonObject Json(const Run& run) {
    return QJsonDocument::fromJson(run.Out).object();
}

QStringList Keys(const QJsonObject& object) {
    return object.keys(); // sorted, as QJsonObject keeps them
}

} // namespace

class TestPushPullLine : public QObject {
    Q_OBJECT

private slots:
    void OptionsAreRead();
    void ProblemsWordForWord();
    void TheJsonHasEveryKey();
    void TheSecondTubeByNameOrFile();
    void ExitCodes();
    void TheSingleEndedStageIsUnchanged();
    void AnOpenedPushPullDesignIsThePair();

private:
    QTemporaryDir dir_;
};

void TestPushPullLine::OptionsAreRead() {
    const CommandLine fixed =
        Read(Pair({"--bias", "fixed", "--vg", "-30,5", "--drive", "20", "--ul", "0.43",
                   "--sweep-drive", "5", "--tube-b", "EL34"}));
    QCOMPARE(fixed.Mode, RunMode::Design);
    QVERIFY(fixed.PushPull.has_value());
    QCOMPARE(fixed.PushPull->Raa, 6600.0);
    QCOMPARE(fixed.PushPull->Bias, PushPullBias::Fixed);
    QCOMPARE(fixed.PushPull->Vg, -30.5);
    QCOMPARE(fixed.PushPull->Drive.value_or(-1), 20.0);
    QCOMPARE(fixed.PushPull->Tap.value_or(-1), 0.43);
    QCOMPARE(fixed.PushPull->SweepPoints, 5);
    QCOMPARE(fixed.TubeB, QStringLiteral("EL34"));
    // --vg alone is fixed bias; neither, the Rk box's cathode bias.
    QCOMPARE(Read(Pair({"--vg", "-30"})).PushPull->Bias, PushPullBias::Fixed);
    const CommandLine cathode = Read(Pair({"--triode-connected"}));
    QCOMPARE(cathode.PushPull->Bias, PushPullBias::Cathode);
    QVERIFY(cathode.PushPull->TriodeConnected);
    QVERIFY(!cathode.PushPull->Drive);
    QCOMPARE(Read(Pair({"--screen-v", "250"})).PushPull->ScreenVolts.value_or(0), 250.0);
    QVERIFY(!Read({"--design", "json", "--stage", "single-ended"}).PushPull);
}

void TestPushPullLine::ProblemsWordForWord() {
    const std::pair<QStringList, const char*> cases[] = {
        {{"--design", "json", "--stage", "pushpull"},
         "--stage takes single-ended or push-pull, not 'pushpull'."},
        {Pair({"--bias", "grid"}), "--bias takes fixed or cathode, not 'grid'."},
        {Pair({"--bias", "fixed"}), "--bias fixed needs --vg."},
        {Pair({"--bias", "cathode", "--vg", "-30"}), "--vg goes with --bias fixed."},
        {{"--design", "json", "--stage", "push-pull"}, "--stage push-pull needs --raa."},
        {Pair({"--ul", "0.4", "--triode-connected"}),
         "Choose one of --screen-v, --ul and --triode-connected."},
        {Pair({"--raa", "5000"}), "--raa is given more than once."},
        {Pair({"--vg", "abc"}), "--vg takes a number of volts, not 'abc'."},
        {Pair({"--sweep-drive", "0"}),
         "--sweep-drive takes a whole number of drives from 1 to 10000, not '0'."},
        {Pair({"--load", "transformer", "--zaa", "5000"}),
         "--load and --zaa go with --stage single-ended."},
        {{"--design", "json", "--raa", "6600"}, "--raa goes with --stage push-pull."},
        {{"--stage", "push-pull", "--raa", "6600"}, "--stage push-pull goes with --design alone."},
    };
    for (const auto& [arguments, problem] : cases) {
        const CommandLine line = Read(arguments);
        QCOMPARE(line.Mode, RunMode::Usage);
        QCOMPARE(line.Problem, QString::fromUtf8(problem));
    }
}

void TestPushPullLine::TheJsonHasEveryKey() {
    const Run run = RunProgram(Pair({"--bplus", "400", "--vg", "-60", "--sweep-drive", "3"}));
    QCOMPARE(run.Code, 0);
    const QJsonObject stage = Json(run);
    QCOMPARE(Keys(stage), (QStringList{"bias", "quiescent", "raa", "stage", "sweep", "swing"}));
    QCOMPARE(stage["stage"].toString(), QStringLiteral("push-pull"));
    QCOMPARE(stage["raa"].toDouble(), 6600.0);
    const QJsonObject bias = stage["bias"].toObject();
    QCOMPARE(bias["kind"].toString(), QStringLiteral("fixed"));
    QCOMPARE(bias["vg"].toDouble(), -60.0);
    const QJsonObject rest = stage["quiescent"].toObject();
    QCOMPARE(rest["tubes"].toArray().size(), 2);
    const QJsonObject tube = rest["tubes"].toArray()[0].toObject();
    QCOMPARE(Keys(tube), (QStringList{"ip", "is", "p", "ps", "ratings", "vp", "vs"}));
    QCOMPARE(Keys(tube["ratings"].toObject()), (QStringList{"ip", "p", "ps", "vp"}));
    QVERIFY(tube["ratings"].toObject()["ps"].isNull()); // the 807 rates no screen
    QCOMPARE(tube["vp"].toDouble(), 400.0);
    const QJsonObject swing = stage["swing"].toObject();
    QCOMPARE(Keys(swing), (QStringList{"class", "drive", "efficiency", "gridPositive", "harmonics",
                                       "imbalance", "power", "supply", "thd", "tubes", "vk"}));
    QCOMPARE(swing["class"].toString(), QStringLiteral("AB"));
    QCOMPARE(swing["drive"].toDouble(), 60.0);
    QCOMPARE(swing["harmonics"].toArray().size(), 9);
    QCOMPARE(Keys(swing["tubes"].toArray()[1].toObject()),
             (QStringList{"cutoff", "ipAverage", "ipMax", "ipMin", "p", "ps"}));
    const QJsonArray sweep = stage["sweep"].toArray();
    QCOMPARE(sweep.size(), 3);
    QCOMPARE(sweep[0].toObject()["drive"].toDouble(), 20.0);
    QCOMPARE(sweep[2].toObject()["power"].toDouble(), swing["power"].toDouble());
    // Numbers with all their digits.
    QVERIFY(run.Out.contains("\"power\": 11.00"));
    QVERIFY(!Json(RunProgram(Pair({"--vg", "-30"}))).contains(QStringLiteral("sweep")));
}

void TestPushPullLine::TheSecondTubeByNameOrFile() {
    const QString file = dir_.filePath(QStringLiteral("hot.json"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(R"({"format": 1, "name": "807 hot", "constants": {"MuExponent": 0.253,
        "ExponentSlope": 99.1, "GridDecade": 31.1, "KneeFactor": 300, "MuZero": 8.7,
        "Perveance": 6.27e-05, "LawExponent": 1.48}, "ratings": {"Imax": 0.12, "Vmax": 475,
        "Pmax": 25}})");
    out.close();
    const QJsonObject swing =
        Json(RunProgram(Pair({"--vg", "-30", "--tube-b", file})))["swing"].toObject();
    QVERIFY(swing["imbalance"].toDouble() < -1e-3);
    const Run named = RunProgram(Pair({"--vg", "-30", "--tube-b", "el34", "--screen-v", "300"}));
    QCOMPARE(named.Code, 0);
    const QJsonObject second = Json(named)["quiescent"].toObject()["tubes"].toArray()[1].toObject();
    QCOMPARE(second["vs"].toDouble(), 300.0);
    QCOMPARE(second["ratings"].toObject()["ps"].toDouble(), 0.0); // no screen current at -30 V
}

void TestPushPullLine::ExitCodes() {
    const Run noLoad =
        RunProgram({"--design", "json", "--stage", "push-pull", "--raa", "0", "--vg", "-30"});
    QCOMPARE(noLoad.Code, 1);
    QCOMPARE(noLoad.Err, QByteArray("Raa must be a finite resistance above 0 ohm.\n"));
    const Run tap = RunProgram(Pair({"--ul", "1.5"}));
    QCOMPARE(tap.Code, 1);
    QCOMPARE(tap.Err, QByteArray("The ultralinear tap must be between 0 and 1.\n"));
    QCOMPARE(RunProgram(Pair({"--bias", "fixed"})).Code, 2);
    QCOMPARE(RunProgram(Pair({"--tube-b", dir_.filePath(QStringLiteral("none.json"))})).Code, 2);
    QCOMPARE(RunProgram(Pair({"--bplus", "0"})).Code, 1);
    const Run text =
        RunProgram({"--design", "text", "--stage", "push-pull", "--raa", "6600", "--vg", "-30"});
    QCOMPARE(text.Code, 0);
    QVERIFY(text.Out.startsWith("807 push-pull pair\n"));
    QVERIFY(text.Out.contains("class A\n"));
}

void TestPushPullLine::TheSingleEndedStageIsUnchanged() {
    const Run before = RunProgram({"--design", "json", "--rk", "300"});
    const Run named = RunProgram({"--design", "json", "--rk", "300", "--stage", "single-ended"});
    QCOMPARE(before.Code, 0);
    QCOMPARE(named.Out, before.Out);
    QVERIFY(before.Out.contains("\"load\": \"resistor\""));
}

void TestPushPullLine::AnOpenedPushPullDesignIsThePair() {
    valvescope::Design design;
    design.Stage.Kind = valvescope::StageKind::PushPull;
    design.Stage.PushPull.Raa = "5000";
    design.Stage.PushPull.Vg = "-40";
    design.Stage.PushPull.TubeB = "6L6GC";
    const QStringList design_json{"valvescope", "--design", "json"};
    const CommandLine opened = valvescope::ReadCommandLine(design_json, design);
    QVERIFY2(opened.Problem.isEmpty(), qPrintable(opened.Problem));
    QVERIFY(opened.PushPull.has_value());
    QCOMPARE(opened.PushPull->Raa, 5000.0);
    QCOMPARE(opened.PushPull->Bias, PushPullBias::Fixed);
    QCOMPARE(opened.PushPull->Vg, -40.0);
    QCOMPARE(opened.TubeB, QStringLiteral("6L6GC"));
    // --drive still tells; the single-ended stage's options make the stage single-ended.
    QCOMPARE(valvescope::ReadCommandLine(design_json + QStringList{"--drive", "12"}, design)
                 .PushPull->Drive.value_or(0),
             12.0);
    QVERIFY(!valvescope::ReadCommandLine(design_json + QStringList{"--load", "resistor"}, design)
                 .PushPull);
    // A pair whose texts do not read is a problem of the command line.
    design.Stage.PushPull.Raa = "6k6";
    QCOMPARE(valvescope::ReadCommandLine(design_json, design).Problem,
             QStringLiteral("The design's push-pull stage does not read: Raa: '6k6' is not a "
                            "valid floating point value."));
}

QTEST_GUILESS_MAIN(TestPushPullLine)
#include "test_pushpullline.moc"
