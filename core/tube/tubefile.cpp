#include "core/tube/tubefile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace valvescope {

namespace {

using Json = nlohmann::json;

struct ConstantKey {
    const char* name;
    double tubemath::TubeParams::*member;
};

// In the order the model lists them, which is also the order they are written in.
constexpr ConstantKey kConstantKeys[] = {
    {"MuExponent", &tubemath::TubeParams::MuExponent},
    {"ExponentSlope", &tubemath::TubeParams::ExponentSlope},
    {"GridDecade", &tubemath::TubeParams::GridDecade},
    {"KneeFactor", &tubemath::TubeParams::KneeFactor},
    {"MuZero", &tubemath::TubeParams::MuZero},
    {"Perveance", &tubemath::TubeParams::Perveance},
    {"LawExponent", &tubemath::TubeParams::LawExponent},
};

struct RatingKey {
    const char* name;
    std::optional<double> TubeRatings::*member;
};

constexpr RatingKey kRatingKeys[] = {
    {"Imax", &TubeRatings::Imax},
    {"Vmax", &TubeRatings::Vmax},
    {"Pmax", &TubeRatings::Pmax},
};

// Text taken from the file into a message stays short.
constexpr std::size_t kLongestQuote = 200;

std::string Shortened(std::string_view text) {
    if (text.size() <= kLongestQuote)
        return std::string(text);
    return std::string(text.substr(0, kLongestQuote)) + "...";
}

[[noreturn]] void Fail(const std::string& fileName, std::string_view where, std::string_view what) {
    std::string message = fileName + ": ";
    if (!where.empty())
        message += Shortened(where) + ": ";
    throw TubeFileError(message + std::string(what));
}

// Follows the parser through the objects to catch a key given twice (JSON would keep the last
// one without a word) and to name the key whose value the parser is reading.
struct KeyTrail {
    struct Open {
        std::string name;
        std::set<std::string> keys;
    };
    std::vector<Open> open;
    std::string lastKey;
    std::string duplicate; // the first key met twice, as a dotted path

    std::string PathTo(const std::string& key) const {
        std::string path;
        for (std::size_t i = 1; i < open.size(); ++i)
            path += open[i].name + ".";
        return path + key;
    }

    bool Follow(Json::parse_event_t event, const Json& parsed) {
        switch (event) {
        case Json::parse_event_t::object_start:
            open.push_back({lastKey, {}});
            break;
        case Json::parse_event_t::key:
            lastKey = parsed.get<std::string>();
            if (!open.empty() && !open.back().keys.insert(lastKey).second && duplicate.empty())
                duplicate = PathTo(lastKey);
            break;
        case Json::parse_event_t::object_end:
            if (!open.empty())
                open.pop_back();
            break;
        default:
            break;
        }
        return true;
    }
};

// The parser's message without its "[json.exception...] parse error at line 2, column 9: " lead.
std::string ParserDetail(const Json::exception& error) {
    const std::string_view what = error.what();
    const std::size_t lead = what.find("parse error");
    std::size_t start = what.find(": ", lead == std::string_view::npos ? 0 : lead);
    if (lead == std::string_view::npos)
        start = what.find("] ");
    return Shortened(start == std::string_view::npos ? what : what.substr(start + 2));
}

// `byte` counts from 1 and is the last character the parser read.
std::size_t LineOfByte(std::string_view text, std::size_t byte) {
    const std::size_t end = std::min(text.size(), byte > 0 ? byte - 1 : 0);
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'));
}

Json ParseJson(std::string_view text, const std::string& fileName) {
    KeyTrail trail;
    Json root;
    try {
        root = Json::parse(text.begin(), text.end(),
                           [&trail](int, Json::parse_event_t event, Json& parsed) {
                               return trail.Follow(event, parsed);
                           });
    } catch (const Json::parse_error& error) {
        Fail(fileName, "line " + std::to_string(LineOfByte(text, error.byte)), ParserDetail(error));
    } catch (const Json::exception& error) {
        // A number too large for a double: the parser gives no position, but the key it was
        // reading says where.
        Fail(fileName, trail.lastKey.empty() ? "" : trail.PathTo(trail.lastKey),
             ParserDetail(error));
    }
    if (!trail.duplicate.empty())
        Fail(fileName, trail.duplicate, "given more than once");
    return root;
}

void CheckKnownKeys(const Json& object, const std::vector<std::string_view>& known,
                    const std::string& prefix, const std::string& fileName) {
    for (const auto& [key, value] : object.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end())
            Fail(fileName, prefix + key, "unknown key");
    }
}

const Json& Member(const Json& object, const char* key, const std::string& path,
                   const std::string& fileName) {
    const auto found = object.find(key);
    if (found == object.end())
        Fail(fileName, path, "missing");
    return *found;
}

