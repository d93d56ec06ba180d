// The stage of a screen-grid tube and of Koren's triode: the screen's figures, their rating and
// where they show, the bias from plate and screen current, and the model's own slopes.
#include "core/analysis/stage.h"
#include "core/design/stagerows.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace {

using namespace valvescope;

// Koren's EL34 constants, rated as its data sheet rates it but for the screen.
Tube Pentode() {
    Tube tube;
    tube.Name = "EL34";
    tube.Model.Kind = tubemath::ModelKind::KorenPentode;
    tube.Model.Constants = {11, 1.35, 650, 4200, 60, 24, 0, 0, 0};
    tube.Ratings = {0.15, 800, 25, std::nullopt};
    tube.Screen = 250;
    return tube;
}

StageInput Transformer() {
    StageInput in;
    in.BPlus = 350;
    in.Rk = 470;
    in.Load = LoadKind::Transformer;
    in.Zaa = 3500;
    return in;
}

TEST(StageScreen, HeldScreenCurrentRunsThroughTheCathodeResistor) {
    const Tube tube = Pentode();
    const StageAnalysis a = AnalyzeStage(tube, {250, false}, Transformer());
    ASSERT_TRUE(a.Screen.has_value());
    const QuiescentPoint& q = a.Quiescent;
    // The model's own currents at the reported point: the plate's is Ip, and Rk carries both.
    const tubemath::Currents model = tubemath::CurrentsAt(tube.Model, q.Vg, q.Vp, 250);
    EXPECT_NEAR(model.Plate, q.Ip, 1e-12 * q.Ip);
    EXPECT_NEAR(model.Screen, a.Screen->Is, 1e-12 * a.Screen->Is);
    EXPECT_NEAR(q.Vk, 470 * (q.Ip + a.Screen->Is), 1e-12 * q.Vk);
    EXPECT_EQ(q.Vp, 350 - q.Vk);
    EXPECT_EQ(a.Screen->Vs, 250);
    EXPECT_EQ(a.Screen->Ps, 250 * a.Screen->Is);
    EXPECT_GT(a.Screen->Is, 0.001); // about a thirtieth of the plate's here
    EXPECT_LT(a.Screen->Is, q.Ip / 10);
    // The plate and its small-signal values are still the plate terminal's.
    const double h = 1e-4;
    const double gm = (tubemath::CurrentsAt(tube.Model, q.Vg + h, q.Vp, 250).Plate -
                       tubemath::CurrentsAt(tube.Model, q.Vg - h, q.Vp, 250).Plate) /
                      (2 * h);
    EXPECT_NEAR(a.Small.Gm, gm, 1e-6 * gm);

    // Without a screen voltage there is no stage to hold it at.
    EXPECT_THROW(
        {
            try {
                AnalyzeStage(tube, {0, false}, Transformer());
            } catch (const StageError& e) {
                EXPECT_STREQ(e.what(), kScreenMessage);
                throw;
            }
        },
        StageError);
}

TEST(StageScreen, TriodeConnectedPlateCarriesTheScreensShare) {
    const Tube tube = Pentode();
    StageInput in;
    in.BPlus = 350;
    in.Ra = 5000;
    in.Rk = 820;
    const StageAnalysis a = AnalyzeStage(tube, {0, true}, in);
    ASSERT_TRUE(a.Screen.has_value());
    const QuiescentPoint& q = a.Quiescent;
    const tubemath::Currents split = tubemath::CurrentsAt(tube.Model, q.Vg, q.Vp, q.Vp);
    EXPECT_NEAR(q.Ip, split.Plate + split.Screen, 1e-12 * q.Ip);
    EXPECT_EQ(a.Screen->Vs, q.Vp);
    EXPECT_NEAR(a.Screen->Is, split.Screen, 1e-12 * split.Screen);
    EXPECT_NEAR(q.Vk, 820 * q.Ip, 1e-12 * q.Vk); // the screen's share is in Ip already
}

