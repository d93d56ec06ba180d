#include "core/design/designfile.h"

#include "core/tube/tubefile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <set>
#include <vector>

namespace valvescope {

namespace {

using Json = nlohmann::json;
using Ordered = nlohmann::ordered_json;

struct ToggleKey {
    const char* name;
    bool Overlays::*member;
};

// As --show names them, in the window's order.
constexpr std::array<ToggleKey, 5> kToggleKeys = {{
    {"imax", &Overlays::Imax},
    {"wp", &Overlays::Wp},
    {"vmax", &Overlays::Vmax},
    {"rk", &Overlays::Rk},
    {"load", &Overlays::LoadLine},
}};

[[noreturn]] void Fail(const std::string& fileName, std::string_view where, std::string_view what) {
    std::string message = fileName + ": ";
    if (!where.empty()) {
        message += std::string(where) + ": ";
    }
    throw DesignFileError(message + std::string(what));
}

// The parser's own words, without its "[json.exception.parse_error.101] " lead.
std::string ParserDetail(const Json::exception& error) {
    const std::string_view what = error.what();
    const std::size_t lead = what.find("] ");
    return std::string(lead == std::string_view::npos ? what : what.substr(lead + 2));
}

// Parses the text, refusing a key given twice in one object (JSON would keep the last one
// without a word); names it as a dotted path.
Json ParseChecked(std::string_view text, const std::string& fileName) {
    std::vector<std::pair<std::string, std::set<std::string>>> open;
    std::string lastKey;
    std::string duplicate;
    const auto follow = [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            open.push_back({lastKey, {}});
        } else if (event == Json::parse_event_t::object_end && !open.empty()) {
            open.pop_back();
        } else if (event == Json::parse_event_t::key) {
            lastKey = parsed.get<std::string>();
            if (!open.empty() && !open.back().second.insert(lastKey).second && duplicate.empty()) {
                for (std::size_t i = 1; i < open.size(); ++i) {
                    duplicate += open[i].first + ".";
                }
                duplicate += lastKey;
            }
        }
        return true;
    };
    Json root;
    try {
        root = Json::parse(text.begin(), text.end(), follow);
    } catch (const Json::exception& error) {
        Fail(fileName, "", ParserDetail(error));
    }
    if (!duplicate.empty()) {
        Fail(fileName, duplicate, "given more than once");
    }
    if (!root.is_object()) {
        Fail(fileName, "", "not a design file: expected one JSON object");
    }
    return root;
}

// The object of `parent` at the dotted `path` (its key the last part), with every one of `keys`,
// any of `optional` and no other.
const Json& Section(const Json& parent, const std::string& path,
                    const std::vector<std::string>& keys, const std::string& fileName,
                    const std::vector<std::string>& optional = {}) {
    const std::size_t dot = path.rfind('.');
    const auto found = parent.find(dot == std::string::npos ? path : path.substr(dot + 1));
    if (found == parent.end()) {
        Fail(fileName, path, "missing");
    }
    if (!found->is_object()) {
        Fail(fileName, path, "must be an object");
    }
    for (const auto& [name, value] : found->items()) {
        if (std::find(keys.begin(), keys.end(), name) == keys.end() &&
            std::find(optional.begin(), optional.end(), name) == optional.end()) {
            Fail(fileName, path + "." + name, "unknown key");
        }
    }
    for (const std::string& name : keys) {
        if (!found->contains(name)) {
            Fail(fileName, path + "." + name, "missing");
        }
    }
    return *found;
}

const std::string& Text(const Json& section, const std::string& path, const char* key,
                        const std::string& fileName) {
    const Json& value = section.at(key);
    if (!value.is_string()) {
        Fail(fileName, path + "." + key, "must be a string");
    }
    return value.get_ref<const std::string&>();
}

bool Flag(const Json& section, const std::string& path, const char* key,
          const std::string& fileName) {
    const Json& value = section.at(key);
    if (!value.is_boolean()) {
        Fail(fileName, path + "." + key, "must be true or false");
    }
    return value.get<bool>();
}

void CheckFormatAndKeys(const Json& root, const std::string& fileName) {
    const auto format = root.find("format");
    if (format == root.end()) {
        Fail(fileName, "format", "missing");
    }
    if (!format->is_number_integer() || format->get<std::int64_t>() != kDesignFileFormat) {
        Fail(fileName, "format", "must be " + std::to_string(kDesignFileFormat));
    }
    static const std::vector<std::string> known = {"format",       "tube",  "settings", "show",
                                                   "measurements", "stage", "screen"};
    for (const auto& [key, value] : root.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            Fail(fileName, key, "unknown key");
        }
    }
}

