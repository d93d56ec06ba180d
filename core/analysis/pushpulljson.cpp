// The push-pull analysis as JSON, one member a line, every number to 17 significant digits.
#include "core/analysis/pushpull.h"

#include "formats/jsontext.h"

#include <nlohmann/json.hpp>

namespace valvescope {

namespace {

using Json = nlohmann::ordered_json;

Json OrNull(const std::optional<double>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json RestObject(const PushPullRest& r) {
    Json tube;
    tube["ip"] = r.Ip;
    tube["is"] = r.Is;
    tube["vp"] = r.Vp;
    tube["vs"] = r.Vs;
    tube["p"] = r.P;
    tube["ps"] = r.Ps;
    tube["ratings"] = {{"ip", OrNull(r.Ratings.Ip)},
                       {"vp", OrNull(r.Ratings.Vp)},
                       {"p", OrNull(r.Ratings.P)},
                       {"ps", OrNull(r.Ratings.Ps)}};
    return tube;
}

Json TubeSwingObject(const PushPullTubeSwing& t) {
    return {{"ipAverage", t.IpAverage},
            {"ipMin", t.IpMin},
            {"ipMax", t.IpMax},
            {"p", t.P},
            {"ps", t.Ps},
            {"cutoff", t.Cutoff}};
}

Json SwingObject(const PushPullSwing& s) {
    Json swing;
    swing["drive"] = s.Drive;
    swing["class"] = ClassName(s.Class);
    swing["harmonics"] = s.Harmonics;
    swing["thd"] = s.Thd;
    swing["power"] = s.Power;
    swing["supply"] = s.Supply;
    swing["efficiency"] = s.Efficiency;
    swing["imbalance"] = s.Imbalance;
    swing["vk"] = s.Vk;
    swing["gridPositive"] = s.GridPositive;
    swing["tubes"] = Json::array({TubeSwingObject(s.Tubes[0]), TubeSwingObject(s.Tubes[1])});
    return swing;
}

} // namespace

std::string PushPullJson(const PushPullAnalysis& a) {
    Json stage;
    stage["stage"] = "push-pull";
    stage["raa"] = a.Input.Raa;
    stage["bias"] = {{"kind", a.Input.Bias == PushPullBias::Fixed ? "fixed" : "cathode"},
                     {"vg", a.RestVg},
                     {"vk", a.RestVk}};
    stage["quiescent"] = {
        {"tubes", Json::array({RestObject(a.Quiescent[0]), RestObject(a.Quiescent[1])})},
        {"supply", a.QuiescentSupply}};
    stage["swing"] = SwingObject(a.Swing);
    if (a.Input.SweepPoints > 0) {
        Json sweep = Json::array();
        for (const PushPullSweepPoint& p : a.Sweep)
            sweep.push_back({{"drive", p.Drive}, {"power", p.Power}, {"thd", p.Thd}});
        stage["sweep"] = sweep;
    }
    return formats::JsonText(stage, formats::JsonLayout::Indented) + "\n";
}

} // namespace valvescope
