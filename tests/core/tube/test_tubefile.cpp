#include "core/tube/tubefile.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>

namespace valvescope {
namespace {

using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

// Every number of a tube as its bit pattern, so that -0, 0 and last-bit differences all count.
std::vector<std::uint64_t> Bits(const Tube& tube) {
    const auto& p = tube.Model.Seed;
    const auto& r = tube.Ratings;
    std::vector<std::uint64_t> bits;
    for (double x :
         {p.MuExponent, p.ExponentSlope, p.GridDecade, p.KneeFactor, p.MuZero, p.Perveance,
          p.LawExponent, r.Imax.value_or(-1), r.Vmax.value_or(-1), r.Pmax.value_or(-1)})
        bits.push_back(std::bit_cast<std::uint64_t>(x));
    return bits;
}

const char* const kExample =
    R"({"format": 1, "name": "807", "constants": {"MuExponent": 0.253, "ExponentSlope": 99.1,
    "GridDecade": 31.1, "KneeFactor": 300, "MuZero": 8.7, "Perveance": 5.7e-05,
    "LawExponent": 1.48}, "ratings": {"Imax": 0.12, "Vmax": 475, "Pmax": 25},
    "notes": "free text"})";

TEST(TubeFile, ReadsTheExampleTube) {
    const Tube tube = ParseTubeJson(kExample, "tube.json");
    EXPECT_EQ(tube.Name, "807");
    EXPECT_EQ(tube.Notes, "free text");
    EXPECT_EQ(tube.Model.Seed.MuExponent, 0.253);
    EXPECT_EQ(tube.Model.Seed.KneeFactor, 300.0);
    EXPECT_EQ(tube.Model.Seed.Perveance, 5.7e-05);
    EXPECT_EQ(tube.Model.Seed.LawExponent, 1.48);
    EXPECT_EQ(tube.Ratings, (TubeRatings{0.12, 475, 25, std::nullopt}));
    EXPECT_EQ(Bits(tube), Bits(Builtin807()));
}

TEST(TubeFile, WritesWholeNumbersWithoutAFraction) {
    const std::string text = TubeJson(Builtin807());
    EXPECT_NE(text.find("\"KneeFactor\": 300,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Perveance\": 5.7e-05,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Imax\": 0.12,"), std::string::npos) << text;
    EXPECT_EQ(text.find("\"format\": 1,"), 6u) << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST(TubeFile, SavedTubeReadsBackBitForBit) {
    TempFolder folder;
    Tube tube;
    tube.Name = "6L6 \"GC\" \u00b5";
    tube.Notes = "line one\nline two";
    tube.Model.Seed = {0.1 + 0.2,          1e-300,  1.0 / 3, DBL_MAX, std::nextafter(8.7, 9.0),
                       9007199254740994.0, 4.9e-324};
    tube.Ratings = {DBL_MIN, 123456789012345678.0, 2.5, std::nullopt};
    SaveTubeFile(folder / "t.json", tube);
    const Tube back = ReadTubeFile(folder / "t.json");
    EXPECT_EQ(back.Name, tube.Name);
    EXPECT_EQ(back.Notes, tube.Notes);
    EXPECT_EQ(Bits(back), Bits(tube));
    EXPECT_EQ(folder.Listing(), "t.json\n");
}

TEST(TubeFile, NotesMayBeLeftOut) {
    std::string text = kExample;
    text.replace(text.find(",\n    \"notes\""), std::string::npos, "}");
    EXPECT_EQ(ParseTubeJson(text, "t").Notes, "");
}

// The example with `from` replaced by `to`.
std::string Edited(std::string_view from, std::string_view to) {
    std::string text = kExample;
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

TEST(TubeFile, RejectsEveryFaultWithItsKey) {
    const std::pair<std::string, std::string> cases[] = {
        {"{\n\"format\": 1,\n\"name\": x\n}",
         "line 3: syntax error while parsing value - invalid literal; last read: '\"name\": x'"},
        {"", "line 1: syntax error while parsing value - unexpected end of input; expected '[', "
             "'{', or a literal"},
        {"[1]", "not a tube file: expected one JSON object"},
        {Edited("\"format\": 1, ", ""), "format: missing"},
        {Edited("\"format\": 1", "\"format\": 3"), "format: must be 1 or 2"},
        {Edited("\"format\": 1", "\"format\": \"1\""), "format: must be 1 or 2"},
        {Edited("\"format\": 1", "\"format\": 2"), "model: missing"},
        {Edited("\"name\": \"807\"", "\"name\": \"\""), "name: must be a non-empty string"},
        {Edited("\"name\": \"807\"", "\"name\": 807"), "name: must be a non-empty string"},
        {Edited("\"name\": \"807\"", "\"Name\": \"807\""), "Name: unknown key"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": 0"),
         "constants.MuZero: must be a number above zero"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": -8.7"),
         "constants.MuZero: must be a number above zero"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": \"8.7\""),
         "constants.MuZero: must be a number above zero"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": null"),
         "constants.MuZero: must be a number above zero"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": 1e999"),
         "constants.MuZero: number overflow parsing '1e999'"},
        {Edited("\"MuZero\": 8.7, ", ""), "constants.MuZero: missing"},
        {Edited("\"MuZero\"", "\"Mu0\""), "constants.Mu0: unknown key"},
        {Edited("\"MuZero\": 8.7", "\"MuZero\": 8.7, \"MuZero\": 9"),
         "constants.MuZero: given more than once"},
        {Edited("\"Imax\": 0.12", "\"Imax\": 0"), "ratings.Imax: must be a number above zero"},
        {Edited("\"Pmax\": 25", "\"Pmax\": 25, \"Vmin\": 1"), "ratings.Vmin: unknown key"},
        {Edited("\"Vmax\": 475, ", ""), "ratings.Vmax: missing"},
        {Edited("\"ratings\": {\"Imax\": 0.12, \"Vmax\": 475, \"Pmax\": 25}", "\"ratings\": []"),
         "ratings: must be an object"},
        {Edited("\"notes\": \"free text\"", "\"notes\": 1"), "notes: must be a string"},
        {Edited("\"notes\"", "\"colour\": \"red\", \"notes\""), "colour: unknown key"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ErrorFor(text), "tube.json: " + message) << text;
}