// The tube section reads exactly as a tube file does; its messages name it "tube".
Tube TubeOf(const Json& root, const std::string& fileName) {
    const auto tube = root.find("tube");
    if (tube == root.end()) {
        Fail(fileName, "tube", "missing");
    }
    if (!tube->is_object()) {
        Fail(fileName, "tube", "must be an object");
    }
    try {
        return ParseTubeJson(tube->dump(), fileName + ": tube");
    } catch (const TubeFileError& error) {
        throw DesignFileError(error.what());
    }
}

SettingsTexts SettingsOf(const Json& root, const std::string& fileName) {
    std::vector<std::string> keys;
    for (const SettingsBox& box : kSettingsBoxes) {
        keys.emplace_back(box.Option);
    }
    const Json& section = Section(root, "settings", keys, fileName);
    SettingsTexts texts;
    for (const SettingsBox& box : kSettingsBoxes) {
        texts.*box.Text = Text(section, "settings", box.Option, fileName);
    }
    return texts;
}

Overlays ShowOf(const Json& root, const std::string& fileName) {
    std::vector<std::string> keys;
    for (const ToggleKey& key : kToggleKeys) {
        keys.emplace_back(key.name);
    }
    const Json& section = Section(root, "show", keys, fileName);
    Overlays show;
    for (const ToggleKey& key : kToggleKeys) {
        show.*key.member = Flag(section, "show", key.name, fileName);
    }
    return show;
}

// A relative name is taken from the design file's folder, wherever the program runs.
std::string MeasurementPath(const std::string& file, const std::string& fileName) {
    const std::filesystem::path path(file);
    if (file.empty() || path.is_absolute()) {
        return file;
    }
    return (std::filesystem::path(fileName).parent_path() / path).string();
}

PushPullTexts PushPullOf(const Json& stage, const std::string& fileName) {
    const std::string path = "stage.push_pull";
    const Json& section =
        Section(stage, path, {"raa", "bias", "vg", "drive", "screen", "screen_v", "tap", "tube_b"},
                fileName);
    PushPullTexts texts;
    const std::optional<PushPullBias> bias =
        ReadPushPullBiasWord(Text(section, path, "bias", fileName));
    if (!bias) {
        Fail(fileName, path + ".bias", "must be \"fixed\" or \"cathode\"");
    }
    const std::optional<ScreenFeed> screen =
        ReadScreenFeedWord(Text(section, path, "screen", fileName));
    if (!screen) {
        Fail(fileName, path + ".screen",
             "must be \"supply\", \"ultralinear\" or \"triode-connected\"");
    }
    texts.Bias = *bias;
    texts.Screen = *screen;
    texts.Raa = Text(section, path, "raa", fileName);
    texts.Vg = Text(section, path, "vg", fileName);
    texts.Drive = Text(section, path, "drive", fileName);
    texts.ScreenVolts = Text(section, path, "screen_v", fileName);
    texts.Tap = Text(section, path, "tap", fileName);
    texts.TubeB = Text(section, path, "tube_b", fileName);
    return texts;
}

// The stage: a file without "kind" is a single-ended one; a push-pull stage keeps its pair's
// texts in "push_pull".
StageTexts StageOf(const Json& root, const std::string& fileName) {
    const Json& section =
        Section(root, "stage", {"load", "zaa", "drive"}, fileName, {"kind", "push_pull"});
    StageTexts stage;
    const std::optional<LoadKind> load = ReadLoadWord(Text(section, "stage", "load", fileName));
    if (!load) {
        Fail(fileName, "stage.load", "must be \"resistor\" or \"transformer\"");
    }
    stage.Load = *load;
    stage.Zaa = Text(section, "stage", "zaa", fileName);
    stage.Drive = Text(section, "stage", "drive", fileName);
    if (section.contains("kind")) {
        const std::optional<StageKind> kind =
            ReadStageKindWord(Text(section, "stage", "kind", fileName));
        if (!kind) {
            Fail(fileName, "stage.kind", "must be \"single-ended\" or \"push-pull\"");
        }
        stage.Kind = *kind;
    }
    if (stage.Kind == StageKind::PushPull || section.contains("push_pull")) {
        stage.PushPull = PushPullOf(section, fileName);
    }
    return stage;
}

