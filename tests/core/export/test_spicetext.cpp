// The SPICE text: exact numbers, names, file names and the LTspice file's syntax choices.
#include "core/export/spice.h"
#include "core/export/spicedeck.h"

#include <gtest/gtest.h>

#include "core/io/atomicfile.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

namespace {

using namespace valvescope;
using namespace valvescope::exports;

// Evaluates an ExactNumber text the way a simulator does: integers, + - * / and brackets, each
// operation rounded once. Numbers of more than 11 digits are refused, as ngspice mangles them.
class Evaluator {
public:
    explicit Evaluator(std::string text) : text_(std::move(text)) {}
    double Run() {
        const double value = Sum();
        EXPECT_EQ(at_, text_.size()) << text_;
        return value;
    }

private:
    double Sum() {
        double value = Product();
        while (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) {
            const char op = text_[at_++];
            const double right = Product();
            value = op == '+' ? value + right : value - right;
        }
        return value;
    }
    double Product() {
        double value = Unary();
        while (at_ < text_.size() && (text_[at_] == '*' || text_[at_] == '/')) {
            const char op = text_[at_++];
            const double right = Unary();
            value = op == '*' ? value * right : value / right;
        }
        return value;
    }
    double Unary() {
        if (text_[at_] == '-') {
            ++at_;
            return -Unary();
        }
        if (text_[at_] == '(') {
            ++at_;
            const double value = Sum();
            EXPECT_EQ(text_[at_], ')');
            ++at_;
            return value;
        }
        std::size_t digits = 0;
        std::uint64_t whole = 0;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            whole = whole * 10 + static_cast<std::uint64_t>(text_[at_++] - '0');
            ++digits;
        }
        EXPECT_TRUE(digits == 1 || digits == 11) << "a number ngspice may misread in " << text_;
        return static_cast<double>(whole);
    }

    std::string text_;
    std::size_t at_ = 0;
};

TEST(ExactNumber, EveryDoubleComesBackBitForBit) {
    std::vector<double> values = {8.7,
                                  0.1,
                                  -0.253,
                                  5.7e-05,
                                  300,
                                  -15,
                                  1.5,
                                  2,
                                  0.5,
                                  1e300,
                                  5e-324,
                                  -2.5e-310,
                                  std::numeric_limits<double>::max(),
                                  9007199254740991.0,
                                  9007199254740992.0,
                                  134217728,
                                  134217729};
    std::mt19937_64 random(1);
    for (int i = 0; i < 2000; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(1, 2)(random);
        values.push_back(
            std::ldexp(i % 2 ? -mantissa : mantissa, static_cast<int>(random() % 2000) - 1000));
    }
    for (const double value : values)
        EXPECT_EQ(Evaluator(ExactNumber(value)).Run(), value) << ExactNumber(value);
    EXPECT_EQ(ExactNumber(0), "0");
    EXPECT_EQ(ExactNumber(-0.0), "0");
    EXPECT_EQ(ExactNumber(-15), "(-(17179869199-17179869184))");
    EXPECT_THROW(ExactNumber(std::numeric_limits<double>::infinity()), std::invalid_argument);
    EXPECT_THROW(ExactNumber(std::nan("")), std::invalid_argument);
}

TEST(SubcircuitName, KeepsWhatSpiceAccepts) {
    EXPECT_EQ(SubcircuitName("807"), "T807");
    EXPECT_EQ(SubcircuitName("EL34 (Mullard)"), "EL34__Mullard_");
    EXPECT_EQ(SubcircuitName("6L6-GC"), "T6L6_GC");
    EXPECT_EQ(SubcircuitName(""), "TUBE");
    EXPECT_EQ(SubcircuitName("_x"), "T_x");
}

TEST(DeckPathFor, PutsDeckBeforeTheExtension) {
    EXPECT_EQ(DeckPathFor("807.lib"), "807.deck.lib");
    EXPECT_EQ(DeckPathFor("model"), "model.deck");
    EXPECT_EQ(DeckPathFor("/home/a.b/model"), "/home/a.b/model.deck");
    EXPECT_EQ(DeckPathFor("/home/a.b/807.cir"), "/home/a.b/807.deck.cir");
    EXPECT_EQ(DeckPathFor("dir/.lib"), "dir/.lib.deck");
    EXPECT_EQ(DeckPathFor("x.tar.lib"), "x.tar.deck.lib");
}

