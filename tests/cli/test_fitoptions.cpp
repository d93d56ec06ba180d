// The model fits on the command line (--fit given several times, --model, --compare-models,
// --psmax) and --tube with a library name, run with the program.
#include "cli/commandline.h"
#include "core/tube/library.h"
#include "core/tube/tubefile.h"
#include "tests/support/programrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>

using tubemath::ModelKind;
using valvescope::RunMode;

namespace {

valvescope::CommandLine Read(QStringList arguments) {
    arguments.prepend(QStringLiteral("valvescope"));
    return valvescope::ReadCommandLine(arguments);
}

QString Sample(const char* name) {
    return QStringLiteral(VALVESCOPE_SAMPLE_DATA "/") + QString::fromUtf8(name);
}

bool HaveEf80() {
    return QFile::exists(Sample("EF80_200.utd")) && QFile::exists(Sample("EF80_250.utd")) &&
           QFile::exists(Sample("EF80_300.utd"));
}

QJsonDocument Parsed(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "not JSON:" << text;
    }
    return document;
}

} // namespace

class TestFitOptions : public QObject {
    Q_OBJECT

private slots:
    void theFitOptionsAreRead();
    void fitOptionsThatDoNotGoTogetherAreUsageProblems();
    void twoFilesFittedWithDerkeGiveTheFitsKeys();
    void aSavedModelFitIsFormatTwoWithTheGivenRatings();
    void modelsAreComparedBestFirstAndReachTheirBestKnownFits();
    void aScreenGridModelOnFilesWithoutScreenVoltagesIsRefused();
    void aLibraryNameIsATubeAndAFileOfThatNameComesFirst();

private:
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir_;
};

void TestFitOptions::theFitOptionsAreRead() {
    const valvescope::CommandLine line =
        Read({"--fit", "a.utd", "--fit", "b.utd", "--model", "derke", "--psmax", "0,7"});
    QCOMPARE(line.Mode, RunMode::Fit);
    QCOMPARE(line.FitFiles, (QStringList{"a.utd", "b.utd"}));
    QCOMPARE(line.FitWith.Kind, ModelKind::DerkE);
    QVERIFY(!line.FitWith.TriodeConnected);
    QCOMPARE(line.GivenRatings.Psmax, std::optional<double>(0.7));
    QVERIFY(!line.CompareModels);
    // The seed unless asked; a screen-grid model may be fitted strapped.
    QCOMPARE(Read({"--fit", "a"}).FitWith.Kind, ModelKind::Seed);
    const valvescope::CommandLine strapped =
        Read({"--fit", "a", "--model", "derk triode-connected"});
    QCOMPARE(strapped.FitWith.Kind, ModelKind::Derk);
    QVERIFY(strapped.FitWith.TriodeConnected);
    QVERIFY(Read({"--fit", "a", "--compare-models"}).CompareModels);
    QCOMPARE(Read({"--tube", "EL34", "--design", "text"}).TubeFile, QStringLiteral("EL34"));
}

