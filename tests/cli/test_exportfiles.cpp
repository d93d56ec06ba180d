// The program's file exports run from the command line: the curve data read back against the
// model, the SPICE subcircuit and deck run in ngspice, the LTspice file read, the printed page
// checked with poppler's tools, the picture with its margins against the bare surface.
#include "core/export/spice.h"
#include "core/io/atomicfile.h"
#include "core/tube/tube.h"
#include "model/tubemath.h"
#include "tests/core/tempfolder.h"
#include "tests/support/ngspice.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/wait.h>

namespace {

using valvescope::Builtin807;
using valvescope::ReadWholeFile;
using valvescope::WriteFileAtomically;
using valvescope::testing::TempFolder;
namespace vt = valvescope::testing;

const std::string kProgram = VALVESCOPE_EXE;
const std::string kNgspice = VALVESCOPE_NGSPICE;
const std::string kPoppler = VALVESCOPE_PDFTOTEXT;

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

struct Ran {
    int Code = -1;
    std::string Err;
};

// The program in `folder`, with no display and the C number format unless `environment` says
// otherwise ("NAME=VALUE ...").
Ran RunProgram(const TempFolder& folder, const std::vector<std::string>& arguments,
               const std::string& environment = "LC_ALL=C.UTF-8") {
    std::string command = "cd " + Quoted(folder.path().string()) +
                          " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                          environment + " " + Quoted(kProgram);
    for (const std::string& argument : arguments)
        command += " " + Quoted(argument);
    command += " > run.out 2> run.err";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            ReadWholeFile(folder / "run.err", 1 << 16)};
}

// Output of a command, for poppler's tools.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

// ---- curve data ------------------------------------------------------------------------------

using Point = std::tuple<std::string, std::string, double>; // series, Vg text, Va

std::map<Point, double> ReadCsv(const std::string& text, std::string& header) {
    std::istringstream in(text);
    std::getline(in, header);
    std::map<Point, double> points;
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.back(), '\r');
        std::istringstream fields(line.substr(0, line.size() - 1));
        std::string series, vg, va, ip;
        std::getline(fields, series, ',');
        std::getline(fields, vg, ',');
        std::getline(fields, va, ',');
        std::getline(fields, ip, ',');
        points[{series, vg, std::stod(va)}] = std::stod(ip);
    }
    return points;
}

TEST(CurveData, TheFileReadBackIsTheModelAtEveryWholeVolt) {
    TempFolder folder;
    ASSERT_EQ(RunProgram(folder, {"--export-csv", "curves.csv", "--show", "rk,imax"}).Code, 0);
    std::string header;
    const auto points = ReadCsv(ReadWholeFile(folder / "curves.csv", 1 << 24), header);
    EXPECT_EQ(header, "Series,Vg (V),Va (V),Ip (mA)\r");
    const tubemath::TubeParams tube = Builtin807().Model.Seed;
    int curve = 0, bias = 0;
    for (const auto& [point, ip] : points) {
        const auto& [series, vg, va] = point;
        if (series == "curve") {
            const double model = tubemath::PlateCurrent(tube, std::stod(vg), va);
            ASSERT_EQ(ip, model > 0 ? model * 1000 : 0) << vg << " V, " << va << " V";
            ++curve;
        }
        bias += series == "bias" ? 1 : 0;
        EXPECT_NE(series, "load"); // its toggle is up
    }
    EXPECT_EQ(curve, 11 * 801); // Vg 0, -10, ..., -100 at 0, 1, ..., 800 V
    EXPECT_GT(bias, 100);
    // Telling points: on the -20 V curve at 300 V, at the plot's corner, and cut off.
    EXPECT_EQ(points.at({"curve", "-20", 300}), tubemath::PlateCurrent(tube, -20, 300) * 1000);
    EXPECT_EQ(points.at({"curve", "-20", 300}), 72.092564330786644); // 17 digits read back
    EXPECT_EQ(points.at({"curve", "0", 800}), tubemath::PlateCurrent(tube, 0, 800) * 1000);
    EXPECT_EQ(points.at({"curve", "-100", 100}), 0);
    EXPECT_EQ(points.at({"curve", "0", 0}), 0);
}

