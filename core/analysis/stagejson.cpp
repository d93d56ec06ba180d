// The analysis as JSON, written by hand so that every number keeps 17 significant digits
// whatever the locale.
#include "core/analysis/stage.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace valvescope {

namespace {

// Shortest form that %.17g writes; JSON has no infinity or NaN, so those become null.
std::string Number(double x) {
    if (!std::isfinite(x))
        return "null";
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::general, 17);
    return std::string(text, written.ptr);
}

// A rating fraction; null for a tube without that rating.
std::string Fraction(const std::optional<double>& fraction) {
    return fraction ? Number(*fraction) : "null";
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

// A JSON string: quotes, backslashes and control characters escaped.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

using Member = std::pair<std::string_view, std::string>;

// An object of already written values, one member a line, indented by `depth` levels.
std::string Object(std::initializer_list<Member> members, int depth) {
    const std::string inner(static_cast<std::size_t>(depth + 1) * 2, ' ');
    std::string text = "{\n";
    bool first = true;
    for (const auto& [key, value] : members) {
        if (!first)
            text += ",\n";
        first = false;
        text += inner + Quoted(key) + ": " + value;
    }
    return text + "\n" + std::string(static_cast<std::size_t>(depth) * 2, ' ') + "}";
}

std::string Harmonics(const std::array<double, 9>& harmonics) {
    std::string text = "[";
    for (std::size_t n = 0; n < harmonics.size(); ++n)
        text += (n > 0 ? ", " : "") + Number(harmonics[n]);
    return text + "]";
}

std::string SwingObject(const SignalSwing& s) {
    return Object({{"drive", Number(s.Drive)},
                   {"harmonics", Harmonics(s.Harmonics)},
                   {"thd", Number(s.Thd)},
                   {"power", Number(s.Power)},
                   {"vout", Number(s.Vout)},
                   {"gain", Number(s.Gain)},
                   {"averageIp", Number(s.AverageIp)},
                   {"minIp", Number(s.MinIp)},
                   {"maxIp", Number(s.MaxIp)},
                   {"maxVa", Number(s.MaxVa)},
                   {"peakP", Number(s.PeakP)},
                   {"gridCurrent", Bool(s.GridCurrent)},
                   {"cutoff", Bool(s.Cutoff)},
                   {"currentExceeded", Bool(s.CurrentExceeded)},
                   {"voltageExceeded", Bool(s.VoltageExceeded)},
                   {"dissipationExceeded", Bool(s.DissipationExceeded)},
                   {"efficiency", s.Efficiency ? Number(*s.Efficiency) : "null"}},
                  1);
}

std::string SettingsObject(const StageInput& in) {
    const bool transformer = in.Load == LoadKind::Transformer;
    return Object({{"bPlus", Number(in.BPlus)},
                   {"ra", Number(in.Ra)},
                   {"rk", Number(in.Rk)},
                   {"zaa", transformer && in.Zaa ? Number(*in.Zaa) : "null"},
                   {"drive", in.Drive ? Number(*in.Drive) : "null"}},
                  1);
}

std::string FractionsObject(const RatingFractions& r) {
    return Object({{"Ip", Fraction(r.Ip)}, {"Vp", Fraction(r.Vp)}, {"P", Fraction(r.P)}}, 1);
}

} // namespace

std::string StageJson(const StageAnalysis& a) {
    const QuiescentPoint& q = a.Quiescent;
    const SmallSignal& small = a.Small;
    const bool transformer = a.Input.Load == LoadKind::Transformer;
    return Object({{"tube", Quoted(a.TubeName)},
                   {"load", Quoted(transformer ? "transformer" : "resistor")},
                   {"settings", SettingsObject(a.Input)},
                   {"quiescent", Object({{"Ip", Number(q.Ip)},
                                         {"Vp", Number(q.Vp)},
                                         {"Vg", Number(q.Vg)},
                                         {"Vk", Number(q.Vk)},
                                         {"P", Number(q.P)}},
                                        1)},
                   {"ratingFractions", FractionsObject(a.Ratings)},
                   // The same fractions under the name they had; goes in the next release.
                   {"ratings", FractionsObject(a.Ratings)},
                   {"smallSignal", Object({{"mu", Number(small.Mu)},
                                           {"gm", Number(small.Gm)},
                                           {"rp", Number(small.Rp)},
                                           {"gain", Number(small.Gain)},
                                           {"gainUnbypassed", Number(small.GainUnbypassed)},
                                           {"zout", Number(small.Zout)}},
                                          1)},
                   {"swing", SwingObject(a.Swing)}},
                  0) +
           "\n";
}

} // namespace valvescope
