// The analysis as JSON, one member a line, every number to 17 significant digits whatever the
// locale.
#include "core/analysis/stage.h"

#include "formats/jsontext.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace valvescope {

namespace {

using Json = nlohmann::ordered_json;

// A value that may be missing (a rating the tube does not have, a drive not given): null then.
Json OrNull(const std::optional<double>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json SwingObject(const SignalSwing& s) {
    Json swing;
    swing["drive"] = s.Drive;
    swing["harmonics"] = s.Harmonics;
    swing["thd"] = s.Thd;
    swing["power"] = s.Power;
    swing["vout"] = s.Vout;
    swing["gain"] = s.Gain;
    swing["averageIp"] = s.AverageIp;
    swing["minIp"] = s.MinIp;
    swing["maxIp"] = s.MaxIp;
    swing["maxVa"] = s.MaxVa;
    swing["peakP"] = s.PeakP;
    swing["gridCurrent"] = s.GridCurrent;
    swing["cutoff"] = s.Cutoff;
    swing["currentExceeded"] = s.CurrentExceeded;
    swing["voltageExceeded"] = s.VoltageExceeded;
    swing["dissipationExceeded"] = s.DissipationExceeded;
    swing["efficiency"] = OrNull(s.Efficiency);
    return swing;
}

Json SettingsObject(const StageInput& in) {
    const bool transformer = in.Load == LoadKind::Transformer;
    Json settings;
    settings["bPlus"] = in.BPlus;
    settings["ra"] = in.Ra;
    settings["rk"] = in.Rk;
    settings["zaa"] = transformer ? OrNull(in.Zaa) : Json(nullptr);
    settings["drive"] = OrNull(in.Drive);
    return settings;
}

Json FractionsObject(const RatingFractions& r) {
    return {{"Ip", OrNull(r.Ip)}, {"Vp", OrNull(r.Vp)}, {"P", OrNull(r.P)}};
}

// The quiescent point, and a screen-grid tube's screen beside it.
Json QuiescentObject(const QuiescentPoint& q, const std::optional<ScreenPoint>& screen) {
    Json quiescent = {{"Ip", q.Ip}, {"Vp", q.Vp}, {"Vg", q.Vg}, {"Vk", q.Vk}, {"P", q.P}};
    if (screen) {
        quiescent["Vs"] = screen->Vs;
        quiescent["Is"] = screen->Is;
        quiescent["Ps"] = screen->Ps;
    }
    return quiescent;
}

} // namespace

std::string StageJson(const StageAnalysis& a) {
    const QuiescentPoint& q = a.Quiescent;
    const SmallSignal& small = a.Small;
    Json stage;
    stage["tube"] = a.TubeName;
    stage["load"] = a.Input.Load == LoadKind::Transformer ? "transformer" : "resistor";
    stage["settings"] = SettingsObject(a.Input);
    stage["quiescent"] = QuiescentObject(q, a.Screen);
    stage["ratingFractions"] = FractionsObject(a.Ratings);
    if (a.Screen)
        stage["ratingFractions"]["Ps"] = OrNull(a.Ratings.Ps);
    // The same fractions under the name they had; goes in the next release.
    stage["ratings"] = FractionsObject(a.Ratings);
    stage["smallSignal"] = {{"mu", small.Mu},
                            {"gm", small.Gm},
                            {"rp", small.Rp},
                            {"gain", small.Gain},
                            {"gainUnbypassed", small.GainUnbypassed},
                            {"zout", small.Zout}};
    stage["swing"] = SwingObject(a.Swing);
    return formats::JsonText(stage, formats::JsonLayout::Indented) + "\n";
}

} // namespace valvescope