void TestFitOptions::fitOptionsThatDoNotGoTogetherAreUsageProblems() {
    const std::pair<QStringList, const char*> problems[] = {
        {{"--fit", "a", "--model", "korentriode"},
         "--model takes seed, koren-triode, koren-pentode, derk or derke (a screen-grid one may "
         "add ' triode-connected'), not 'korentriode'."},
        {{"--fit", "a", "--model", "koren-triode triode-connected"},
         "--model takes seed, koren-triode, koren-pentode, derk or derke (a screen-grid one may "
         "add ' triode-connected'), not 'koren-triode triode-connected'."},
        {{"--model", "derk"}, "--model needs --fit."},
        {{"--model", "derk", "--export", "p.png"}, "--model needs --fit."},
        {{"--compare-models"}, "--compare-models needs --fit."},
        {{"--fit", "a", "--compare-models", "--model", "derk"},
         "--compare-models fits every model that suits the files: leave out --model."},
        {{"--fit", "a", "--compare-models", "--save-tube", "t.json"},
         "--save-tube goes with --model, not --compare-models."},
        {{"--fit", "a", "--model", "derk", "--model", "derke"}, "--model is given more than once."},
        {{"--fit", "a", "--psmax", "1"},
         "--psmax needs --fit with a screen-grid model (koren-pentode, derk or derke)."},
        {{"--fit", "a", "--model", "koren-triode", "--psmax", "1"},
         "--psmax needs --fit with a screen-grid model (koren-pentode, derk or derke)."},
        {{"--psmax", "1", "--export", "p.png"},
         "--psmax needs --fit with a screen-grid model (koren-pentode, derk or derke)."},
        {{"--fit", "a", "--model", "derk", "--psmax", "-1"},
         "--psmax takes a number of watts above zero, not '-1'."},
        {{"--fit", "a", "--fit", ""}, "--fit needs a file name."},
    };
    for (const auto& [arguments, problem] : problems) {
        const valvescope::CommandLine line = Read(arguments);
        QCOMPARE(line.Mode, RunMode::Usage);
        QCOMPARE(line.Problem, QString::fromUtf8(problem));
    }
    const Run run = RunProgram({"--fit", "a.utd", "--model", "derek"});
    QCOMPARE(run.Code, 2);
    QVERIFY2(run.Err.startsWith("valvescope: --model takes seed, "), run.Err);
}

void TestFitOptions::twoFilesFittedWithDerkeGiveTheFitsKeys() {
    if (!HaveEf80()) {
        QSKIP("no sample measurements");
    }
    const Run run = RunProgram(
        {"--fit", Sample("EF80_200.utd"), "--fit", Sample("EF80_300.utd"), "--model", "derke"});
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Err, QByteArray());
    QVERIFY2(run.Out.startsWith("{\"model\": \"derke\", \"points\": 246, \"rms_mA\": "), run.Out);
    QVERIFY(run.Out.endsWith("}\n"));
    const QJsonObject fit = Parsed(run.Out).object();
    QStringList keys;
    for (auto it = fit.begin(); it != fit.end(); ++it) {
        keys.append(it.key());
    }
    keys.sort(); // QJsonObject sorts; the order itself is checked on the text above and below
    QCOMPARE(keys, (QStringList{"constants", "files", "flags", "max_mA", "model", "points",
                                "rms_mA", "screen_rms_mA", "stderr"}));
    QVERIFY2(run.Out.contains(", \"screen_rms_mA\": "), run.Out);
    QVERIFY(fit.value(QStringLiteral("screen_rms_mA")).toDouble() > 0);
    QCOMPARE(fit.value(QStringLiteral("constants")).toObject().keys(),
             (QStringList{"a", "alphaS", "beta", "ex", "kg1", "kg2", "kp", "kvb", "mu"}));
    const QJsonArray files = fit.value(QStringLiteral("files")).toArray();
    QCOMPARE(files.size(), 2);
    double squares = 0;
    for (int i = 0; i < 2; ++i) {
        const QJsonObject file = files.at(i).toObject();
        QCOMPARE(file.keys(), (QStringList{"file", "points", "rms_mA"}));
        QCOMPARE(file.value(QStringLiteral("file")).toString(),
                 Sample(i == 0 ? "EF80_200.utd" : "EF80_300.utd"));
        QCOMPARE(file.value(QStringLiteral("points")).toInt(), 123);
        squares += 123 * std::pow(file.value(QStringLiteral("rms_mA")).toDouble(), 2);
    }
    // "rms_mA" is the plate current's over all the points, the files' together.
    QVERIFY(std::fabs(std::sqrt(squares / 246) - fit.value(QStringLiteral("rms_mA")).toDouble()) <
            1e-12);
    QVERIFY(fit.value(QStringLiteral("rms_mA")).toDouble() < 0.4);
}