TEST(SpiceSubcircuit, HeaderNamesPinsConstantsRatingsAndProgram) {
    Tube tube = Builtin807();
    tube.Name = "807\nsecond line";
    const std::string text = SpiceSubcircuit(tube, SpiceDialect::Ngspice, "1.2.3");
    for (const char* part :
         {"Pins in order: plate grid cathode", "Valvescope 1.2.3", "MuExponent    = 0.253",
          "ExponentSlope = 99.1", "GridDecade    = 31.1", "KneeFactor    = 300",
          "MuZero        = 8.7", "Perveance     = 5.7e-05", "LawExponent   = 1.48", "Imax = 0.12 A",
          "Vmax = 475 V", "Pmax = 25 W", "no grid current and no capacitances", "807 second line",
          ".subckt T807_second_line plate grid cathode", ".ends T807_second_line"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    // Every line but the header is a SPICE line or a continuation of the source.
    std::size_t lines = 0;
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1, ++lines) {
        const char first = text[at];
        EXPECT_TRUE(first == '*' || first == '.' || first == 'B' || first == '+') << at;
    }
    EXPECT_GT(lines, 20u);
    // A rating the tube does not have is said so, not written as a number.
    tube.Ratings.Vmax = std::nullopt;
    const std::string unrated = SpiceSubcircuit(tube, SpiceDialect::Ngspice, "1.2.3");
    EXPECT_NE(unrated.find("Imax = 0.12 A\n*   Vmax = no rating\n*   Pmax = 25 W\n"),
              std::string::npos)
        << unrated;
}

// No LTspice here: its file is checked by its syntax choices.
TEST(SpiceSubcircuit, LTspiceUsesItsOwnSyntax) {
    const std::string ltFile = SpiceSubcircuit(Builtin807(), SpiceDialect::LTspice, "1");
    const std::string ngFile = SpiceSubcircuit(Builtin807(), SpiceDialect::Ngspice, "1");
    EXPECT_NE(ltFile.find("for LTspice"), std::string::npos);
    const std::string lt = ltFile.substr(ltFile.find(".subckt"));
    const std::string ng = ngFile.substr(ngFile.find(".subckt"));
    EXPECT_NE(lt.find("Bplate plate cathode I=if("), std::string::npos);
    EXPECT_EQ(lt.find('?'), std::string::npos);  // no C ternary
    EXPECT_EQ(lt.find("=="), std::string::npos); // no equality operator
    EXPECT_EQ(lt.find('^'), std::string::npos);  // ^ is XOR in LTspice
    EXPECT_EQ(lt.find("**"), std::string::npos);
    EXPECT_EQ(lt.find("pow"), std::string::npos); // powers as exp(y * ln(x)), as the model
    EXPECT_NE(lt.find("exp("), std::string::npos);
    EXPECT_NE(lt.find("ln(abs("), std::string::npos);
    EXPECT_NE(lt.find("sgn(V(grid,cathode))"), std::string::npos);
    EXPECT_NE(lt.find("<= 0)"), std::string::npos);
    EXPECT_NE(ng.find(" ? 0 : "), std::string::npos);
    EXPECT_EQ(ng.find("if("), std::string::npos);
    // Both read back the same numbers: the constants' texts are the same.
    EXPECT_NE(lt.find(ExactNumber(8.7)), std::string::npos);
    EXPECT_NE(ng.find(ExactNumber(8.7)), std::string::npos);
}

// A screen-grid tube in Koren's pin order, its constants and four ratings named, in both
// dialects; its deck holds the screen or ties it to the plate.
TEST(SpiceSubcircuit, ScreenGridTubesTakeKorensPinOrder) {
    Tube tube;
    tube.Name = "EL34";
    tube.Model.Kind = tubemath::ModelKind::KorenPentode;
    tube.Model.Constants.Mu = 11;
    tube.Model.Constants.Ex = 1.35;
    tube.Model.Constants.Kg1 = 650;
    tube.Model.Constants.Kg2 = 4200;
    tube.Model.Constants.Kp = 60;
    tube.Model.Constants.Kvb = 24;
    tube.Ratings = {0.15, 800, 25, std::nullopt};
    tube.Screen = 250;
    const std::string ng = SpiceSubcircuit(tube, SpiceDialect::Ngspice, "1");
    for (const char* part :
         {"Model: koren-pentode",
          "Pins in order: plate screen grid cathode (Koren's order: P G2 G1 K)", "*   kg2 = 4200\n",
          "*   Psmax = no rating\n", ".subckt EL34 plate screen grid cathode\n", ".func mu() {",
          "} ; 1.35\n", "Bplate plate cathode I=", "Bscreen screen cathode I="})
        EXPECT_NE(ng.find(part), std::string::npos) << part;
    // Koren's pentode divides the grid voltage by the screen's, 1 where there is none.
    EXPECT_NE(ModelPlateFormula(tube.Model, SpiceDialect::Ngspice)
                  .find("(kp() * ((1 / mu()) + (V(grid,cathode) / ((V(screen,cathode) > 0) ? "
                        "V(screen,cathode) : 1))))"),
              std::string::npos);
    const std::string lt = SpiceSubcircuit(tube, SpiceDialect::LTspice, "1");
    const std::string ltBody = lt.substr(lt.find(".subckt"));
    EXPECT_NE(ltBody.find(".param kvb={"), std::string::npos);
    EXPECT_NE(ltBody.find("Bscreen screen cathode I=if("), std::string::npos);
    EXPECT_EQ(ltBody.find('?'), std::string::npos);
    EXPECT_EQ(ltBody.find("()"), std::string::npos);

    tube.Model.Kind = tubemath::ModelKind::KorenTriode;
    const std::string triode = SpiceSubcircuit(tube, SpiceDialect::Ngspice, "1");
    EXPECT_NE(triode.find(".subckt EL34 plate grid cathode\n"), std::string::npos);
    EXPECT_EQ(triode.find("Bscreen"), std::string::npos);
    EXPECT_EQ(triode.find("Psmax"), std::string::npos);

    tube.Model.Kind = tubemath::ModelKind::Derk;
    const std::string held =
        SpiceFamilyDeck(tube, SpiceDialect::Ngspice, "el34.lib", 10, {0, -5}, "o", {250, false});
    for (const char* part :
         {"Bscreen screen 0 V=", "X2 plate screen grid2 0 EL34",
          "wrdata o V(plate) V(screen) V(grid1) @b.x1.bplate[i] @b.x1.bscreen[i]",
          ".options reltol="})
        EXPECT_NE(held.find(part), std::string::npos) << part;
    const std::string tied =
        SpiceFamilyDeck(tube, SpiceDialect::LTspice, "el34.lib", 10, {0}, "o", {250, true});
    EXPECT_NE(tied.find("X1 plate plate grid1 0 EL34"), std::string::npos);
    EXPECT_NE(tied.find(".save V(plate) V(grid1) Ix(X1:plate) Ix(X1:screen)"), std::string::npos);
    EXPECT_EQ(tied.find("Bscreen"), std::string::npos);
}

TEST(SpiceFamilyDeck, LTspiceDeckSweepsAndSaves) {
    const std::string deck =
        SpiceFamilyDeck(Builtin807(), SpiceDialect::LTspice, "807.lib", 300, {0, -10}, "807.txt");
    for (const char* part :
         {".include \"807.lib\"", "Bgrid2 grid2 0 V=(-", "X2 plate grid2 0 T807",
          ".dc Vplate 0 300 1", ".save V(plate) V(grid1) Ix(X1:plate)", "plotwinsize=0", ".end\n"})
        EXPECT_NE(deck.find(part), std::string::npos) << part;
    EXPECT_EQ(deck.find(".control"), std::string::npos);
    EXPECT_THROW(SpiceFamilyDeck(Builtin807(), SpiceDialect::Ngspice, "a", -1, {0}, "o"),
                 std::invalid_argument);
    EXPECT_THROW(SpiceFamilyDeck(Builtin807(), SpiceDialect::Ngspice, "a", 1, {}, "o"),
                 std::invalid_argument);
    EXPECT_THROW(SpiceFamilyDeck(Builtin807(), SpiceDialect::Ngspice, "a", 1,
                                 std::vector<double>(kMaxDeckCurves + 1, 0.0), "o"),
                 ExportTooLargeError);
}

TEST(SpiceStageDeck, LTspiceDeckAnalysesNineHarmonics) {
    StageDeckInput in;
    in.SubcircuitFile = "807.lib";
    const std::string deck = SpiceStageDeck(Builtin807(), SpiceDialect::LTspice, in);
    EXPECT_NE(deck.find(".four 1000 9 1 I(Vmeter)"), std::string::npos);
    EXPECT_NE(deck.find(".tran 0 0.002 0 5e-07"), std::string::npos);
    in.FrequencyHz = 0;
    EXPECT_THROW(SpiceStageDeck(Builtin807(), SpiceDialect::Ngspice, in), std::invalid_argument);
}

} // namespace