TEST(CurveData, TheLoadLineFollowsShowAndTheSeparatorIsAPointInAnyLocale) {
    TempFolder folder;
    ASSERT_EQ(RunProgram(folder, {"--export-csv", "load.csv", "--show", "load", "--step-v", "2,5"},
                         "LC_ALL=de_DE.UTF-8")
                  .Code,
              0);
    std::string header;
    const auto points = ReadCsv(ReadWholeFile(folder / "load.csv", 1 << 24), header);
    // B+ 400 V over Ra 3000 ohm: 100 mA at 100 V, nothing at 400 V, no row past it.
    EXPECT_DOUBLE_EQ(points.at({"load", "", 100}), 100);
    EXPECT_EQ(points.at({"load", "", 400}), 0);
    EXPECT_EQ(points.count({"load", "", 401}), 0u);
    EXPECT_TRUE(points.count({"curve", "-2.5", 10}));
    EXPECT_TRUE(points.count({"curve", "-25", 10}));
}

TEST(CurveData, FailuresExitAsTheExportDoesAndLeaveTheOldFile) {
    TempFolder folder;
    WriteFileAtomically(folder / "keep.csv", "OLD\n");
    EXPECT_EQ(RunProgram(folder, {"--export-csv", "keep.csv", "--end-v", "x"}).Code, 2);
    EXPECT_EQ(RunProgram(folder, {"--export-csv", "keep.csv", "--end-v", "0"}).Code, 1);
    EXPECT_EQ(RunProgram(folder, {"--export-csv", "keep.csv", "--end-v", "00"}).Code, 3);
    // Past the largest file the program writes: 300 curves of 10,000 points.
    const Ran large =
        RunProgram(folder, {"--export-csv", "keep.csv", "--end-v", "10000", "--grid-lines", "300"});
    EXPECT_EQ(large.Code, 4);
    EXPECT_NE(large.Err.find("at most 2000000"), std::string::npos) << large.Err;
    EXPECT_EQ(ReadWholeFile(folder / "keep.csv", 100), "OLD\n");
    const Ran missing = RunProgram(folder, {"--export-csv", "no/such/dir/c.csv"});
    EXPECT_EQ(missing.Code, 4);
    EXPECT_EQ(missing.Err, "Cannot write 'no/such/dir/c.csv': No such file or directory.\n");
    EXPECT_EQ(folder.Listing(), "keep.csv\nrun.err\nrun.out\n");
}

TEST(ExportOptions, OptionsForAnotherExportOrUnknownDialectsAreUsageProblems) {
    TempFolder folder;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--export-spice", "a.lib", "--spice-dialect", "pspice"},
          {"--export-csv", "a.csv", "--bare"},
          {"--export-csv", "a.csv", "--spice-deck", "d.cir"},
          {"--export-spice", "-", "--spice-deck", "d.cir"},
          {"--export-csv", "a.csv", "--export-spice", "a.lib"},
          {"--print-pdf", ""}}) {
        const Ran run = RunProgram(folder, arguments);
        EXPECT_EQ(run.Code, 2) << arguments[0];
        EXPECT_NE(run.Err.find("\nTry 'valvescope --help' for the options.\n"), std::string::npos);
        EXPECT_EQ(run.Err.find("Usage:"), std::string::npos);
    }
    EXPECT_EQ(folder.Listing(), "run.err\nrun.out\n");
}

// ---- SPICE -----------------------------------------------------------------------------------

class SpiceExport : public ::testing::Test {
public:
    void SetUp() override {
        if (!vt::NgspiceFound(kNgspice))
            GTEST_SKIP() << "ngspice not found: install Debian's ngspice";
    }

    // Runs ngspice on the deck and checks its table against the model.
    vt::FamilyFigures Simulate(const std::string& folder, const std::string& deck,
                               const std::string& table, const tubemath::TubeParams& tube, int endV,
                               const std::vector<double>& grids) {
        vt::RunNgspice(kNgspice, folder, deck);
        return vt::CompareFamily(vt::ReadWrdata(folder + "/" + table), tube, endV, grids);
    }

    TempFolder folder_;
};

std::vector<double> Grids(double step, int lines) {
    std::vector<double> grids;
    for (int k = 0; k <= lines; ++k)
        grids.push_back(-k * step);
    return grids;
}

