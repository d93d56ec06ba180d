// Arbitrary bytes as a tube file, of either format. Reading gives a whole, valid tube of its
// model or TubeFileError naming the file; any other exception ends the run. A tube that reads is
// written again and must read back as the very same tube, and writing that one gives the very same
// text.
#include "core/tube/tubefile.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using valvescope::Tube;

constexpr std::size_t kLongestMessage = 1000;

[[noreturn]] void Fail(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

void CheckPositive(double x, const char* name) {
    if (!(std::isfinite(x) && x > 0))
        Fail("a read tube has a value that is not above zero", name);
}

void CheckSeed(const Tube& tube) {
    const auto& p = tube.Model.Seed;
    CheckPositive(p.MuExponent, "MuExponent");
    CheckPositive(p.ExponentSlope, "ExponentSlope");
    CheckPositive(p.GridDecade, "GridDecade");
    CheckPositive(p.KneeFactor, "KneeFactor");
    CheckPositive(p.MuZero, "MuZero");
    CheckPositive(p.Perveance, "Perveance");
    CheckPositive(p.LawExponent, "LawExponent");
    if (tube.Ratings.Psmax || tube.Screen != 0)
        Fail("a seed tube read with a screen", "");
}

// The model's own constants: above zero, but Reefman's a and alphaS may be zero.
void CheckModel(const Tube& tube) {
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(tube.Model.Kind)) {
        const double x = tube.Model.Constants[c];
        const bool mayBeZero =
            c == tubemath::ModelConstant::A || c == tubemath::ModelConstant::AlphaS;
        if (mayBeZero ? !(std::isfinite(x) && x >= 0) : !(std::isfinite(x) && x > 0))
            Fail("a read tube has a constant out of range", tubemath::ConstantName(c));
    }
    if (tubemath::HasScreen(tube.Model.Kind)) {
        CheckPositive(tube.Screen, "screen");
        CheckPositive(tube.Ratings.Psmax.value_or(1), "Psmax");
    } else if (tube.Ratings.Psmax || tube.Screen != 0) {
        Fail("a triode read with a screen", "");
    }
}

void CheckValid(const Tube& tube) {
    if (tube.Name.empty())
        Fail("a read tube has no name", "");
    if (tube.Model.Kind == tubemath::ModelKind::Seed)
        CheckSeed(tube);
    else
        CheckModel(tube);
    // A rating may be absent (null in the file); one that is there is above zero.
    CheckPositive(tube.Ratings.Imax.value_or(1), "Imax");
    CheckPositive(tube.Ratings.Vmax.value_or(1), "Vmax");
    CheckPositive(tube.Ratings.Pmax.value_or(1), "Pmax");
}

bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool Same(const std::optional<double>& a, const std::optional<double>& b) {
    return a.has_value() == b.has_value() && (!a || Same(*a, *b));
}

bool SameConstants(const Tube& a, const Tube& b) {
    for (int c = 0; c < tubemath::kModelConstantCount; ++c) {
        const auto constant = static_cast<tubemath::ModelConstant>(c);
        if (!Same(a.Model.Constants[constant], b.Model.Constants[constant]))
            return false;
    }
    return true;
}

bool SameTube(const Tube& a, const Tube& b) {
    const auto& p = a.Model.Seed;
    const auto& q = b.Model.Seed;
    return a.Model.Kind == b.Model.Kind && SameConstants(a, b) && Same(a.Screen, b.Screen) &&
           Same(a.Ratings.Psmax, b.Ratings.Psmax) && a.Name == b.Name && a.Notes == b.Notes &&
           Same(p.MuExponent, q.MuExponent) && Same(p.ExponentSlope, q.ExponentSlope) &&
           Same(p.GridDecade, q.GridDecade) && Same(p.KneeFactor, q.KneeFactor) &&
           Same(p.MuZero, q.MuZero) && Same(p.Perveance, q.Perveance) &&
           Same(p.LawExponent, q.LawExponent) && Same(a.Ratings.Imax, b.Ratings.Imax) &&
           Same(a.Ratings.Vmax, b.Ratings.Vmax) && Same(a.Ratings.Pmax, b.Ratings.Pmax);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Tube tube;
    try {
        tube = valvescope::ParseTubeJson(text, "fuzz.json");
    } catch (const valvescope::TubeFileError& error) {
        const std::string_view message = error.what();
        if (!message.starts_with("fuzz.json: ") || message.size() > kLongestMessage)
            Fail("badly formed message", message);
        return 0;
    }
    CheckValid(tube);
    const std::string written = valvescope::TubeJson(tube);
    Tube back;
    try {
        back = valvescope::ParseTubeJson(written, "again.json");
    } catch (const valvescope::TubeFileError& error) {
        Fail("a written tube does not read back", error.what());
    }
    if (!SameTube(back, tube))
        Fail("a written tube reads back different", written);
    if (valvescope::TubeJson(back) != written)
        Fail("writing the tube read back gives another text", written);
    return 0;
}