TEST(StageScreen, ReportsShowTheScreenOnlyForScreenGridTubes) {
    Tube tube = Pentode();
    const nlohmann::json unrated =
        nlohmann::json::parse(StageJson(AnalyzeStage(tube, Transformer())));
    EXPECT_EQ(unrated["quiescent"]["Vs"], 250.0);
    EXPECT_GT(unrated["quiescent"]["Is"].get<double>(), 0);
    EXPECT_GT(unrated["quiescent"]["Ps"].get<double>(), 0);
    EXPECT_TRUE(unrated["ratingFractions"]["Ps"].is_null());
    EXPECT_FALSE(unrated["ratings"].contains("Ps"));
    const std::string unratedText = StageText(AnalyzeStage(tube, Transformer()));
    EXPECT_NE(unratedText.find("\n  Vs 250 V   Is "), std::string::npos) << unratedText;
    EXPECT_NE(unratedText.find(" (no rating)\n"), std::string::npos) << unratedText;

    // Rated at a tenth of what it dissipates: ten times the rating, flagged in the window.
    const double ps = unrated["quiescent"]["Ps"].get<double>();
    tube.Ratings.Psmax = ps / 10;
    const StageAnalysis over = AnalyzeStage(tube, Transformer());
    const nlohmann::json rated = nlohmann::json::parse(StageJson(over));
    EXPECT_NEAR(rated["ratingFractions"]["Ps"].get<double>(), 10, 1e-12);
    EXPECT_NE(StageText(over).find(" (1000.0 % of rating)\n"), std::string::npos);
    const StageSection quiescent = StageSections(over)[0];
    ASSERT_EQ(quiescent.Values.size(), 8u);
    EXPECT_EQ(quiescent.Values[5].Name, "Vs");
    EXPECT_EQ(quiescent.Values[7].Name, "Ps");
    EXPECT_EQ(quiescent.Values[7].Note, "1000.0 % of rating");
    EXPECT_TRUE(quiescent.Values[7].Alarm);

    // The 807 and a triode say nothing of a screen.
    const nlohmann::json seed = nlohmann::json::parse(StageJson(AnalyzeStage(Builtin807(), {})));
    EXPECT_FALSE(seed["quiescent"].contains("Vs"));
    EXPECT_FALSE(seed["ratingFractions"].contains("Ps"));
    EXPECT_EQ(StageSections(AnalyzeStage(Builtin807(), {}))[0].Values.size(), 5u);
}

TEST(StageScreen, KorenTriodeStageTakesTheModelsSlopes) {
    Tube tube;
    tube.Name = "12AX7";
    tube.Model.Kind = tubemath::ModelKind::KorenTriode;
    tube.Model.Constants = {100, 1.4, 1060, 0, 600, 300, 0, 0, 0};
    tube.Ratings = {0.008, 330, 1.2, std::nullopt};
    StageInput in;
    in.BPlus = 300;
    in.Ra = 100000;
    in.Rk = 1500;
    in.Drive = 1;
    const StageAnalysis a = AnalyzeStage(tube, in);
    EXPECT_FALSE(a.Screen.has_value());
    const QuiescentPoint& q = a.Quiescent;
    EXPECT_NEAR(tubemath::CurrentsAt(tube.Model, q.Vg, q.Vp, 0).Plate, q.Ip, 1e-12 * q.Ip);
    EXPECT_GT(q.Ip, 0.0005); // about a milliamp, as a 12AX7 runs
    EXPECT_LT(q.Ip, 0.0015);
    const double h = 1e-3;
    const auto at = [&](double vg, double va) {
        return tubemath::CurrentsAt(tube.Model, vg, va, 0).Plate;
    };
    const double gm = (at(q.Vg + h, q.Vp) - at(q.Vg - h, q.Vp)) / (2 * h);
    const double rp = 2 * h / (at(q.Vg, q.Vp + h) - at(q.Vg, q.Vp - h));
    EXPECT_NEAR(a.Small.Gm, gm, 1e-6 * gm);
    EXPECT_NEAR(a.Small.Rp, rp, 1e-6 * rp);
    EXPECT_NEAR(a.Small.Mu, 100, 10); // near Koren's mu
    EXPECT_GT(a.Swing.Harmonics[1], 0);
}

} // namespace
