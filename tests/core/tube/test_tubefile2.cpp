// Tube files of format 2 (the Koren and Reefman models), and format 1 left exactly as it was.
#include "core/tube/library.h"
#include "core/tube/tubefile.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

namespace valvescope {
namespace {

using tubemath::ModelKind;

// Every number the tube file carries, as bit patterns (-1 for a rating that is none).
std::vector<std::uint64_t> Bits(const Tube& tube) {
    std::vector<std::uint64_t> bits;
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(tube.Model.Kind))
        bits.push_back(std::bit_cast<std::uint64_t>(tube.Model.Constants[c]));
    const TubeRatings& r = tube.Ratings;
    for (const double x : {r.Imax.value_or(-1), r.Vmax.value_or(-1), r.Pmax.value_or(-1),
                           r.Psmax.value_or(-1), tube.Screen})
        bits.push_back(std::bit_cast<std::uint64_t>(x));
    return bits;
}

// A tube of each model with numbers that only read back when every digit is written.
Tube AwkwardTube(ModelKind kind) {
    Tube tube;
    tube.Name = "awkward \"µ\"";
    tube.Notes = "line one\nline two";
    tube.Model.Kind = kind;
    const double values[] = {
        0.1 + 0.2,          1.0 / 3, DBL_MAX, std::nextafter(8.7, 9.0), 4.9e-324, 1e300,
        9007199254740994.0, 0.0,     1e-4};
    std::size_t i = 0;
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(kind))
        tube.Model.Constants[c] = values[i++];
    tube.Ratings = {DBL_MIN, std::nullopt, 2.5, std::nullopt};
    if (tubemath::HasScreen(kind)) {
        tube.Ratings.Psmax = 1.0 / 7;
        tube.Screen = 250.5;
    }
    return tube;
}

TEST(TubeFileFormat2, EveryModelReadsBackBitForBit) {
    testing::TempFolder folder;
    for (const ModelKind kind :
         {ModelKind::KorenTriode, ModelKind::KorenPentode, ModelKind::Derk, ModelKind::DerkE}) {
        const Tube tube = AwkwardTube(kind);
        SaveTubeFile(folder / "t.json", tube);
        const Tube back = ReadTubeFile(folder / "t.json");
        EXPECT_EQ(back.Model.Kind, kind);
        EXPECT_EQ(back.Name, tube.Name);
        EXPECT_EQ(back.Notes, tube.Notes);
        EXPECT_EQ(Bits(back), Bits(tube)) << tubemath::ModelName(kind);
        EXPECT_EQ(TubeJson(back), TubeJson(tube));
    }
    for (const LibraryTube& entry : TubeLibrary()) {
        const Tube tube = TubeOf(entry);
        const Tube back = ParseTubeJson(TubeJson(tube), "t.json");
        EXPECT_EQ(Bits(back), Bits(tube)) << entry.Name;
        EXPECT_EQ(back.Ratings, tube.Ratings) << entry.Name;
    }
}

TEST(TubeFileFormat2, WritesTheModelItsConstantsAndTheScreen) {
    Tube tube;
    tube.Name = "EF80";
    tube.Model.Kind = ModelKind::DerkE;
    tube.Model.Constants = {50, 1.25, 400, 2000, 200, 300, 0, 3, 0.1};
    tube.Ratings = {std::nullopt, 300, 2.5, 0.7};
    tube.Screen = 250;
    tube.Notes = "n";
    EXPECT_EQ(TubeJson(tube), R"({
    "format": 2,
    "name": "EF80",
    "model": "derke",
    "constants": {
        "mu": 50,
        "ex": 1.25,
        "kg1": 400,
        "kg2": 2000,
        "kp": 200,
        "kvb": 300,
        "a": 0,
        "alphaS": 3,
        "beta": 0.1
    },
    "ratings": {
        "Imax": null,
        "Vmax": 300,
        "Pmax": 2.5,
        "Psmax": 0.7
    },
    "screen": 250,
    "notes": "n"
}
)");
    // A triode model has no screen: neither its rating nor its voltage is written.
    tube.Model.Kind = ModelKind::KorenTriode;
    const std::string triode = TubeJson(tube);
    EXPECT_EQ(triode.find("Psmax"), std::string::npos) << triode;
    EXPECT_EQ(triode.find("screen"), std::string::npos) << triode;
    EXPECT_EQ(triode.find("kg2"), std::string::npos) << triode;
}

// A seed tube is format 1 to the byte, whatever screen it was given.
TEST(TubeFileFormat2, SeedTubeStaysFormatOne) {
    const char* const k807 = R"({
    "format": 1,
    "name": "807",
    "constants": {
        "MuExponent": 0.253,
        "ExponentSlope": 99.1,
        "GridDecade": 31.1,
        "KneeFactor": 300,
        "MuZero": 8.7,
        "Perveance": 5.7e-05,
        "LawExponent": 1.48
    },
    "ratings": {
        "Imax": 0.12,
        "Vmax": 475,
        "Pmax": 25
    },
    "notes": "Built in."
}
)";
    Tube tube = Builtin807();
    EXPECT_EQ(TubeJson(tube), k807);
    tube.Screen = 250;
    tube.Ratings.Psmax = 5;
    tube.Model.Constants.Mu = 10;
    EXPECT_EQ(TubeJson(tube), k807);
    EXPECT_EQ(ParseTubeJson(k807, "t").Model.Kind, ModelKind::Seed);
}

const char* const kPentode =
    R"({"format": 2, "name": "P", "model": "derk", "constants": {"mu": 10, "ex": 1.4,
    "kg1": 600, "kg2": 4000, "kp": 40, "kvb": 20, "a": 0.001, "alphaS": 2, "beta": 0.05},
    "ratings": {"Imax": 0.1, "Vmax": 400, "Pmax": 20, "Psmax": 3}, "screen": 250})";