double PositiveNumber(const Json& object, const char* key, const std::string& prefix,
                      const std::string& fileName) {
    const std::string path = prefix + key;
    const Json& value = Member(object, key, path, fileName);
    if (value.is_number()) {
        const double number = value.get<double>();
        if (std::isfinite(number) && number > 0)
            return number;
    }
    Fail(fileName, path, "must be a number above zero");
}

// A rating: a number above zero, or null for none.
std::optional<double> Rating(const Json& ratings, const char* key, const std::string& fileName) {
    if (Member(ratings, key, std::string("ratings.") + key, fileName).is_null())
        return std::nullopt;
    return PositiveNumber(ratings, key, "ratings.", fileName);
}

// The object under `key`, with no key in it but `names`.
const Json& SectionOf(const Json& root, const char* key, const std::vector<std::string_view>& names,
                      const std::string& fileName) {
    const Json& section = Member(root, key, key, fileName);
    if (!section.is_object())
        Fail(fileName, key, "must be an object");
    CheckKnownKeys(section, names, std::string(key) + ".", fileName);
    return section;
}

template <typename Keys>
const Json& Section(const Json& root, const char* key, const Keys& keys,
                    const std::string& fileName) {
    std::vector<std::string_view> names;
    for (const auto& entry : keys)
        names.emplace_back(entry.name);
    return SectionOf(root, key, names, fileName);
}

int Format(const Json& root, const std::string& fileName) {
    const Json& format = Member(root, "format", "format", fileName);
    if (format.is_number_integer()) {
        const std::int64_t number = format.get<std::int64_t>();
        if (number == kTubeFileFormat || number == kModelTubeFileFormat)
            return static_cast<int>(number);
    }
    Fail(fileName, "format",
         "must be " + std::to_string(kTubeFileFormat) + " or " +
             std::to_string(kModelTubeFileFormat));
}

std::string Name(const Json& root, const std::string& fileName) {
    const Json& name = Member(root, "name", "name", fileName);
    if (!name.is_string() || name.get_ref<const std::string&>().empty())
        Fail(fileName, "name", "must be a non-empty string");
    return name.get<std::string>();
}

std::string Notes(const Json& root, const std::string& fileName) {
    const auto notes = root.find("notes");
    if (notes == root.end())
        return {};
    if (!notes->is_string())
        Fail(fileName, "notes", "must be a string");
    return notes->get<std::string>();
}

// A whole number is written without a fraction ("300", not "300.0"); it reads back as the same
// double because every integer below 2^53 is one.
template <typename JsonType> JsonType JsonNumber(double value) {
    constexpr double kExactIntegers = 9007199254740992.0; // 2^53
    if (std::trunc(value) == value && std::fabs(value) < kExactIntegers)
        return JsonType(static_cast<std::int64_t>(value));
    return JsonType(value);
}

using Ordered = nlohmann::ordered_json;

// Names and notes come from the window as UTF-8; a stray invalid byte becomes U+FFFD rather
// than failing the save.
std::string Written(const Ordered& root) {
    return root.dump(4, ' ', false, Ordered::error_handler_t::replace) + "\n";
}

// Reefman's a (the plate's own slope) and alphaS (the screen's share at low plate voltage) are
// zero in a tube without that effect; every other constant divides or scales and must be above
// zero.
bool MayBeZero(tubemath::ModelConstant constant) {
    return constant == tubemath::ModelConstant::A || constant == tubemath::ModelConstant::AlphaS;
}

double NumberNotBelowZero(const Json& object, const char* key, const std::string& prefix,
                          const std::string& fileName) {
    const std::string path = prefix + key;
    const Json& value = Member(object, key, path, fileName);
    if (value.is_number()) {
        const double number = value.get<double>();
        if (std::isfinite(number) && number >= 0)
            return number;
    }
    Fail(fileName, path, "must be a number of zero or above");
}

// The models a format 2 file names; the seed is written as format 1.
std::string ModelChoices() {
    std::string choices;
    for (const auto kind : {tubemath::ModelKind::KorenTriode, tubemath::ModelKind::KorenPentode,
                            tubemath::ModelKind::Derk, tubemath::ModelKind::DerkE}) {
        if (!choices.empty())
            choices += kind == tubemath::ModelKind::DerkE ? " or " : ", ";
        choices += tubemath::ModelName(kind);
    }
    return choices;
}

tubemath::ModelKind ModelKindOf(const Json& root, const std::string& fileName) {
    const Json& model = Member(root, "model", "model", fileName);
    if (model.is_string()) {
        const auto kind = tubemath::ModelNamed(model.get_ref<const std::string&>());
        if (kind && *kind != tubemath::ModelKind::Seed)
            return *kind;
    }
    Fail(fileName, "model", "must be " + ModelChoices());
}

std::vector<std::string_view> ConstantNamesOf(tubemath::ModelKind kind) {
    std::vector<std::string_view> names;
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(kind))
        names.push_back(tubemath::ConstantName(c));
    return names;
}

std::vector<std::string_view> RatingNamesOf(tubemath::ModelKind kind) {
    std::vector<std::string_view> names;
    for (const auto& key : kRatingKeys)
        names.emplace_back(key.name);
    if (tubemath::HasScreen(kind))
        names.emplace_back("Psmax");
    return names;
}