void TestFitOptions::aSavedModelFitIsFormatTwoWithTheGivenRatings() {
    if (!HaveEf80()) {
        QSKIP("no sample measurements");
    }
    const Run run =
        RunProgram({"--fit", Sample("EF80_200.utd"), "--fit", Sample("EF80_250.utd"), "--fit",
                    Sample("EF80_300.utd"), "--model", "koren-pentode", "--vmax", "300", "--psmax",
                    "0.7", "--save-tube", Path("ef80.json")});
    QCOMPARE(run.Code, 0);
    const QJsonObject fit = Parsed(run.Out).object();
    const valvescope::Tube tube = valvescope::ReadTubeFile(Path("ef80.json").toStdString());
    QCOMPARE(tube.Model.Kind, ModelKind::KorenPentode);
    QCOMPARE(tube.Name, std::string("EF80_200 (fitted)"));
    QCOMPARE(
        tube.Model.Constants.Kg2,
        fit.value(QStringLiteral("constants")).toObject().value(QStringLiteral("kg2")).toDouble());
    QVERIFY(tube.Ratings ==
            (valvescope::TubeRatings{std::nullopt, 300, std::nullopt, 0.7})); // none not given
    // The middle of the measured screen voltages: the 250 V file's, as the tracer held it.
    QVERIFY2(tube.Screen > 245 && tube.Screen < 255, std::to_string(tube.Screen).c_str());
    QVERIFY2(tube.Notes.starts_with("Fitted to EF80_200.utd, EF80_250.utd, EF80_300.utd: 369 "
                                    "points, plate RMS "),
             tube.Notes.c_str());
}

// The EF80 at three screen voltages: every screen-grid model, best first by BIC, each as
// good as a careful multi-start fit (300 starts) of the same formulas gets (within 5 %).
void TestFitOptions::modelsAreComparedBestFirstAndReachTheirBestKnownFits() {
    if (!HaveEf80()) {
        QSKIP("no sample measurements");
    }
    const Run run = RunProgram({"--fit", Sample("EF80_200.utd"), "--fit", Sample("EF80_250.utd"),
                                "--fit", Sample("EF80_300.utd"), "--compare-models"});
    QCOMPARE(run.Code, 0);
    QVERIFY2(run.Out.startsWith("[{\"model\": "), run.Out);
    const QJsonArray fits = Parsed(run.Out).array();
    QCOMPARE(fits.size(), 3);
    const std::map<QString, std::pair<double, double>> bestKnown = {
        {QStringLiteral("derke"), {0.285, 0.314}},
        {QStringLiteral("derk"), {0.568, 0.427}},
        {QStringLiteral("koren-pentode"), {0.440, 1.75}}};
    double lastBic = -INFINITY;
    for (const QJsonValue& value : fits) {
        const QJsonObject fit = value.toObject();
        const QString model = fit.value(QStringLiteral("model")).toString();
        QVERIFY2(bestKnown.count(model) == 1, qPrintable(model));
        const auto [plate, screen] = bestKnown.at(model);
        QVERIFY2(fit.value(QStringLiteral("rms_mA")).toDouble() <= plate * 1.05, qPrintable(model));
        QVERIFY2(fit.value(QStringLiteral("screen_rms_mA")).toDouble() <= screen * 1.05,
                 qPrintable(model));
        const double bic = fit.value(QStringLiteral("bic")).toDouble();
        QVERIFY(bic >= lastBic);
        lastBic = bic;
        QVERIFY(fit.value(QStringLiteral("seconds")).toDouble() > 0);
        QCOMPARE(fit.value(QStringLiteral("points")).toInt(), 369);
    }
    QCOMPARE(fits.at(0).toObject().value(QStringLiteral("model")).toString(),
             QStringLiteral("derke"));

    // A triode file: Koren's triode alone suits it.
    const Run triode = RunProgram({"--fit", Sample("ECC82.utd"), "--compare-models"});
    QCOMPARE(triode.Code, 0);
    const QJsonArray triodeFits = Parsed(triode.Out).array();
    QCOMPARE(triodeFits.size(), 1);
    const QJsonObject ecc82 = triodeFits.at(0).toObject();
    QCOMPARE(ecc82.value(QStringLiteral("model")).toString(), QStringLiteral("koren-triode"));
    QVERIFY(ecc82.value(QStringLiteral("rms_mA")).toDouble() <= 0.0408 * 1.05);
    QVERIFY(ecc82.value(QStringLiteral("screen_rms_mA")).isNull());
}