std::string Edited(std::string_view from, std::string_view to) {
    std::string text = kPentode;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

std::string ErrorFor(const std::string& text) {
    try {
        ParseTubeJson(text, "tube.json");
    } catch (const TubeFileError& error) {
        return error.what();
    }
    return "no error";
}

TEST(TubeFileFormat2, ReadsAScreenGridTube) {
    const Tube tube = ParseTubeJson(kPentode, "tube.json");
    EXPECT_EQ(tube.Model.Kind, ModelKind::Derk);
    EXPECT_EQ(tube.Model.Constants.Kg2, 4000.0);
    EXPECT_EQ(tube.Model.Constants.A, 0.001);
    EXPECT_EQ(tube.Model.Constants.Beta, 0.05);
    EXPECT_EQ(tube.Ratings, (TubeRatings{0.1, 400, 20, 3}));
    EXPECT_EQ(tube.Screen, 250.0);
    EXPECT_EQ(tube.Notes, "");
    EXPECT_EQ(ParseTubeJson(Edited("\"a\": 0.001, \"alphaS\": 2", "\"a\": 0, \"alphaS\": 0"), "t")
                  .Model.Constants.AlphaS,
              0.0);
    EXPECT_FALSE(ParseTubeJson(Edited("\"Psmax\": 3", "\"Psmax\": null"), "t").Ratings.Psmax);
}

TEST(TubeFileFormat2, RejectsEveryFaultWithItsKey) {
    const std::pair<std::string, std::string> cases[] = {
        {Edited("\"model\": \"derk\", ", ""), "model: missing"},
        {Edited("\"derk\"", "\"seed\""),
         "model: must be koren-triode, koren-pentode, derk or derke"},
        {Edited("\"derk\"", "\"Derk\""),
         "model: must be koren-triode, koren-pentode, derk or derke"},
        {Edited("\"derk\"", "7"), "model: must be koren-triode, koren-pentode, derk or derke"},
        {Edited("\"kg2\": 4000, ", ""), "constants.kg2: missing"},
        {Edited("\"kg2\": 4000", "\"kg2\": 0"), "constants.kg2: must be a number above zero"},
        {Edited("\"beta\": 0.05", "\"beta\": 0"), "constants.beta: must be a number above zero"},
        {Edited("\"a\": 0.001", "\"a\": -0.001"), "constants.a: must be a number of zero or above"},
        {Edited("\"alphaS\": 2", "\"alphaS\": null"),
         "constants.alphaS: must be a number of zero or above"},
        {Edited("\"mu\": 10", "\"mu\": 1e999"), "constants.mu: number overflow parsing '1e999'"},
        {Edited("\"mu\"", "\"MuZero\""), "constants.MuZero: unknown key"},
        {Edited("\"ex\": 1.4", "\"ex\": 1.4, \"ex\": 1.5"), "constants.ex: given more than once"},
        {Edited("\"Psmax\": 3", "\"Psmax\": -3"), "ratings.Psmax: must be a number above zero"},
        {Edited(", \"Psmax\": 3", ""), "ratings.Psmax: missing"},
        {Edited(", \"screen\": 250", ""), "screen: missing"},
        {Edited("\"screen\": 250", "\"screen\": 0"), "screen: must be a number above zero"},
        {Edited("\"screen\": 250", "\"screen\": \"250\""), "screen: must be a number above zero"},
        {Edited("\"screen\": 250", "\"screen\": 250, \"triode\": true"), "triode: unknown key"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorFor(text), "tube.json: " + message) << text;

    // A triode model takes neither the screen-grid constants nor a screen.
    const std::string triode =
        R"({"format": 2, "name": "T", "model": "koren-triode", "constants": {"mu": 100,
        "ex": 1.4, "kg1": 1060, "kp": 600, "kvb": 300}, "ratings": {"Imax": null,
        "Vmax": null, "Pmax": null}})";
    EXPECT_EQ(ParseTubeJson(triode, "t").Model.Constants.Kvb, 300.0);
    auto triodeWith = [&triode](std::string_view from, std::string_view to) {
        std::string text = triode;
        return text.replace(text.find(from), from.size(), to);
    };
    EXPECT_EQ(ErrorFor(triodeWith("\"kvb\": 300", "\"kvb\": 300, \"kg2\": 1")),
              "tube.json: constants.kg2: unknown key");
    EXPECT_EQ(ErrorFor(triodeWith("\"Pmax\": null", "\"Pmax\": null, \"Psmax\": 1")),
              "tube.json: ratings.Psmax: unknown key");
    EXPECT_EQ(ErrorFor(triodeWith("}}", "}, \"screen\": 250}")), "tube.json: screen: unknown key");
    // Format 1 knows no model.
    EXPECT_EQ(ErrorFor(Edited("\"format\": 2", "\"format\": 1")), "tube.json: model: unknown key");
}

TEST(TubeFileFormat2, ATubeThatWouldNotReadBackIsNotSaved) {
    testing::TempFolder folder;
    Tube tube = AwkwardTube(ModelKind::Derk);
    tube.Screen = 0;
    EXPECT_THROW(SaveTubeFile(folder / "t.json", tube), TubeFileError);
    tube = AwkwardTube(ModelKind::KorenPentode);
    tube.Model.Constants.Kvb = NAN;
    EXPECT_THROW(SaveTubeFile(folder / "t.json", tube), TubeFileError);
    EXPECT_EQ(folder.Listing(), "");
}

} // namespace
} // namespace valvescope