// The screen's wiring: for a screen-grid tube "screen" may say it, else the tube's own voltage;
// another tube has no screen to wire.
tubemath::ScreenWiring ScreenOf(const Json& root, const Tube& tube, const std::string& fileName) {
    const bool hasScreen = tubemath::HasScreen(tube.Model.Kind);
    if (!root.contains("screen")) {
        return {hasScreen ? tube.Screen : 0, false};
    }
    if (!hasScreen) {
        Fail(fileName, "screen", "the tube's model has no screen grid");
    }
    const Json& section = Section(root, "screen", {"volts", "triode_connected"}, fileName);
    const auto volts = section.find("volts");
    if (volts == section.end()) {
        Fail(fileName, "screen.volts", "missing");
    }
    if (!volts->is_number() || !std::isfinite(volts->get<double>()) || volts->get<double>() <= 0) {
        Fail(fileName, "screen.volts", "must be a number above zero");
    }
    return {volts->get<double>(), Flag(section, "screen", "triode_connected", fileName)};
}

// A single-ended stage is written as it was before the push-pull pair: without "kind".
Ordered StageJson(const StageTexts& stage) {
    Ordered json = {{"load", LoadWord(stage.Load)}, {"zaa", stage.Zaa}, {"drive", stage.Drive}};
    if (stage.Kind == StageKind::PushPull) {
        const PushPullTexts& pair = stage.PushPull;
        json["kind"] = StageKindWord(stage.Kind);
        json["push_pull"] = {{"raa", pair.Raa},
                             {"bias", PushPullBiasWord(pair.Bias)},
                             {"vg", pair.Vg},
                             {"drive", pair.Drive},
                             {"screen", ScreenFeedWord(pair.Screen)},
                             {"screen_v", pair.ScreenVolts},
                             {"tap", pair.Tap},
                             {"tube_b", pair.TubeB}};
    }
    return json;
}

} // namespace

Design ParseDesignJson(std::string_view text, const std::string& fileName) {
    const Json root = ParseChecked(text, fileName);
    CheckFormatAndKeys(root, fileName);
    Design design;
    design.DesignTube = TubeOf(root, fileName);
    design.Texts = SettingsOf(root, fileName);
    design.Show = ShowOf(root, fileName);
    const Json& measurements = Section(root, "measurements", {"file", "fitted_curves"}, fileName);
    design.MeasurementFile =
        MeasurementPath(Text(measurements, "measurements", "file", fileName), fileName);
    design.FittedCurves = Flag(measurements, "measurements", "fitted_curves", fileName);
    design.Stage = StageOf(root, fileName);
    design.Screen = ScreenOf(root, design.DesignTube, fileName);
    return design;
}

Design ReadDesignFile(const std::string& path) {
    return ParseDesignJson(ReadWholeFile(path, kMaxDesignFileBytes), path);
}

std::string DesignJson(const Design& design) {
    Ordered root;
    root["format"] = kDesignFileFormat;
    root["tube"] = Ordered::parse(TubeJson(design.DesignTube));
    Ordered& settings = root["settings"];
    for (const SettingsBox& box : kSettingsBoxes) {
        settings[box.Option] = design.Texts.*box.Text;
    }
    Ordered& show = root["show"];
    for (const ToggleKey& key : kToggleKeys) {
        show[key.name] = design.Show.*key.member;
    }
    root["measurements"] = {{"file", design.MeasurementFile},
                            {"fitted_curves", design.FittedCurves}};
    root["stage"] = StageJson(design.Stage);
    if (tubemath::HasScreen(design.DesignTube.Model.Kind)) {
        root["screen"] = {{"volts", design.Screen.Volts},
                          {"triode_connected", design.Screen.TriodeConnected}};
    }
    // Texts come from the window as UTF-8; a stray invalid byte becomes U+FFFD rather than
    // failing the save.
    return root.dump(4, ' ', false, Ordered::error_handler_t::replace) + "\n";
}

void SaveDesignFile(const std::string& path, const Design& design) {
    const std::string text = DesignJson(design);
    // A file that could not be opened again is no use: check it before it replaces anything.
    ParseDesignJson(text, path);
    WriteFileAtomically(path, text);
}

} // namespace valvescope
