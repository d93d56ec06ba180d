// The command line: reading the options, and the program run with them (exit codes, the files
// written and left alone, the readout printed).
#include "cli/commandline.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/programrun.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using valvescope::CommandLine;
using valvescope::ReadCommandLine;
using valvescope::RunMode;

namespace {

CommandLine Read(QStringList arguments) {
    arguments.prepend(QStringLiteral("valvescope"));
    return ReadCommandLine(arguments);
}

QByteArray Head(const QString& path, int bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

bool HasBlueGrid(const QImage& image) {
    int blue = 0;
    for (int y = 1; y < image.height() - 1; ++y) {
        for (int x = 1; x < image.width() - 1; ++x) {
            blue += image.pixel(x, y) == qRgb(0, 0, 255) ? 1 : 0;
        }
    }
    return blue > 1000;
}

// The usage, as --help prints it and as it follows a command line that does not read.
const QByteArray kUsage = "Usage: " VALVESCOPE_EXE R"( [options]
Draws the plate characteristics of the 807 beam power tube.
Without options it opens the window.

Options:
  -h, --help              Displays help on commandline options.
  --help-all              Displays help including Qt specific options.
  -v, --version           Displays version information.
  --export <file>         Draw the plot without a window into <file>: PNG, SVG
                          or PDF by its extension.
  --readout <x,y>         Print the status-line readout for the pointer at x,y
                          on the plot (pixels from its top-left corner); may be
                          repeated.
  --window-shot <file>    Open the window, save a picture of its client area as
                          the PNG <file> and end.
  --end-i <text>          The End I box's text.
  --step-v <text>         The Step V box's text.
  --grid-lines <text>     The # Grid Lines box's text.
  --end-v <text>          The End V box's text.
  --ra <text>             The Ra box's text.
  --bplus <text>          The B+ box's text.
  --rk <text>             The Rk box's text.
  --show <list>           The overlay toggles that are down, comma-separated:
                          imax, wp, vmax, rk, load.
  --size <WxH>            The plot surface in pixels (default 462x224).
  --open <file>           Start from the design file <file> (its tube,
                          settings, toggles, measurements and stage), for every
                          mode; the other options change what it gives.
  --design <format>       Print the stage on the settings (quiescent point,
                          small-signal values, swing) as text or json. With
                          --export the picture also shows its marks, as with
                          --load, --zaa or --drive.
  --load <kind>           The stage's load: resistor (Ra, the default) or
                          transformer (Zaa).
  --zaa <ohms>            The transformer's reflected load in ohms.
  --drive <volts>         The peak grid drive in volts (default: the bias, so
                          the grid just reaches 0 V).
  --stage <kind>          The stage --design prints: single-ended (the default)
                          or push-pull.
  --raa <ohms>            Push-pull: the plate-to-plate load in ohms.
  --bias <kind>           Push-pull: fixed (the grids at --vg) or cathode (a
                          shared bypassed Rk, the default without --vg).
  --vg <volts>            Push-pull, fixed bias: the grid voltage at rest.
  --ul <tap>              Push-pull: ultralinear, the screens at this tap (0 to
                          1) of each half-primary.
  --tube-b <name|file>    Push-pull: the second tube, a library tube's name or
                          a tube file (default: the first tube again).
  --sweep-drive <N>       Push-pull: also the power and THD at N drives up to
                          the stage's.
  --bare                  With --export: the plot surface alone, without the
                          axis labels and the caption around it.
  --export-spice <file>   Write the tube as a SPICE subcircuit (pins plate,
                          grid, cathode) into <file>, and a deck that sweeps the
                          plotted curves.
  --spice-dialect <name>  The SPICE file's dialect: ngspice (the default) or
                          ltspice.
  --spice-deck <file>     Where the deck goes (default: <file> with .deck
                          before its extension).
  --export-csv <file>     Write the plotted curves into the CSV <file>, the
                          bias and load lines as --show has them.
  --print-pdf <file>      Render the printed page (A4) into the PDF <file>.
  --tube <name|file>      Use the tube <name> of the library (807, 12AX7,
                          12AU7, 12AT7, 6DJ8, 300B, 6L6GC, EL34, KT88, 6550;
                          letters in either case) or the tube in the tube file
                          <file> instead of the 807, for every mode. A file of
                          that name comes first.
  --screen-v <volts>      For a tube with a screen grid: hold the screen at
                          <volts> (default: the tube's own screen voltage), for
                          every mode.
  --triode-connected      For a tube with a screen grid: tie the screen to the
                          plate, for every mode.
  --data <file>           Draw the measured points in <file> (uTracer, uTmax or
                          CSV) over the plot.
  --fitted-curves         With --data: draw the model's curves at the measured
                          grid voltages too.
  --fit-axes              With --data: set End V, End I and Step V from the
                          measured ranges.
  --fit <file>            Fit the model to the measured points in <file>, print
                          the fit as JSON and end; given more than once, the
                          files are fitted together, each point at its own
                          screen voltage.
  --model <name>          With --fit: the model fitted: seed (the default, the
                          807's seven constants), koren-triode, koren-pentode,
                          derk or derke; 'derk triode-connected' and the like
                          fit a screen-grid model with its screen tied to the
                          plate.
  --compare-models        With --fit: fit every model that suits the files and
                          print the fits as a JSON array, best (lowest BIC)
                          first.
  --save-tube <file>      With --fit: write the fitted tube into the tube file
                          <file>; a screen-grid tube is plotted at the median of
                          the measured screen voltages.
  --imax <amperes>        With --fit: the fitted tube's plate current rating in
                          amperes (default: none, unless --tube gives one).
  --vmax <volts>          With --fit: the fitted tube's plate voltage rating in
                          volts.
  --pmax <watts>          With --fit: the fitted tube's plate dissipation
                          rating in watts.
  --psmax <watts>         With --fit and a screen-grid model: the fitted tube's
                          screen dissipation rating in watts.
)";

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void NoArgumentsOpenTheWindowWithTheBoxesStartTexts();
    void SettingsAndModesAreRead();
    void SizesShowListsAndPointsAreChecked();
    void BadCommandLinesAreUsageProblems();

    void ExportWritesPngSvgAndPdf();
    void ReadoutPrintsTheStatusLine();
    void TextsThatDoNotReadExitWithTwo();
    void BlankOrZeroSettingsExitWithOne();
    void ArithmeticErrorsExitWithThreeAndWriteNothing();
    void BadOptionsAndFileTypesExitWithTwo();
    void FailedExportLeavesAnExistingFileAlone();
    void AWriteFailingPartWayKeepsTheOldPictureAndExitsWithFour();
    void AWindowShotWithADisplayThatDoesNotAnswerExitsWithFour();
    void HelpAndVersion();
    void UsageProblemsWordForWord();
    void OutputIsOnlyWhatTheProgramPromises();

private:
    QTemporaryDir dir_;
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
};

void TestCommandLine::NoArgumentsOpenTheWindowWithTheBoxesStartTexts() {
    const CommandLine line = Read({});
    QCOMPARE(line.Mode, RunMode::Window);
    QCOMPARE(line.Texts.EndI, std::string("200"));
    QCOMPARE(line.Texts.GridV, std::string("10"));
    QCOMPARE(line.Texts.GridLines, std::string("10"));
    QCOMPARE(line.Texts.EndV, std::string("800"));
    QCOMPARE(line.Texts.Ra, std::string("3000"));
    QCOMPARE(line.Texts.BPlus, std::string("400"));
    QCOMPARE(line.Texts.Rk, std::string("590"));
    QCOMPARE(line.Surface, QSize(462, 224));
    QVERIFY(!line.SurfaceGiven);
    QVERIFY(!line.Show.Imax && !line.Show.Wp && !line.Show.Vmax && !line.Show.Rk &&
            !line.Show.LoadLine);
}

void TestCommandLine::SettingsAndModesAreRead() {
    const CommandLine line =
        Read({"--export", "p.SVG",   "--end-i", "150",     "--step-v", "2,5",     "--grid-lines",
              "12",       "--end-v", "600",     "--ra",    "5k",       "--bplus", " ",
              "--rk",     "0",       "--show",  "Wp,load", "--size",   "300X200"});
    QCOMPARE(line.Mode, RunMode::Export);
    QCOMPARE(line.File, QStringLiteral("p.SVG"));
    QCOMPARE(line.Texts.EndI, std::string("150"));
    QCOMPARE(line.Texts.GridV, std::string("2,5")); // as typed: the intake turns the comma
    QCOMPARE(line.Texts.GridLines, std::string("12"));
    QCOMPARE(line.Texts.EndV, std::string("600"));
    QCOMPARE(line.Texts.Ra, std::string("5k"));
    QCOMPARE(line.Texts.BPlus, std::string(" "));
    QCOMPARE(line.Texts.Rk, std::string("0"));
    QVERIFY(line.Show.Wp && line.Show.LoadLine);
    QVERIFY(!line.Show.Imax && !line.Show.Vmax && !line.Show.Rk);
    QCOMPARE(line.Surface, QSize(300, 200));
    QVERIFY(line.SurfaceGiven);

    const CommandLine readout = Read({"--readout", "144,168", "--readout", "-3,400"});
    QCOMPARE(readout.Mode, RunMode::Readout);
    QCOMPARE(readout.Points.size(), std::size_t(2));
    QVERIFY((readout.Points[0] == valvescope::PointerPosition{144, 168}));
    QVERIFY((readout.Points[1] == valvescope::PointerPosition{-3, 400}));
    QVERIFY((Read({"--readout", "5,-12"}).Points.at(0) == valvescope::PointerPosition{5, -12}));

    QCOMPARE(Read({"--window-shot", "w.png"}).Mode, RunMode::WindowShot);
    QCOMPARE(Read({"--help"}).Mode, RunMode::Help);
    QCOMPARE(Read({"--version"}).Mode, RunMode::Version);
}

void TestCommandLine::SizesShowListsAndPointsAreChecked() {
    QCOMPARE(valvescope::ReadSurfaceSize("1x16384"), std::optional<QSize>(QSize(1, 16384)));
    for (const char* bad :
         {"0x10", "10x0", "16385x10", "10", "10x", "x10", "-5x10", "10x10x10", " 10x10", "10*10"}) {
        QVERIFY2(!valvescope::ReadSurfaceSize(QString::fromLatin1(bad)), bad);
    }
    const auto all = valvescope::ReadOverlayNames("imax,wp,vmax,rk,load");
    QVERIFY(all && all->Imax && all->Wp && all->Vmax && all->Rk && all->LoadLine);
    const auto none = valvescope::ReadOverlayNames("");
    QVERIFY(none && !none->Imax && !none->LoadLine);
    for (const char* bad : {"ra", "imax,", "imax wp", "loadline", ","}) {
        QVERIFY2(!valvescope::ReadOverlayNames(QString::fromLatin1(bad)), bad);
    }
    for (const char* bad : {"1", "1,2,3", "a,b", "1.5,2", "1, 2", ""}) {
        QVERIFY2(!valvescope::ReadPointerPosition(QString::fromLatin1(bad)), bad);
    }
}

void TestCommandLine::BadCommandLinesAreUsageProblems() {
    const QStringList bad[] = {{"--bogus"},
                               {"stray"},
                               {"--export"},
                               {"--export", ""},
                               {"--export", "a.png", "--readout", "1,1"},
                               {"--export", "a.png", "--window-shot", "b.png"},
                               {"--export", "a.png", "--export", "b.png"},
                               {"--end-v", "1", "--end-v", "2"},
                               {"--size", "big"},
                               {"--show", "everything"},
                               {"--readout", "here"},
                               {"--export", "plot.jpeg"},
                               {"--export", "plot"},
                               {"--window-shot", "w.pdf"}};
    for (const QStringList& arguments : bad) {
        const CommandLine line = Read(arguments);
        QVERIFY2(line.Mode == RunMode::Usage, qPrintable(arguments.join(' ')));
        QVERIFY2(!line.Problem.isEmpty(), qPrintable(arguments.join(' ')));
    }
}

void TestCommandLine::ExportWritesPngSvgAndPdf() {
    QVERIFY(dir_.isValid());
    // The plot surface alone with --bare: the picture is exactly the surface's size.
    const Run png = RunProgram({"--export", Path("plot.png"), "--bare"});
    QCOMPARE(png.Code, 0);
    const QImage image(Path("plot.png"));
    QCOMPARE(image.size(), QSize(462, 224));
    QVERIFY(HasBlueGrid(image.convertToFormat(QImage::Format_RGB32)));

    const Run sized = RunProgram({"--export", Path("sized.PNG"), "--size", "300x150", "--bare"});
    QCOMPARE(sized.Code, 0);
    QCOMPARE(QImage(Path("sized.PNG")).size(), QSize(300, 150));

    const Run svg = RunProgram({"--export", Path("plot.svg"), "--show", "imax,wp,vmax,rk,load"});
    QCOMPARE(svg.Code, 0);
    const QByteArray svgHead = Head(Path("plot.svg"), 5);
    QVERIFY2(svgHead == "<?xml" || svgHead.startsWith("<svg"), svgHead.constData());

    const Run pdf = RunProgram({"--export", Path("plot.Pdf")});
    QCOMPARE(pdf.Code, 0);
    QCOMPARE(Head(Path("plot.Pdf"), 4), QByteArray("%PDF"));
}

void TestCommandLine::ReadoutPrintsTheStatusLine() {
    const Run one = RunProgram({"--readout", "144,168"});
    QCOMPARE(one.Code, 0);
    QCOMPARE(one.Out, QByteArray(" Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    mu=  "
                                 "8.07    gm= 5.09 ma/v    rp= 1.58 k\n"));
    // Rp carries over to a point where gm is zero, as in the window.
    const Run two = RunProgram({"--readout", "144,168", "--readout", "0,168"});
    QCOMPARE(two.Code, 0);
    const QList<QByteArray> lines = two.Out.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], one.Out.chopped(1));
    QVERIFY2(lines[1].endsWith("rp= 1.58 k"), lines[1].constData());
    // Above the plot (a negative y) the current goes past End I: 200 mA * 234 / 224.
    const Run above = RunProgram({"--readout", "144,-10"});
    QCOMPARE(above.Code, 0);
    QCOMPARE(above.Out, QByteArray(" Vp=  249. v    Vg=  0.67 v    Ip= 209. ma    P= 52.1 w    "
                                   "mu=  12.7    gm= 13.0 ma/v    rp= 976. ohm\n"));
}