namespace {

TEST(ExportSpice, WritesTheSubcircuitAndItsDeckBesideIt) {
    const auto dir = std::filesystem::temp_directory_path() / "valvescope-export.d";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "807.lib").string();
    valvescope::PlotSettings settings;
    settings.GridLineCount = 3;
    settings.EndV = 200;
    ExportSpice(path, Builtin807(), SpiceDialect::Ngspice, "9.9", settings);
    EXPECT_EQ(valvescope::ReadWholeFile(path, 1 << 20),
              SpiceSubcircuit(Builtin807(), SpiceDialect::Ngspice, "9.9"));
    const std::string deck = valvescope::ReadWholeFile((dir / "807.deck.lib").string(), 1 << 20);
    EXPECT_NE(deck.find(".include \"807.lib\""), std::string::npos);
    EXPECT_NE(deck.find("wrdata 807.deck.out"), std::string::npos);
    EXPECT_NE(deck.find("Bgrid4 grid4 0 V=(-"), std::string::npos); // -60 V, the fourth curve
    EXPECT_EQ(deck.find("Bgrid5"), std::string::npos);
    EXPECT_NE(deck.find("dc Vplate 0 200 1"), std::string::npos);
    std::filesystem::remove_all(dir);
    EXPECT_THROW(
        ExportSpice((dir / "807.lib").string(), Builtin807(), SpiceDialect::Ngspice, "1", settings),
        valvescope::FileError);
}

} // namespace