void TestFitOptions::aScreenGridModelOnFilesWithoutScreenVoltagesIsRefused() {
    QByteArray csv = "Vg,Va,Ia\n";
    for (int vg = 0; vg >= -3; --vg) {
        for (int va = 50; va <= 250; va += 50) {
            csv += QByteArray::number(vg) + "," + QByteArray::number(va) + "," +
                   QByteArray::number(0.0001 * va / (1 - vg)) + "\n";
        }
    }
    QFile file(Path("plain.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();
    const Run one = RunProgram({"--fit", Path("plain.csv"), "--model", "derk"});
    QCOMPARE(one.Code, 2);
    QCOMPARE(one.Out, QByteArray());
    QCOMPARE(one.Err,
             (Path("plain.csv") +
              ": derk needs the screen voltage of the points, and the files give none; fit "
              "it triode-connected or give a tracer's file.\n")
                 .toUtf8());
    const Run two = RunProgram({"--fit", Path("plain.csv"), "--fit", Path("plain.csv"), "--model",
                                "koren-pentode", "--save-tube", Path("never.json")});
    QCOMPARE(two.Code, 2);
    QCOMPARE(two.Err, QByteArray("koren-pentode needs the screen voltage of the points, and the "
                                 "files give none; fit it triode-connected or give a tracer's "
                                 "file.\n"));
    QVERIFY(!QFile::exists(Path("never.json")));
}

void TestFitOptions::aLibraryNameIsATubeAndAFileOfThatNameComesFirst() {
    const QStringList design = {"--design", "json"};
    const Run named = RunProgram(QStringList{"--tube", "eL34"} + design);
    QCOMPARE(named.Code, 0);
    // The library's EL34 written as a tube file gives the very same stage.
    const valvescope::Tube el34 = TubeOf(*valvescope::FindLibraryTube("EL34"));
    valvescope::SaveTubeFile(Path("el34.json").toStdString(), el34);
    const Run filed = RunProgram(QStringList{"--tube", Path("el34.json")} + design);
    QCOMPARE(filed.Code, 0);
    QCOMPARE(named.Out, filed.Out);
    QVERIFY(named.Out != RunProgram(design).Out); // not the 807's
    QCOMPARE(RunProgram(QStringList{"--tube", "807"} + design).Out, RunProgram(design).Out);
    // A file called EL34 in the working folder is the tube, not the library's.
    valvescope::SaveTubeFile(Path("EL34").toStdString(),
                             TubeOf(*valvescope::FindLibraryTube("12AX7")));
    // The program starts in the test's folder.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    const Run file = RunProgram(QStringList{"--tube", "EL34"} + design);
    const Run neither = RunProgram(QStringList{"--tube", "EL84"} + design);
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(file.Code, 0);
    QCOMPARE(file.Out, RunProgram(QStringList{"--tube", "12ax7"} + design).Out);
    QVERIFY(file.Out != named.Out);
    QCOMPARE(neither.Code, 2);
    QCOMPARE(neither.Err, QByteArray("EL84: No such file or directory, and no tube of the library "
                                     "has that name.\n"));
}

QTEST_GUILESS_MAIN(TestFitOptions)
#include "test_fitoptions.moc"
