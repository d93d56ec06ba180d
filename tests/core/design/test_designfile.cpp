// Design files: what is saved reads back as it was, and a file that does not read names the
// key that is wrong and writes nothing over a good file.
#include "core/design/designfile.h"
#include "core/tube/library.h"
#include "tests/core/tempfolder.h"

#include <gtest/gtest.h>

#include <string>

namespace valvescope {
namespace {

using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

std::string MessageOf(const auto& run) {
    try {
        run();
    } catch (const DesignFileError& error) {
        return error.what();
    }
    return "no error";
}

// Every part of a design away from the start-up, with texts as a user might leave them.
Design OddDesign() {
    Design design;
    design.DesignTube.Name = "ECC82 (fitted) \u00b5";
    design.DesignTube.Model.Seed.Perveance = 0.1 + 0.2;
    design.DesignTube.Ratings.Imax = 0.012;
    design.DesignTube.Notes = "line one\nline two";
    design.Texts.EndV = "1,5k";
    design.Texts.Ra = "8OO";
    design.Texts.Rk = "";
    design.Show.Wp = true;
    design.Show.LoadLine = true;
    design.MeasurementFile = "/data/ECC82.utd";
    design.FittedCurves = true;
    design.Stage = {LoadKind::Transformer, "5000", " 12,5"};
    return design;
}

TEST(DesignFile, SavedDesignReadsBackAsItWas) {
    TempFolder folder;
    const std::string path = folder / "stage.json";
    SaveDesignFile(path, OddDesign());
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("\"end-v\": \"1,5k\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"load\": \"transformer\""), std::string::npos) << text;
    EXPECT_EQ(text.find("\"format\": 1,"), 6u) << text;