TEST_F(SpiceExport, TheProgramsDeckGivesThePlottedCurvesInNgspice) {
    ASSERT_EQ(RunProgram(folder_, {"--export-spice", "807.lib"}).Code, 0);
    const std::string library = ReadWholeFile(folder_ / "807.lib", 1 << 20);
    EXPECT_NE(library.find("* Pins in order: plate grid cathode"), std::string::npos);
    EXPECT_NE(library.find("* Written by Valvescope 1.0.0."), std::string::npos);
    // The constants as named lines a designer can change, the decimal beside each; ngspice
    // gets .func, whose body it puts in place as written.
    EXPECT_NE(library.find("\n.func MuZero() {("), std::string::npos);
    EXPECT_NE(library.find(")} ; 8.7\n"), std::string::npos);
    EXPECT_NE(library.find(">= MuZero())"), std::string::npos);
    const vt::FamilyFigures f = Simulate(folder_.path().string(), "807.deck.lib", "807.deck.out",
                                         Builtin807().Model.Seed, 800, Grids(10, 10));
    EXPECT_EQ(f.points, 801 * 11);
    EXPECT_GT(f.zeros, 801); // -100 V and below cut off over most of the sweep
    EXPECT_EQ(f.bitExact, f.points);
}

TEST_F(SpiceExport, ADeckElsewhereIncludesTheSubcircuitByItsPath) {
    std::filesystem::create_directories(folder_ / "models");
    std::filesystem::create_directories(folder_ / "checks");
    ASSERT_EQ(RunProgram(folder_,
                         {"--export-spice", "models/807.lib", "--spice-deck", "checks/family.cir",
                          "--end-v", "250", "--step-v", "7,5", "--grid-lines", "16"})
                  .Code,
              0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "models/807.deck.lib"));
    const std::string deck = ReadWholeFile(folder_ / "checks/family.cir", 1 << 20);
    EXPECT_NE(deck.find(".include \"" + (folder_ / "models/807.lib") + "\""), std::string::npos);
    const vt::FamilyFigures f = Simulate(folder_ / "checks", "family.cir", "family.out",
                                         Builtin807().Model.Seed, 250, Grids(7.5, 16));
    EXPECT_EQ(f.points, 251 * 17);
    EXPECT_EQ(f.bitExact, f.points);
}

// A second tube through the exports' own function, as the command line has no tube option yet.
TEST_F(SpiceExport, ASecondTubesDeckInAnotherFolderGivesItsCurves) {
    valvescope::Tube triode;
    triode.Name = "HM-1 (test)";
    triode.Model.Seed = {0.3, 60, 25, 200, 100, 2e-6, 1.4};
    triode.Ratings = {0.005, 330, 1.2, std::nullopt};
    valvescope::PlotSettings settings;
    settings.EndV = 300;
    settings.GridStep = 0.5;
    settings.GridLineCount = 8;
    std::filesystem::create_directories(folder_ / "deck");
    valvescope::exports::ExportSpice(folder_ / "hm1.lib", folder_ / "deck/hm1.cir", triode,
                                     valvescope::exports::SpiceDialect::Ngspice, "t", settings);
    const vt::FamilyFigures f =
        Simulate(folder_ / "deck", "hm1.cir", "hm1.out", triode.Model.Seed, 300, Grids(0.5, 8));
    EXPECT_EQ(f.points, 301 * 9);
    EXPECT_EQ(f.bitExact, f.points);
}

// No LTspice here: its file is checked by reading.
TEST(SpiceExportLTspice, TheFileUsesLTspicesSyntax) {
    TempFolder folder;
    ASSERT_EQ(RunProgram(folder, {"--export-spice", "807.lib", "--spice-dialect", "LTspice"}).Code,
              0);
    const std::string file = ReadWholeFile(folder / "807.lib", 1 << 20);
    const std::string body = file.substr(file.find(".subckt"));
    EXPECT_NE(file.find("for LTspice"), std::string::npos);
    // The constants as named lines first, each with its decimal value beside it.
    EXPECT_NE(body.find(".subckt T807 plate grid cathode\n.param MuExponent={("),
              std::string::npos);
    EXPECT_NE(
        body.find("\n.param KneeFactor={((17179869259-17179869184)*(17179869188-17179869184))} "
                  "; 300\n"),
        std::string::npos);
    EXPECT_NE(body.find(" ; 2.302585092994046\nBplate plate cathode I=if("), std::string::npos);
    EXPECT_NE(body.find(">= MuZero)"), std::string::npos);
    for (const char* avoided : {"?", "^", "**", "pow", "pwr"})
        EXPECT_EQ(body.find(avoided), std::string::npos) << avoided;
    const std::string deck = ReadWholeFile(folder / "807.deck.lib", 1 << 20);
    EXPECT_NE(deck.find(".dc Vplate 0 800 1"), std::string::npos);
    EXPECT_NE(deck.find("Ix(X11:plate)"), std::string::npos);
    EXPECT_EQ(deck.find(".control"), std::string::npos);
}