// A format 2 file: the model, its own constants, the ratings (Psmax too and the screen voltage
// for a screen-grid model).
Tube ModelTube(const Json& root, const std::string& fileName) {
    const tubemath::ModelKind kind = ModelKindOf(root, fileName);
    const bool screen = tubemath::HasScreen(kind);
    std::vector<std::string_view> known = {"format",    "name",    "model",
                                           "constants", "ratings", "notes"};
    if (screen)
        known.emplace_back("screen");
    CheckKnownKeys(root, known, "", fileName);

    Tube tube;
    tube.Name = Name(root, fileName);
    tube.Model.Kind = kind;
    const Json& constants = SectionOf(root, "constants", ConstantNamesOf(kind), fileName);
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(kind)) {
        const std::string name(tubemath::ConstantName(c));
        tube.Model.Constants[c] =
            MayBeZero(c) ? NumberNotBelowZero(constants, name.c_str(), "constants.", fileName)
                         : PositiveNumber(constants, name.c_str(), "constants.", fileName);
    }
    const Json& ratings = SectionOf(root, "ratings", RatingNamesOf(kind), fileName);
    for (const auto& key : kRatingKeys)
        tube.Ratings.*key.member = Rating(ratings, key.name, fileName);
    tube.Ratings.Psmax = screen ? Rating(ratings, "Psmax", fileName) : std::nullopt;
    if (screen)
        tube.Screen = PositiveNumber(root, "screen", "", fileName);
    tube.Notes = Notes(root, fileName);
    return tube;
}

Ordered RatingJson(const std::optional<double>& rating) {
    return rating ? JsonNumber<Ordered>(*rating) : Ordered(nullptr);
}

std::string ModelTubeJson(const Tube& tube) {
    const tubemath::ModelKind kind = tube.Model.Kind;
    Ordered root;
    root["format"] = kModelTubeFileFormat;
    root["name"] = tube.Name;
    root["model"] = tubemath::ModelName(kind);
    Ordered& constants = root["constants"];
    constants = Ordered::object();
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(kind))
        constants[std::string(tubemath::ConstantName(c))] =
            JsonNumber<Ordered>(tube.Model.Constants[c]);
    Ordered& ratings = root["ratings"];
    for (const auto& key : kRatingKeys)
        ratings[key.name] = RatingJson(tube.Ratings.*key.member);
    if (tubemath::HasScreen(kind)) {
        ratings["Psmax"] = RatingJson(tube.Ratings.Psmax);
        root["screen"] = JsonNumber<Ordered>(tube.Screen);
    }
    root["notes"] = tube.Notes;
    return Written(root);
}

} // namespace

Tube ParseTubeJson(std::string_view text, const std::string& fileName) {
    const Json root = ParseJson(text, fileName);
    if (!root.is_object())
        Fail(fileName, "", "not a tube file: expected one JSON object");
    if (Format(root, fileName) == kModelTubeFileFormat)
        return ModelTube(root, fileName);
    CheckKnownKeys(root, {"format", "name", "constants", "ratings", "notes"}, "", fileName);

    Tube tube;
    tube.Name = Name(root, fileName);
    const Json& constants = Section(root, "constants", kConstantKeys, fileName);
    for (const auto& key : kConstantKeys)
        tube.Model.Seed.*key.member = PositiveNumber(constants, key.name, "constants.", fileName);
    const Json& ratings = Section(root, "ratings", kRatingKeys, fileName);
    for (const auto& key : kRatingKeys)
        tube.Ratings.*key.member = Rating(ratings, key.name, fileName);
    tube.Notes = Notes(root, fileName);
    return tube;
}

Tube ReadTubeFile(const std::string& path) {
    return ParseTubeJson(ReadWholeFile(path, kMaxTubeFileBytes), path);
}

std::string TubeJson(const Tube& tube) {
    if (tube.Model.Kind != tubemath::ModelKind::Seed)
        return ModelTubeJson(tube);
    Ordered root;
    root["format"] = kTubeFileFormat;
    root["name"] = tube.Name;
    Ordered& constants = root["constants"];
    for (const auto& key : kConstantKeys)
        constants[key.name] = JsonNumber<Ordered>(tube.Model.Seed.*key.member);
    Ordered& ratings = root["ratings"];
    for (const auto& key : kRatingKeys) {
        const std::optional<double>& rating = tube.Ratings.*key.member;
        ratings[key.name] = rating ? JsonNumber<Ordered>(*rating) : Ordered(nullptr);
    }
    root["notes"] = tube.Notes;
    return Written(root);
}

void SaveTubeFile(const std::string& path, const Tube& tube) {
    const std::string text = TubeJson(tube);
    // A file that could not be opened again is no use: check it before it replaces anything.
    ParseTubeJson(text, path);
    WriteFileAtomically(path, text);
}

} // namespace valvescope