void TestCommandLine::TextsThatDoNotReadExitWithTwo() {
    const Run whole = RunProgram({"--export", Path("never.png"), "--end-v", "8OO"});
    QCOMPARE(whole.Code, 2);
    QVERIFY2(whole.Err.contains("'8OO' is not a valid integer value.\n"), whole.Err.constData());
    const Run decimal = RunProgram({"--readout", "1,1", "--ra", "3k"});
    QCOMPARE(decimal.Code, 2);
    QVERIFY2(decimal.Err.contains("'3k' is not a valid floating point value.\n"),
             decimal.Err.constData());
    QVERIFY(decimal.Out.isEmpty());
    QVERIFY(!QFile::exists(Path("never.png")));
}

void TestCommandLine::BlankOrZeroSettingsExitWithOne() {
    const Run endV = RunProgram({"--export", Path("blank.png"), "--end-v", "0"});
    QCOMPARE(endV.Code, 1);
    QVERIFY2(endV.Err.contains("End V is blank or zero: nothing drawn"), endV.Err.constData());
    const Run bplus = RunProgram({"--readout", "1,1", "--bplus", "0,000"});
    QCOMPARE(bplus.Code, 1);
    QVERIFY2(bplus.Err.contains("B+ is blank or zero: nothing drawn"), bplus.Err.constData());
    QVERIFY(!QFile::exists(Path("blank.png")));
}

