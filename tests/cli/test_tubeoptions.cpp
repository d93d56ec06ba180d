// The command line's tube and measured-curve options: reading them, and the program run with a
// tube file, measured points, a fit and a fitted tube saved.
#include "cli/commandline.h"
#include "cli/commandrun.h"
#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "core/session/plotjob.h"
#include "core/tube/library.h"
#include "core/tube/tubefile.h"
#include "core/tubeedit/measuremarks.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using valvescope::RunMode;

namespace {

valvescope::CommandLine Read(QStringList arguments) {
    arguments.prepend(QStringLiteral("valvescope"));
    return valvescope::ReadCommandLine(arguments);
}

struct Run {
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};

Run RunProgram(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VALVESCOPE_EXE), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString kSample = QStringLiteral(VALVESCOPE_SAMPLE_DATA "/ECC82.utd");

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class TestTubeOptions : public QObject {
    Q_OBJECT

private slots:
    void theOptionsAreRead();
    void optionsThatDoNotGoTogetherAreUsageProblems();
    void fitPrintsTheFitAsJson();
    void aSavedFitReadsBackAsTheTube();
    void aFitGivenNoRatingsHasNone();
    void aTubeFileThatCannotBeWrittenExitsWithFour();
    void aTubeFileThatDoesNotReadExitsWithTwo();
    void aTubeChangesThePictureAndTheReadout();
    void measuredPointsAreDrawnOnTheExport();
    void theScreenOptionsWireTheScreenForTheRun();
    void theScreenOptionsRefuseATubeWithoutAScreen();
    void aLibraryPentodesStageHoldsItsScreen();

private:
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir_;
};

void TestTubeOptions::theOptionsAreRead() {
    const valvescope::CommandLine fit = Read({"--fit", "a.utd", "--save-tube", "t.json"});
    QCOMPARE(fit.Mode, RunMode::Fit);
    QCOMPARE(fit.FitFiles, QStringList{QStringLiteral("a.utd")});
    QCOMPARE(fit.SaveTubeFile, QStringLiteral("t.json"));
    const valvescope::CommandLine shot =
        Read({"--window-shot", "w.png", "--tube", "t.json", "--data", "d.csv", "--fitted-curves"});
    QCOMPARE(shot.Mode, RunMode::WindowShot);
    QCOMPARE(shot.TubeFile, QStringLiteral("t.json"));
    QCOMPARE(shot.DataFile, QStringLiteral("d.csv"));
    QVERIFY(shot.FittedCurves);
    QCOMPARE(Read({"--tube", "t.json", "--readout", "1,1"}).Mode, RunMode::Readout);
    QCOMPARE(Read({"--data", "d.csv"}).Mode, RunMode::Window);
}

void TestTubeOptions::optionsThatDoNotGoTogetherAreUsageProblems() {
    const std::pair<QStringList, const char*> problems[] = {
        {{"--fit", "a", "--export", "p.png"}, "--fit does not go with another mode."},
        {{"--fit", "a", "--design", "text"}, "--fit does not go with another mode."},
        {{"--data", "d.csv", "--readout", "1,1"},
         "--data goes with --export, --print-pdf, --window-shot or the window."},
        {{"--save-tube", "t.json"}, "--save-tube needs --fit."},
        {{"--fitted-curves", "--export", "p.png"}, "--fitted-curves needs --data."},
        {{"--fit-axes", "--export", "p.png"}, "--fit-axes needs --data."},
        {{"--data", "d.csv", "--fit", "a"},
         "--data goes with --export, --print-pdf, --window-shot or the window."},
        {{"--tube", ""}, "--tube needs a file name."},
        {{"--imax", "0.1", "--export", "p.png"}, "--imax, --vmax and --pmax need --fit."},
        {{"--fit", "a", "--vmax", "0"}, "--vmax takes a number of volts above zero, not '0'."},
        {{"--fit", "a", "--pmax", "2 W"}, "--pmax takes a number of watts above zero, not '2 W'."},
        {{"--fit", "a", "--imax", "1", "--imax", "2"}, "--imax is given more than once."},
        {{"--screen-v", "0"}, "--screen-v takes a number of volts above zero, not '0'."},
        {{"--screen-v", "300", "--screen-v", "250"}, "--screen-v is given more than once."},
        {{"--screen-v", "300", "--triode-connected"},
         "--screen-v does not go with --triode-connected, which ties the screen to the plate."},
        {{"--fit", "a", "--triode-connected"},
         "--screen-v and --triode-connected do not go with --fit."}};
    for (const auto& [arguments, problem] : problems) {
        const valvescope::CommandLine line = Read(arguments);
        QCOMPARE(line.Mode, RunMode::Usage);
        QCOMPARE(line.Problem, QString::fromUtf8(problem));
    }
}

void TestTubeOptions::fitPrintsTheFitAsJson() {
    if (!QFile::exists(kSample)) {
        QSKIP("no sample measurements (configure with -DVALVESCOPE_SAMPLE_DATA=<folder>)");
    }
    const Run run = RunProgram({"--fit", kSample});
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Err, QByteArray());
    QJsonParseError error;
    const QJsonObject fit = QJsonDocument::fromJson(run.Out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(fit.value(QStringLiteral("points")).toInt(), 186);
    QVERIFY(fit.value(QStringLiteral("rms_mA")).toDouble() <= 0.042);
    QVERIFY(fit.value(QStringLiteral("max_mA")).toDouble() >=
            fit.value(QStringLiteral("rms_mA")).toDouble());
    QCOMPARE(fit.value(QStringLiteral("constants")).toObject().keys(),
             (QStringList{"ExponentSlope", "GridDecade", "KneeFactor", "LawExponent", "MuExponent",
                          "MuZero", "Perveance"}));
    QCOMPARE(fit.value(QStringLiteral("stderr")).toObject().size(), 7);
    // The ECC82's KneeFactor rests on its lower bound, as the Tube window's report marks it.
    QCOMPARE(fit.value(QStringLiteral("flags")).toObject(),
             QJsonObject({{QStringLiteral("KneeFactor"), QStringLiteral("bound")}}));
    // The keys every model's fit carries, in their place: the model first, then the screen's
    // RMS (none for the seed) and the files after the largest difference.
    QVERIFY2(run.Out.startsWith("{\"model\": \"seed\", \"points\": 186, \"rms_mA\": "), run.Out);
    QVERIFY2(run.Out.contains(", \"screen_rms_mA\": null, \"files\": [{\"file\": \"" +
                              kSample.toUtf8() + "\", \"points\": 186, \"rms_mA\": "),
             run.Out);
    const QJsonObject file = fit.value(QStringLiteral("files")).toArray().at(0).toObject();
    QCOMPARE(file.value(QStringLiteral("rms_mA")).toDouble(),
             fit.value(QStringLiteral("rms_mA")).toDouble());
}

void TestTubeOptions::aSavedFitReadsBackAsTheTube() {
    if (!QFile::exists(kSample)) {
        QSKIP("no sample measurements");
    }
    valvescope::Tube base = valvescope::Builtin807();
    base.Name = "ECC82 data sheet";
    base.Ratings = {0.02, 300, 2.75, std::nullopt};
    valvescope::SaveTubeFile(Path("base.json").toStdString(), base);
    const Run run = RunProgram(
        {"--fit", kSample, "--tube", Path("base.json"), "--save-tube", Path("fitted.json")});
    QCOMPARE(run.Code, 0);
    const QJsonObject constants =
        QJsonDocument::fromJson(run.Out).object().value(QStringLiteral("constants")).toObject();
    const valvescope::Tube fitted = valvescope::ReadTubeFile(Path("fitted.json").toStdString());
    QCOMPARE(fitted.Name, std::string("ECC82 (fitted)"));
    QCOMPARE(fitted.Model.Seed.MuZero, constants.value(QStringLiteral("MuZero")).toDouble());
    QCOMPARE(fitted.Model.Seed.Perveance, constants.value(QStringLiteral("Perveance")).toDouble());
    QVERIFY(fitted.Ratings == base.Ratings); // the user's ratings, not fitted
    // The saved tube draws.
    const Run drawn = RunProgram({"--tube", Path("fitted.json"), "--export", Path("ecc82.png"),
                                  "--end-v", "300", "--end-i", "20"});
    QCOMPARE(drawn.Code, 0);
}

// Without --tube the fit stands on no tube's ratings: the file has null for each, the stage
// says "no rating" and the limit overlays draw nothing. --imax, --vmax and --pmax give them.
void TestTubeOptions::aFitGivenNoRatingsHasNone() {
    if (!QFile::exists(kSample)) {
        QSKIP("no sample measurements");
    }
    QCOMPARE(RunProgram({"--fit", kSample, "--save-tube", Path("bare.json")}).Code, 0);
    const valvescope::Tube bare = valvescope::ReadTubeFile(Path("bare.json").toStdString());
    QVERIFY(bare.Ratings ==
            (valvescope::TubeRatings{std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    const Run design = RunProgram({"--design", "text", "--tube", Path("bare.json"), "--bplus",
                                   "250", "--ra", "20000", "--rk", "400"});
    QCOMPARE(design.Code, 0);
    QCOMPARE(design.Out.count("(no rating)"), 3);
    QVERIFY(!design.Out.contains("% of rating"));
    const QStringList picture = {"--tube", Path("bare.json"), "--bare", "--end-v",
                                 "300",    "--end-i",         "20"};
    QCOMPARE(RunProgram(QStringList{"--export", Path("plain.png")} + picture).Code, 0);
    QCOMPARE(
        RunProgram(QStringList{"--export", Path("limits.png"), "--show", "imax,wp,vmax"} + picture)
            .Code,
        0);
    QCOMPARE(QImage(Path("limits.png")), QImage(Path("plain.png")));

    const Run given = RunProgram(
        {"--fit", kSample, "--imax", "0,02", "--pmax", "2.75", "--save-tube", Path("rated.json")});
    QCOMPARE(given.Code, 0);
    const valvescope::Tube rated = valvescope::ReadTubeFile(Path("rated.json").toStdString());
    QVERIFY(rated.Ratings == (valvescope::TubeRatings{0.02, std::nullopt, 2.75, std::nullopt}));
}

void TestTubeOptions::aTubeFileThatCannotBeWrittenExitsWithFour() {
    if (!QFile::exists(kSample)) {
        QSKIP("no sample measurements");
    }
    const QString path = Path("no/such/folder/t.json");
    const Run run = RunProgram({"--fit", kSample, "--save-tube", path});
    QCOMPARE(run.Code, 4);
    QVERIFY2(run.Err.startsWith(path.toUtf8() + ": "), run.Err.constData());
    // The fit is not lost with the file: it is printed first.
    const Run fit = RunProgram({"--fit", kSample});
    QCOMPARE(fit.Code, 0);
    QCOMPARE(run.Out, fit.Out);
    // "-" puts the tube file on the standard output, and it reads back.
    const Run printed = RunProgram({"--fit", kSample, "--save-tube", "-"});
    QCOMPARE(printed.Code, 0);
    QVERIFY(!QFile::exists(QStringLiteral("-")));
    WriteText(Path("printed.json"), printed.Out);
    const valvescope::Tube tube = valvescope::ReadTubeFile(Path("printed.json").toStdString());
    QCOMPARE(tube.Name, std::string("ECC82 (fitted)"));
    QCOMPARE(tube.Model.Seed.MuZero, QJsonDocument::fromJson(fit.Out)
                                         .object()
                                         .value(QStringLiteral("constants"))
                                         .toObject()
                                         .value(QStringLiteral("MuZero"))
                                         .toDouble());
}

void TestTubeOptions::aTubeFileThatDoesNotReadExitsWithTwo() {
    WriteText(Path("bad.json"), R"({"format": 1, "name": "x",
 "constants": {"MuExponent": 0.253, "ExponentSlope": 99.1, "GridDecade": 31.1,
  "KneeFactor": 300, "MuZero": -8.7, "Perveance": 5.7e-05, "LawExponent": 1.48},
 "ratings": {"Imax": 0.12, "Vmax": 475, "Pmax": 25}})");
    const Run run = RunProgram({"--tube", Path("bad.json"), "--export", Path("bad.png")});
    QCOMPARE(run.Code, 2);
    QVERIFY2(run.Err.startsWith(Path("bad.json").toUtf8() + ": constants.MuZero: "),
             run.Err.constData());
    QVERIFY(run.Err.endsWith(".\n"));
    QVERIFY(!QFile::exists(Path("bad.png")));
    const Run missing = RunProgram({"--tube", Path("missing.json"), "--readout", "1,1"});
    QCOMPARE(missing.Code, 2);
    QVERIFY(missing.Err.startsWith(Path("missing.json").toUtf8() + ": "));
    QCOMPARE(RunProgram({"--fit", Path("missing.utd")}).Code, 2);
    // Points that all read 0 mA are no measurement to fit.
    WriteText(Path("dead.csv"), "Vg,Va,Ia\n0,50,0\n0,100,0\n0,150,0\n0,200,0\n-2,50,0\n"
                                "-2,100,0\n-2,150,0\n-2,200,0.00\n");
    const Run dead = RunProgram({"--fit", Path("dead.csv")});
    QCOMPARE(dead.Code, 2);
    QCOMPARE(dead.Err, Path("dead.csv").toUtf8() + ": no current was measured.\n");
    QCOMPARE(dead.Out, QByteArray());
}

void TestTubeOptions::aTubeChangesThePictureAndTheReadout() {
    // The 807's constants with a tenth of its current rating: only the Imax line moves.
    valvescope::Tube tube = valvescope::Builtin807();
    valvescope::SaveTubeFile(Path("same.json").toStdString(), tube);
    tube.Name = "807 low";
    tube.Ratings.Imax = 0.05;
    valvescope::SaveTubeFile(Path("low.json").toStdString(), tube);
    // The surface alone: the caption line around a framed picture names the tube.
    const QStringList show = {"--show", "imax", "--bare"};
    QCOMPARE(RunProgram(QStringList{"--export", Path("807.png")} + show).Code, 0);
    QCOMPARE(
        RunProgram(QStringList{"--export", Path("same.png"), "--tube", Path("same.json")} + show)
            .Code,
        0);
    QCOMPARE(RunProgram(QStringList{"--export", Path("low.png"), "--tube", Path("low.json")} + show)
                 .Code,
             0);
    const QImage builtin(Path("807.png"));
    QCOMPARE(QImage(Path("same.png")), builtin);
    const QImage low(Path("low.png"));
    QCOMPARE(low.size(), builtin.size());
    // End I 200 mA over 224 pixels: 120 mA lies near row 90, 50 mA near row 168. Count the rows
    // where the two pictures differ.
    int changedRows = 0, nearOld = 0, nearNew = 0;
    for (int y = 0; y < low.height(); ++y) {
        bool changed = false;
        for (int x = 0; x < low.width() && !changed; ++x) {
            changed = low.pixel(x, y) != builtin.pixel(x, y);
        }
        changedRows += changed ? 1 : 0;
        nearOld += changed && std::abs(y - 90) <= 3 ? 1 : 0;
        nearNew += changed && std::abs(y - 168) <= 3 ? 1 : 0;
    }
    QVERIFY(nearOld > 0);
    QVERIFY(nearNew > 0);
    QVERIFY(changedRows <= 12);
    // The readout reads the tube's constants: another MuZero, another grid voltage.
    tube.Model.Seed.MuZero = 12;
    valvescope::SaveTubeFile(Path("mu.json").toStdString(), tube);
    const Run readout807 = RunProgram({"--readout", "144,168"});
    const Run readoutMu = RunProgram({"--readout", "144,168", "--tube", Path("mu.json")});
    QCOMPARE(readoutMu.Code, 0);
    QVERIFY(readoutMu.Out.startsWith(" Vp=  249. v    Vg="));
    QVERIFY(readoutMu.Out != readout807.Out);
    // So does the stage: named for the tube, its rating fractions from the tube's ratings.
    const Run design = RunProgram({"--design", "text", "--tube", Path("mu.json")});
    QCOMPARE(design.Code, 0);
    QVERIFY2(design.Out.startsWith("807 low single-ended stage"), design.Out.constData());
    QVERIFY(design.Out !=
            RunProgram({"--design", "text"}).Out.replace("807 single", "807 low single"));
}

void TestTubeOptions::measuredPointsAreDrawnOnTheExport() {
    WriteText(Path("points.csv"), "Vg,Va,Ia\n0,200,60\n0,300,100\n-20,400,40\n");
    const Run run = RunProgram({"--data", Path("points.csv"), "--export", Path("dots.png")});
    QCOMPARE(run.Code, 0);
    const QImage image(Path("dots.png"));
    const auto rgb = [](valvescope::Colour c) {
        return qRgb(valvescope::RedOf(c), valvescope::GreenOf(c), valvescope::BlueOf(c));
    };
    int first = 0, second = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            first += image.pixel(x, y) == rgb(valvescope::MeasurementColour(0)) ? 1 : 0;
            second += image.pixel(x, y) == rgb(valvescope::MeasurementColour(1)) ? 1 : 0;
        }
    }
    QVERIFY(first >= 2 * 5 && first <= 2 * 25); // two small dots at 0 V
    QVERIFY(second >= 5 && second <= 25);       // one at -20 V

    WriteText(Path("broken.csv"), "Vg,Va,Ia\n0,200,60\n0,300\n");
    const Run broken = RunProgram({"--data", Path("broken.csv"), "--export", Path("no.png")});
    QCOMPARE(broken.Code, 2);
    QVERIFY2(broken.Err.startsWith(Path("broken.csv").toUtf8() + ":3: "), broken.Err.constData());
    QVERIFY(!QFile::exists(Path("no.png")));
}

// --screen-v (a comma working as a point) and --triode-connected give the run's wiring; the
// drawn plot and its readouts use it (the EL34 held at 300 V draws a screen current, which the
// readout ends with; triode-connected it has none of its own).
void TestTubeOptions::theScreenOptionsWireTheScreenForTheRun() {
    const valvescope::Tube el34 = valvescope::TubeOf(*valvescope::FindLibraryTube("EL34"));
    valvescope::CommandLine line = Read({"--readout", "144,168", "--screen-v", "300,5"});
    QCOMPARE(line.Mode, RunMode::Readout);
    QCOMPARE(line.ScreenVolts, std::optional<double>(300.5));
    QVERIFY(!valvescope::ScreenOptionsProblem(line, el34));
    QCOMPARE(valvescope::ScreenWiringOf(line, el34), (tubemath::ScreenWiring{300.5, false}));
    QCOMPARE(valvescope::ScreenWiringOf(Read({"--readout", "1,1"}), el34),
             (tubemath::ScreenWiring{250, false}));
    const valvescope::CommandLine strapped = Read({"--export-csv", "-", "--triode-connected"});
    QVERIFY(strapped.TriodeConnected);
    QCOMPARE(valvescope::ScreenWiringOf(strapped, el34).TriodeConnected, true);

    valvescope::RunInputs inputs;
    inputs.RunTube = el34;
    inputs.Screen = valvescope::ScreenWiringOf(line, el34);
    std::ostringstream err;
    valvescope::DrawnPlot plot;
    QVERIFY(!valvescope::DrawOrReport(line, inputs, plot, err));
    QCOMPARE(plot.Tube.Screen, (tubemath::ScreenWiring{300.5, false}));
    valvescope::ReadoutSession held(plot);
    QVERIFY(QString::fromStdString(held.MoveTo(144, 168)).contains(QStringLiteral("    Is= ")));
    inputs.Screen = valvescope::ScreenWiringOf(strapped, el34);
    QVERIFY(!valvescope::DrawOrReport(strapped, inputs, plot, err));
    QVERIFY(plot.Tube.Screen.TriodeConnected);
    valvescope::ReadoutSession triode(plot);
    QVERIFY(!QString::fromStdString(triode.MoveTo(144, 168)).contains(QStringLiteral("Is=")));
}

// The 807's model has no screen grid: the options are refused with one line and exit code 2, as
// a command line that does not fit; without them nothing changes.
void TestTubeOptions::theScreenOptionsRefuseATubeWithoutAScreen() {
    const valvescope::Tube tube = valvescope::Builtin807();
    QCOMPARE(valvescope::ScreenOptionsProblem(Read({"--triode-connected"}), tube),
             std::optional<std::string>(
                 "--triode-connected: the 807's model (seed) has no screen grid."));
    QVERIFY(!valvescope::ScreenOptionsProblem(Read({"--readout", "1,1"}), tube));
    const Run run = RunProgram({"--readout", "144,168", "--screen-v", "300"});
    QCOMPARE(run.Code, static_cast<int>(valvescope::kExitUsage));
    QCOMPARE(run.Out, QByteArray());
    QCOMPARE(run.Err, QByteArray("--screen-v: the 807's model (seed) has no screen grid.\n"));
    const Run plain = RunProgram({"--readout", "144,168"});
    QCOMPARE(plain.Code, 0);
    QVERIFY(!plain.Out.contains("Is="));
}

// The EL34 from the library with its screen held at 300 V: the cathode resistor (590 ohm at
// start-up) carries plate and screen current, and the screen's dissipation is read against the
// EL34's 8 W.
void TestTubeOptions::aLibraryPentodesStageHoldsItsScreen() {
    const Run run = RunProgram({"--tube", "el34", "--screen-v", "300", "--design", "json"});
    QCOMPARE(run.Code, 0);
    const QJsonObject design = QJsonDocument::fromJson(run.Out).object();
    QCOMPARE(design["tube"].toString(), QStringLiteral("EL34"));
    const QJsonObject q = design["quiescent"].toObject();
    QCOMPARE(q["Vs"].toDouble(), 300.0);
    const double ip = q["Ip"].toDouble();
    const double is = q["Is"].toDouble();
    QVERIFY(is > 1e-4 && is < ip);
    QVERIFY(std::fabs(q["Vk"].toDouble() - 590 * (ip + is)) < 1e-9);
    QVERIFY(std::fabs(q["Ps"].toDouble() - 300 * is) < 1e-12);
    QVERIFY(std::fabs(design["ratingFractions"].toObject()["Ps"].toDouble() - 300 * is / 8) <
            1e-12);
    const QJsonObject on807 =
        QJsonDocument::fromJson(RunProgram({"--design", "json"}).Out).object();
    QVERIFY(!on807["quiescent"].toObject().contains("Is"));
}

QTEST_GUILESS_MAIN(TestTubeOptions)
#include "test_tubeoptions.moc"