// ---- the printed page and the picture --------------------------------------------------------

// A grey PGM image as pdftoppm writes it.
struct GreyImage {
    int Width = 0, Height = 0;
    std::string Pixels;
    int At(int x, int y) const { return static_cast<unsigned char>(Pixels[y * Width + x]); }
};

GreyImage ReadPgm(const std::string& path) {
    std::istringstream in(ReadWholeFile(path, 1 << 24));
    std::string magic;
    int maximum = 0;
    GreyImage image;
    in >> magic >> image.Width >> image.Height >> maximum;
    in.get();
    image.Pixels.assign(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(magic, "P5");
    EXPECT_EQ(image.Pixels.size(), static_cast<std::size_t>(image.Width * image.Height));
    return image;
}

// How many pixels of a line from (x0, y0) along (dx, dy) for `length` are darker than grey.
int DarkAlong(const GreyImage& image, int x0, int y0, int dx, int dy, int length) {
    int dark = 0;
    for (int k = 0; k < length; ++k)
        dark += image.At(x0 + k * dx, y0 + k * dy) < 180 ? 1 : 0;
    return dark;
}

TEST(PrintedPage, AnA4PageWithTheTubeTheSettingsAndThePlotsFrame) {
    if (kPoppler.empty() || kPoppler.find("NOTFOUND") != std::string::npos)
        GTEST_SKIP() << "pdftotext not found: install poppler-utils";
    const std::string bin = std::filesystem::path(kPoppler).parent_path().string();
    TempFolder folder;
    ASSERT_EQ(RunProgram(folder, {"--print-pdf", "page.pdf"}).Code, 0);
    const std::string page = folder / "page.pdf";
    const std::string info = Output(Quoted(bin + "/pdfinfo") + " " + Quoted(page));
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << info;
    const std::string text = Output(Quoted(kPoppler) + " -layout " + Quoted(page) + " -");
    for (const char* row : {"Plate characteristics of the 807", "Settings", "Tube +807",
                            "End I +200 mA", "Step V +10 V", "# Grid Lines +10", "End V +800 V",
                            "Ra +3000 \u03A9", "B\\+ +400 V", "Rk +590 \u03A9", "200 mA", "800 v"})
        EXPECT_TRUE(std::regex_search(text, std::regex(row))) << row << "\n" << text;
    EXPECT_EQ(text.find("Operating point"), std::string::npos); // no summary without the window

    // At 50 dots per inch: the picture (517 pixels wide with its labels) fills the 650 page
    // pixels between the margins, the surface 39 pixels in and 6 down from the title's foot.
    ASSERT_EQ(std::system((Quoted(bin + "/pdftoppm") + " -r 50 -gray " + Quoted(page) + " " +
                           Quoted(folder / "page"))
                              .c_str()),
              0);
    const GreyImage image = ReadPgm(folder / "page-1.pgm");
    EXPECT_EQ(image.Width, 414);
    EXPECT_EQ(image.Height, 585);
    const int left = 63, top = 61, right = 365, bottom = 208;
    const int height = bottom - top - 1, width = right - left - 1;
    EXPECT_GE(DarkAlong(image, left, top + 1, 0, 1, height), height - 2);
    EXPECT_GE(DarkAlong(image, right, top + 1, 0, 1, height), height - 2);
    EXPECT_GE(DarkAlong(image, left + 1, top, 1, 0, width), width - 2);
    EXPECT_GE(DarkAlong(image, left + 1, bottom, 1, 0, width), width - 2);
    // Nothing just outside the frame but the axis labels.
    EXPECT_LT(DarkAlong(image, left - 2, top + 1, 0, 1, height), 20);
    EXPECT_EQ(DarkAlong(image, right + 2, top + 1, 0, 1, height), 0);
    EXPECT_EQ(DarkAlong(image, left + 1, top - 2, 1, 0, width), 0);
}

TEST(PrintedPage, CarriesTheStageAndFitsTheAxesToTheMeasuredPoints) {
    if (kPoppler.empty() || kPoppler.find("NOTFOUND") != std::string::npos)
        GTEST_SKIP() << "pdftotext not found: install poppler-utils";
    const std::string bin = std::filesystem::path(kPoppler).parent_path().string();
    TempFolder folder;
    // Seven curves 2 V apart up to 287 V and 12.34 mA.
    std::string points = "Vg,Va,Ia\n0,287,12.34\n";
    for (int k = 0; k <= 6; ++k)
        points += std::to_string(-2 * k) + ",150,4\n";
    WriteFileAtomically(folder / "points.csv", points);
    const Ran run = RunProgram(folder, {"--print-pdf", "page.pdf", "--design", "text", "--data",
                                        "points.csv", "--fit-axes", "--end-i", "13"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    const std::string page = folder / "page.pdf";
    const std::string text = Output(Quoted(kPoppler) + " -layout " + Quoted(page) + " -");
    for (const char* row : {"End V +290 V", "End I +13 mA", "Step V +2 ?V", "Quiescent point",
                            "Ip 37.8 mA \\(31.5 % of rating\\)", "Vp 264 V"})
        EXPECT_TRUE(std::regex_search(text, std::regex(row))) << row << "\n" << text;
    // The analysis follows on the standard output.
    EXPECT_NE(ReadWholeFile(folder / "run.out", 1 << 16).find("Quiescent point"),
              std::string::npos);
    const std::string info = Output(Quoted(bin + "/pdfinfo") + " " + Quoted(page));
    EXPECT_NE(info.find("Plate characteristics of the 807"), std::string::npos) << info;
}

// A tube file for a tube other than the 807.
constexpr const char* kEcc82 =
    R"json({"format": 1, "name": "ECC82 (fitted)", "constants": {"MuExponent": 0.6085,
 "ExponentSlope": 15.04, "GridDecade": 5.047, "KneeFactor": 1, "MuZero": 16.26,
 "Perveance": 1.895e-05, "LawExponent": 1.501},
 "ratings": {"Imax": 0.012, "Vmax": 300, "Pmax": 2.75}})json";