void TestCommandLine::ArithmeticErrorsExitWithThreeAndWriteNothing() {
    for (const char* name : {"fault.png", "fault.svg", "fault.pdf"}) {
        const Run run = RunProgram({"--export", Path(name), "--end-v", "00"});
        QCOMPARE(run.Code, 3);
        QVERIFY2(run.Err.contains("Invalid floating point operation.\n"), run.Err.constData());
        QVERIFY(!QFile::exists(Path(name)));
    }
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("fault").size(), 0);
}

void TestCommandLine::BadOptionsAndFileTypesExitWithTwo() {
    const QStringList bad[] = {{"--bogus"},
                               {"--export", Path("plot.jpg")},
                               {"--export", Path("plot")},
                               {"--export", Path("p.png"), "--size", "0x5"},
                               {"--export", Path("p.png"), "--show", "grid"},
                               {"--window-shot", Path("w.svg")}};
    for (const QStringList& arguments : bad) {
        const Run run = RunProgram(arguments);
        QVERIFY2(run.Code == 2, qPrintable(arguments.join(' ')));
        // The reason and one line pointing to --help, not the whole usage.
        QVERIFY2(run.Err.endsWith(".\nTry 'valvescope --help' for the options.\n"),
                 run.Err.constData());
        QVERIFY2(run.Err.count('\n') == 2, run.Err.constData());
    }
    QVERIFY(!QFile::exists(Path("plot.jpg")) && !QFile::exists(Path("p.png")));
}

