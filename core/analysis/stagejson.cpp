// The analysis as JSON, one member a line, every number to 17 significant digits whatever the
// locale.
#include "core/analysis/stage.h"

#include "formats/jsontext.h"

#include <nlohmann/json.hpp>

namespace valvescope {

namespace {

using Json = nlohmann::ordered_json;

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
    swing["peakP"] = s.PeakP;
    swing["gridCurrent"] = s.GridCurrent;
    swing["cutoff"] = s.Cutoff;
    swing["efficiency"] = s.Efficiency ? Json(*s.Efficiency) : Json(nullptr);
    return swing;
}

} // namespace

std::string StageJson(const StageAnalysis& a) {
    const QuiescentPoint& q = a.Quiescent;
    const SmallSignal& small = a.Small;
    Json stage;
    stage["load"] = a.Input.Load == LoadKind::Transformer ? "transformer" : "resistor";
    stage["quiescent"] = {{"Ip", q.Ip}, {"Vp", q.Vp}, {"Vg", q.Vg}, {"Vk", q.Vk}, {"P", q.P}};
    stage["ratings"] = {{"Ip", a.Ratings.Ip}, {"Vp", a.Ratings.Vp}, {"P", a.Ratings.P}};
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