TEST(Picture, SvgAndPdfTitlesNameTheTubeInUse) {
    TempFolder folder;
    WriteFileAtomically(folder / "ecc.json", kEcc82);
    ASSERT_EQ(RunProgram(folder, {"--export", "p.svg", "--tube", "ecc.json"}).Code, 0);
    EXPECT_NE(ReadWholeFile(folder / "p.svg", 1 << 24)
                  .find("<title>Plate characteristics of the ECC82 (fitted)</title>"),
              std::string::npos);
    if (kPoppler.empty() || kPoppler.find("NOTFOUND") != std::string::npos)
        GTEST_SKIP() << "pdfinfo not found: install poppler-utils";
    ASSERT_EQ(RunProgram(folder, {"--export", "p.pdf", "--tube", "ecc.json"}).Code, 0);
    const std::string bin = std::filesystem::path(kPoppler).parent_path().string();
    const std::string info = Output(Quoted(bin + "/pdfinfo") + " " + Quoted(folder / "p.pdf"));
    EXPECT_NE(info.find("Title:           Plate characteristics of the ECC82 (fitted)"),
              std::string::npos)
        << info;
}

TEST(Picture, TheExportHasLabelsAroundTheSurfaceThatBareGivesAlone) {
    TempFolder folder;
    ASSERT_EQ(RunProgram(folder, {"--export", "framed.png", "--show", "load"}).Code, 0);
    ASSERT_EQ(RunProgram(folder, {"--export", "bare.png", "--show", "load", "--bare"}).Code, 0);
    const QImage framed =
        QImage(QString::fromStdString(folder / "framed.png")).convertToFormat(QImage::Format_RGB32);
    const QImage bare =
        QImage(QString::fromStdString(folder / "bare.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bare.size(), QSize(462, 224));
    // Room for "200 mA" at the left, "800 v" past the right edge, the labels and the caption
    // below.
    EXPECT_GT(framed.width(), 462 + 40);
    EXPECT_GT(framed.height(), 224 + 30);
    // The surface sits inside pixel for pixel: its top border is the first black run of 462.
    int cornerX = -1, cornerY = -1;
    for (int y = 0; y < framed.height() && cornerY < 0; ++y)
        for (int x = 0, run = 0; x < framed.width(); ++x) {
            run = framed.pixel(x, y) == qRgb(0, 0, 0) ? run + 1 : 0;
            if (run == 462) {
                cornerX = x - 461;
                cornerY = y;
                break;
            }
        }
    ASSERT_GT(cornerX, 30);
    ASSERT_GT(cornerY, 0);
    EXPECT_TRUE(framed.copy(cornerX, cornerY, 462, 224) == bare);
}

} // namespace