void TestCommandLine::FailedExportLeavesAnExistingFileAlone() {
    const QByteArray earlier("an earlier picture, not to be lost\n");
    for (const char* name : {"keep.png", "keep.svg", "keep.pdf"}) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
        file.close();
        QCOMPARE(RunProgram({"--export", Path(name), "--end-v", "00"}).Code, 3);
        QCOMPARE(RunProgram({"--export", Path(name), "--end-v", "0"}).Code, 1);
        QCOMPARE(RunProgram({"--export", Path(name), "--end-v", "x"}).Code, 2);
        QCOMPARE(Head(Path(name), 1000), earlier);
    }
    // No display for the window: nothing written, exit 4.
    const Run noScreen = RunProgram({"--window-shot", Path("window.png")});
    QCOMPARE(noScreen.Code, 4);
    QVERIFY2(noScreen.Err.contains("no display"), noScreen.Err.constData());
    QVERIFY(!QFile::exists(Path("window.png")));
    // A file that cannot be written: the directory is not there.
    const Run missing = RunProgram({"--export", Path("no/such/dir/plot.png")});
    QCOMPARE(missing.Code, 4);
    QVERIFY2(missing.Err.contains("Cannot write"), missing.Err.constData());
}

void TestCommandLine::AWriteFailingPartWayKeepsTheOldPictureAndExitsWithFour() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray earlier("OLD\n");
    for (const char* name : {"keep.png", "keep.svg", "keep.pdf"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
        file.close();
        // Every picture is larger than 2 KiB: its writing fails part way.
        const Run run = RunProgram({"--export", path, "--show", "imax,wp,vmax,rk,load"}, {}, 2048);
        QCOMPARE(run.Code, 4);
        QCOMPARE(run.Err, "Cannot write '" + path.toUtf8() + "': File too large.\n");
        QCOMPARE(Head(path, 1000), earlier);
        QFile::remove(path);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestCommandLine::AWindowShotWithADisplayThatDoesNotAnswerExitsWithFour() {
    // No X server listens on a display numbered this high.
    const Run shot = RunProgram({"--window-shot", Path("nowhere.png")}, {"DISPLAY=:4093"});
    QCOMPARE(shot.Code, 4);
    QCOMPARE(shot.Err,
             QByteArray("The X display ':4093' cannot be opened: --window-shot needs an X "
                        "server, for example Xvfb.\n"));
    QVERIFY(!QFile::exists(Path("nowhere.png")));
    const Run window = RunProgram({}, {"DISPLAY=:4093"});
    QCOMPARE(window.Code, 4);
    QCOMPARE(window.Err, QByteArray("The X display ':4093' cannot be opened.\n"));
    const Run unset = RunProgram({"--window-shot", Path("nowhere.png")}, {"QT_QPA_PLATFORM=xcb"});
    QCOMPARE(unset.Code, 4);
    QCOMPARE(unset.Err, QByteArray("There is no display to open the window on (DISPLAY is not "
                                   "set): --window-shot needs an X server, for example Xvfb.\n"));
}

void TestCommandLine::HelpAndVersion() {
    const Run help = RunProgram({"--help"});
    QCOMPARE(help.Code, 0);
    for (const char* option :
         {"--export",        "--readout", "--window-shot", "--end-i", "--step-v", "--grid-lines",
          "--end-v",         "--ra",      "--bplus",       "--rk",    "--show",   "--size",
          "--design",        "--load",    "--zaa",         "--drive", "--tube",   "--data",
          "--fitted-curves", "--fit",     "--save-tube"}) {
        QVERIFY2(help.Out.contains(option), option);
    }
    const Run version = RunProgram({"--version"});
    QCOMPARE(version.Code, 0);
    QCOMPARE(version.Out, QByteArray("valvescope " VALVESCOPE_VERSION "\n"));
}

void TestCommandLine::UsageProblemsWordForWord() {
    const std::pair<QStringList, const char*> problems[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"stray"}, "Unexpected argument 'stray'."},
        {{"--export"}, "Missing value after '--export'."},
        {{"--export", ""}, "--export needs a file name."},
        {{"--window-shot", ""}, "--window-shot needs a file name."},
        {{"--export", "a.png", "--readout", "1,1"},
         "Choose one of --export, --export-spice, --export-csv, --print-pdf, --readout and "
         "--window-shot."},
        {{"--export", "a.png", "--export", "b.png"}, "--export is given more than once."},
        {{"--end-v", "1", "--end-v", "2"}, "--end-v is given more than once."},
        {{"--size", "big"}, "--size takes WxH with sides from 1 to 16384, not 'big'."},
        {{"--size", "1x1", "--size", "2x2"}, "--size is given more than once."},
        {{"--show", "everything"}, "--show takes imax, wp, vmax, rk and load, not 'everything'."},
        {{"--readout", "here"}, "--readout takes x,y in whole pixels, not 'here'."},
        {{"--export", "plot.jpeg"}, "'plot.jpeg' is not a PNG, SVG or PDF file name."},
        {{"--window-shot", "w.pdf"}, "'w.pdf' is not a PNG file name."}};
    for (const auto& [arguments, problem] : problems) {
        const CommandLine line = Read(arguments);
        QCOMPARE(line.Mode, RunMode::Usage);
        QCOMPARE(line.Problem, QString::fromUtf8(problem));
    }
    const Run run = RunProgram({"--size", "big"});
    QCOMPARE(run.Code, 2);
    QCOMPARE(run.Err,
             QByteArray("valvescope: --size takes WxH with sides from 1 to 16384, not 'big'.\n"
                        "Try 'valvescope --help' for the options.\n"));
    QVERIFY(run.Out.isEmpty());
}

void TestCommandLine::OutputIsOnlyWhatTheProgramPromises() {
    // Run without XDG_RUNTIME_DIR, as root runs outside a login session: no notice about it.
    const Run help = RunProgram({"--help"});
    QCOMPARE(help.Err, QByteArray());
    QCOMPARE(help.Out, kUsage);
    const Run version = RunProgram({"--version"});
    QCOMPARE(version.Err, QByteArray());
    const Run exported = RunProgram({"--export", Path("quiet.svg")});
    QCOMPARE(exported.Code, 0);
    QCOMPARE(exported.Out + exported.Err, QByteArray());
    const Run readout = RunProgram({"--readout", "0,0"});
    QCOMPARE(readout.Code, 0);
    QCOMPARE(readout.Err, QByteArray());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