    const Design read = ReadDesignFile(path);
    EXPECT_EQ(read.DesignTube.Name, "ECC82 (fitted) \u00b5");
    EXPECT_EQ(read.DesignTube.Model.Seed.Perveance, 0.1 + 0.2);
    EXPECT_EQ(read.DesignTube.Model.Seed.MuZero, Builtin807().Model.Seed.MuZero);
    EXPECT_EQ(read.DesignTube.Ratings.Imax, 0.012);
    EXPECT_EQ(read.DesignTube.Notes, "line one\nline two");
    EXPECT_EQ(read.Texts.EndV, "1,5k");
    EXPECT_EQ(read.Texts.Ra, "8OO");
    EXPECT_EQ(read.Texts.Rk, "");
    EXPECT_EQ(read.Texts.BPlus, "400");
    EXPECT_FALSE(read.Show.Imax);
    EXPECT_TRUE(read.Show.Wp);
    EXPECT_TRUE(read.Show.LoadLine);
    EXPECT_EQ(read.MeasurementFile, "/data/ECC82.utd");
    EXPECT_TRUE(read.FittedCurves);
    EXPECT_EQ(read.Stage.Load, LoadKind::Transformer);
    EXPECT_EQ(read.Stage.Zaa, "5000");
    EXPECT_EQ(read.Stage.Drive, " 12,5");
}

TEST(DesignFile, RelativeMeasurementsAreTakenFromTheDesignsFolder) {
    Design design;
    design.MeasurementFile = "curves/ECC82.utd";
    EXPECT_EQ(ParseDesignJson(DesignJson(design), "/home/me/stage.json").MeasurementFile,
              "/home/me/curves/ECC82.utd");
    design.MeasurementFile.clear();
    EXPECT_EQ(ParseDesignJson(DesignJson(design), "/home/me/stage.json").MeasurementFile, "");
}

// `from` in the saved start-up design replaced by `to`.
std::string Edited(const std::string& from, const std::string& to) {
    std::string text = DesignJson(Design{});
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(DesignFile, AFileThatDoesNotReadNamesTheFileAndTheKey) {
    const auto message = [](const std::string& text) {
        return MessageOf([&] { ParseDesignJson(text, "d.json"); });
    };
    EXPECT_EQ(message(Edited("\"format\": 1", "\"format\": 2")), "d.json: format: must be 1");
    EXPECT_EQ(message(Edited("\"format\": 1,", "\"format\": 1, \"colour\": 3,")),
              "d.json: colour: unknown key");
    EXPECT_EQ(message(Edited("\"ra\": \"3000\",", "")), "d.json: settings.ra: missing");
    EXPECT_EQ(message(Edited("\"ra\": \"3000\"", "\"ra\": 3000")),
              "d.json: settings.ra: must be a string");
    EXPECT_EQ(message(Edited("\"ra\": \"3000\"", "\"ra\": \"1\", \"ra\": \"2\"")),
              "d.json: settings.ra: given more than once");
    EXPECT_EQ(message(Edited("\"wp\": false", "\"wp\": 0")),
              "d.json: show.wp: must be true or false");
    EXPECT_EQ(message(Edited("\"wp\": false", "\"wp\": false, \"grid\": true")),
              "d.json: show.grid: unknown key");
    EXPECT_EQ(message(Edited("\"load\": \"resistor\"", "\"load\": \"choke\"")),
              "d.json: stage.load: must be \"resistor\" or \"transformer\"");
    EXPECT_EQ(message(Edited("\"fitted_curves\": false", "\"fitted_curves\": null")),
              "d.json: measurements.fitted_curves: must be true or false");
    EXPECT_EQ(message(Edited("\"MuZero\": 8.7", "\"MuZero\": 0")),
              "d.json: tube: constants.MuZero: must be a number above zero");
    EXPECT_EQ(message("[1, 2]"), "d.json: not a design file: expected one JSON object");
    EXPECT_NE(message("{\"format\": 1,").find("d.json: "), std::string::npos);
    EXPECT_EQ(message("{\"format\": 1}"), "d.json: tube: missing");
}

// A screen-grid tube's design keeps how its screen was wired; without the key it starts at the
// tube's own screen voltage, and a tube without a screen has none to wire.
TEST(DesignFile, AScreenGridTubesWiringReadsBack) {
    Design design;
    design.DesignTube = TubeOf(*FindLibraryTube("EL34"));
    design.Screen = {312.5, true};
    const std::string text = DesignJson(design);
    EXPECT_NE(text.find("\"volts\": 312.5"), std::string::npos);
    const Design back = ParseDesignJson(text, "d.json");
    EXPECT_EQ(back.Screen, (tubemath::ScreenWiring{312.5, true}));
    EXPECT_EQ(back.DesignTube.Model.Kind, tubemath::ModelKind::KorenPentode);

    std::string unwired = text;
    unwired.erase(unwired.find(",\n    \"screen\""));
    unwired += "\n}\n";
    EXPECT_EQ(ParseDesignJson(unwired, "d.json").Screen, (tubemath::ScreenWiring{250, false}));

    std::string seed = DesignJson(Design{});
    EXPECT_EQ(seed.find("\"screen\""), std::string::npos);
    seed.insert(seed.find("\"format\": 1,") + 12,
                " \"screen\": {\"volts\": 250, \"triode_connected\": false},");
    EXPECT_EQ(MessageOf([&] { ParseDesignJson(seed, "d.json"); }),
              "d.json: screen: the tube's model has no screen grid");
}

// A push-pull stage keeps its kind and its pair's texts; a single-ended one is written without
// either, as before there was a pair.
TEST(DesignFile, APushPullStageReadsBackAsItWas) {
    Design design;
    design.Stage.Kind = StageKind::PushPull;
    design.Stage.PushPull = {"6,6k",  PushPullBias::Cathode,   "",
                             " 12,5", ScreenFeed::Ultralinear, "300",
                             "0.4",   "/tubes/my EL34.json"};
    const std::string text = DesignJson(design);
    EXPECT_NE(text.find("\"kind\": \"push-pull\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"bias\": \"cathode\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"screen\": \"ultralinear\""), std::string::npos) << text;
    const Design back = ParseDesignJson(text, "d.json");
    EXPECT_EQ(back.Stage.Kind, StageKind::PushPull);
    EXPECT_EQ(back.Stage.PushPull, design.Stage.PushPull);
    EXPECT_EQ(back.Stage.PushPull.TubeB, "/tubes/my EL34.json");
    EXPECT_EQ(back.Stage.PushPull.Raa, "6,6k");

    design.Stage.PushPull.Screen = ScreenFeed::TriodeConnected;
    design.Stage.PushPull.Bias = PushPullBias::Fixed;
    EXPECT_EQ(ParseDesignJson(DesignJson(design), "d.json").Stage.PushPull, design.Stage.PushPull);

    const std::string single = DesignJson(Design{});
    EXPECT_EQ(single.find("\"kind\""), std::string::npos);
    EXPECT_EQ(single.find("push_pull"), std::string::npos);
    EXPECT_EQ(ParseDesignJson(single, "d.json").Stage.Kind, StageKind::SingleEnded);
}

TEST(DesignFile, APushPullStageThatDoesNotReadNamesTheKey) {
    Design design;
    design.Stage.Kind = StageKind::PushPull;
    const std::string text = DesignJson(design);
    const auto message = [&](const std::string& from, const std::string& to) {
        std::string edited = text;
        const std::size_t at = edited.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        edited.replace(at, from.size(), to);
        return MessageOf([&] { ParseDesignJson(edited, "d.json"); });
    };
    EXPECT_EQ(message("\"bias\": \"fixed\"", "\"bias\": \"grid-leak\""),
              "d.json: stage.push_pull.bias: must be \"fixed\" or \"cathode\"");
    EXPECT_EQ(message("\"screen\": \"supply\"", "\"screen\": \"ul\""),
              "d.json: stage.push_pull.screen: must be \"supply\", \"ultralinear\" or "
              "\"triode-connected\"");
    EXPECT_EQ(message("\"kind\": \"push-pull\"", "\"kind\": \"pair\""),
              "d.json: stage.kind: must be \"single-ended\" or \"push-pull\"");
    EXPECT_EQ(message("\"kind\": \"push-pull\"", "\"kind\": 2"),
              "d.json: stage.kind: must be a string");
    EXPECT_EQ(message("\"raa\": \"6600\"", "\"raa\": 6600"),
              "d.json: stage.push_pull.raa: must be a string");
    EXPECT_EQ(message("\"tap\": \"0.43\",", ""), "d.json: stage.push_pull.tap: missing");
    EXPECT_EQ(message("\"tap\": \"0.43\"", "\"tap\": \"0.43\", \"ratio\": \"\""),
              "d.json: stage.push_pull.ratio: unknown key");
    const std::size_t pair = text.find(",\n        \"push_pull\"");
    ASSERT_NE(pair, std::string::npos) << text;
    const std::size_t end = text.find('}', pair);
    EXPECT_EQ(MessageOf([&] {
                  ParseDesignJson(std::string(text).erase(pair, end + 1 - pair), "d.json");
              }),
              "d.json: stage.push_pull: missing");
}

TEST(DesignFile, ADesignThatWouldNotReadBackWritesNothing) {
    TempFolder folder;
    const std::string path = folder / "stage.json";
    WriteText(path, "kept");
    Design design;
    design.DesignTube.Name.clear();
    EXPECT_NE(MessageOf([&] { SaveDesignFile(path, design); }).find("tube: name"),
              std::string::npos);
    EXPECT_EQ(ReadText(path), "kept");
    EXPECT_EQ(folder.Listing(), "stage.json\n");
}

} // namespace
} // namespace valvescope