// A tube without a rating says so with null; the key itself stays required.
TEST(TubeFile, AMissingRatingIsNullAndReadsBackAsNone) {
    Tube tube = Builtin807();
    tube.Ratings = {std::nullopt, 300, std::nullopt, std::nullopt};
    const std::string text = TubeJson(tube);
    EXPECT_NE(text.find("\"Imax\": null,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Vmax\": 300,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Pmax\": null"), std::string::npos) << text;
    const Tube back = ParseTubeJson(text, "t.json");
    EXPECT_EQ(back.Ratings, (TubeRatings{std::nullopt, 300, std::nullopt, std::nullopt}));
    EXPECT_EQ(Bits(back), Bits(tube));
    std::string noKey = kExample;
    noKey.replace(noKey.find("\"Imax\": 0.12, "), 14, "");
    EXPECT_EQ(ErrorFor(noKey), "tube.json: ratings.Imax: missing");
}

TEST(TubeFile, FailedSaveLeavesTheOldFile) {
    TempFolder folder;
    const std::string path = folder / "t.json";
    SaveTubeFile(path, Builtin807());
    const std::string before = ReadText(path);

    Tube broken = Builtin807();
    broken.Model.Seed.MuZero = 0;
    EXPECT_THROW(SaveTubeFile(path, broken), TubeFileError);
    broken.Model.Seed.MuZero = NAN;
    EXPECT_THROW(SaveTubeFile(path, broken), TubeFileError);
    EXPECT_EQ(ReadText(path), before);

    const std::string nowhere = folder / "missing/t.json";
    try {
        SaveTubeFile(nowhere, Builtin807());
        ADD_FAILURE() << "saved into a folder that does not exist";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), nowhere + ": No such file or directory");
    }
    EXPECT_EQ(folder.Listing(), "t.json\n");
}

TEST(TubeFile, ReadingFailsOnAMissingOrHugeFile) {
    TempFolder folder;
    EXPECT_THROW(ReadTubeFile(folder / "none.json"), FileError);
    WriteText(folder / "big.json", std::string(kMaxTubeFileBytes + 1, ' '));
    try {
        ReadTubeFile(folder / "big.json");
        ADD_FAILURE() << "read a file above the limit";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  folder / "big.json" + ": the file is larger than 1048576 bytes");
    }
}

} // namespace
} // namespace valvescope
