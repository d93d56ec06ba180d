// The Operating Point window's push-pull stage: the choice of stage, the pair's inputs, its
// figures and small plots, its messages, its marks on the plot, and its page.
#include "core/design/pushpullmarks.h"
#include "core/design/stagemarks.h"
#include "tests/support/windowtest.h"
#include "ui/harmonicbars.h"
#include "ui/operatingpointwindow.h"
#include "ui/pushpullinputs.h"
#include "ui/smallplotview.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

using valvescope::DrawOp;
using valvescope::DrawOpKind;

namespace {

int CountOps(const valvescope::DrawOps& ops, DrawOpKind kind, valvescope::Colour colour) {
    return static_cast<int>(std::count_if(ops.begin(), ops.end(), [&](const DrawOp& op) {
        return op.kind == kind && op.colour == colour;
    }));
}

bool HasText(const valvescope::DrawOps& ops, const std::string& text) {
    return std::any_of(ops.begin(), ops.end(), [&](const DrawOp& op) {
        return op.kind == DrawOpKind::Text && op.text == text;
    });
}

} // namespace

class TestOperatingPushPull : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void thePairFollowsItsInputsAndTheBoxes();
    void inputsWithoutAnAnswerSayWhy();
    void aMismatchedPairAndTheScreenFields();
    void byKeyboardAndBackToSingleEnded();

private:
    TOperatingPointWindow* OpenPushPull();
};

TOperatingPointWindow* TestOperatingPushPull::OpenPushPull() {
    Find<QAction>(*form_, "ActOperatingPoint")->trigger();
    auto* window = form_->findChild<TOperatingPointWindow*>();
    if (window) {
        window->StageBox()->setCurrentIndex(1);
        form_->FinishDrawing();
    }
    return window;
}

void TestOperatingPushPull::thePairFollowsItsInputsAndTheBoxes() {
    TOperatingPointWindow* window = OpenPushPull();
    QVERIFY(window && window->ShownPushPull());
    QVERIFY(!window->Shown());
    // A pair of 807s at B+ 400 V, Raa 6600 ohm and -30 V of grid, driven to 0 V: class A.
    const valvescope::PushPullAnalysis& pair = *window->ShownPushPull();
    QCOMPARE(pair.Quiescent[0].Ip, 0.08522371742897168);
    QCOMPARE(pair.Swing.Class, valvescope::PushPullClass::A);
    QVERIFY(std::fabs(pair.Swing.Power - 9.630005482935344) < 1e-9);
    QCOMPARE(pair.Sweep.size(), std::size_t(50));
    // Only odd harmonics for a matched pair: H2 has no level.
    QVERIFY(!window->Bars()->Levels()[0].has_value());
    QVERIFY(window->Bars()->Levels()[1].has_value());
    QVERIFY(window->PowerPlot()->isVisible() && window->ThdPlot()->isVisible());
    const valvescope::DrawOps power = window->PowerPlot()->Drawn();
    QVERIFY(HasText(power, "Power (W)"));
    // Saved as a picture, with a title of its own.
    QTemporaryDir dir;
    const QString svg = dir.filePath(QStringLiteral("power.svg"));
    window->PowerPlot()->SavePicture(svg);
    QFile saved(svg);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    QVERIFY(text.contains("Power against drive of the 807 push-pull pair"));
    QVERIFY(text.contains("Drive (V peak)"));
    QCOMPARE(std::count_if(power.begin(), power.end(),
                           [](const DrawOp& op) { return op.kind == DrawOpKind::Dot; }),
             1);
    // The plot carries the composite curves and the working path, not the single-ended marks.
    const valvescope::DrawOps& marked = form_->LastDrawOps();
    QVERIFY(CountOps(marked, DrawOpKind::PenColour, valvescope::kCompositeCurveColour) >= 4);
    // One teal dot, tube 1's rest: the single-ended stage's swing ends are not there.
    QCOMPARE(CountOps(marked, DrawOpKind::Dot, valvescope::kOperatingPointColour), 1);

    // The main window's B+ and the pair's own fields take effect at once.
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("350"));
    QCOMPARE(window->ShownPushPull()->Input.BPlus, 350.0);
    window->PushPullFields()->DriveEdit()->setText(QStringLiteral("15"));
    QCOMPARE(window->ShownPushPull()->Swing.Drive, 15.0);
    window->PushPullFields()->BiasBox()->setCurrentIndex(1); // the main window's Rk, 590 ohm
    QVERIFY(!window->PushPullFields()->VgEdit()->isEnabled());
    QCOMPARE(window->ShownPushPull()->Input.Bias, valvescope::PushPullBias::Cathode);
    QVERIFY(window->ShownPushPull()->RestVk > 0);
    QCOMPARE(form_->Document().StageInputs().Kind, valvescope::StageKind::PushPull);
    QVERIFY(errors_.isEmpty());
}

void TestOperatingPushPull::inputsWithoutAnAnswerSayWhy() {
    TOperatingPointWindow* window = OpenPushPull();
    QVERIFY(window);
    window->PushPullFields()->RaaEdit()->setText(QStringLiteral("0"));
    QVERIFY(!window->ShownPushPull());
    QCOMPARE(window->Message(), QStringLiteral("Raa must be a finite resistance above 0 ohm."));
    QVERIFY(window->PowerPlot()->Drawn().empty());
    form_->FinishDrawing();
    QCOMPARE(
        CountOps(form_->LastDrawOps(), DrawOpKind::PenColour, valvescope::kCompositeCurveColour),
        0);
    window->PushPullFields()->RaaEdit()->setText(QStringLiteral("6600"));
    window->PushPullFields()->VgEdit()->setText(QString());
    QVERIFY(!window->ShownPushPull());
    QVERIFY(window->Message().contains(QStringLiteral("Vg")));
    window->PushPullFields()->VgEdit()->setText(QStringLiteral("-30"));
    window->PushPullFields()->TubeBBox()->setEditText(QStringLiteral("no-such-tube.json"));
    QVERIFY(window->Message().startsWith(QStringLiteral("Tube B: ")));
    window->PushPullFields()->TubeBBox()->setEditText(QString());
    QVERIFY(window->ShownPushPull());
    QVERIFY(errors_.isEmpty()); // inline, never an error box
}

void TestOperatingPushPull::aMismatchedPairAndTheScreenFields() {
    TOperatingPointWindow* window = OpenPushPull();
    QVERIFY(window);
    TPushPullInputs* fields = window->PushPullFields();
    // The 807 here is a seed tube without a screen of its own: the screen fields rest.
    QVERIFY(!fields->ScreenBox()->isEnabled());
    QVERIFY(!fields->TapEdit()->isEnabled());
    fields->TubeBBox()->setEditText(QStringLiteral("807"));
    QCOMPARE(window->ShownPushPull()->Swing.Imbalance, 0.0);
    // A 6L6GC beside the 807: the pair is mismatched, and I1 - I2 gets even harmonics.
    fields->TubeBBox()->setEditText(QStringLiteral("6L6GC"));
    QVERIFY(window->ShownPushPull());
    QVERIFY(window->ShownPushPull()->Swing.Imbalance != 0);
    QVERIFY(window->Bars()->Levels()[0].has_value());
    QCOMPARE(window->ShownPushPull()->TubeNames[1], std::string("6L6GC"));
    QVERIFY(errors_.isEmpty());
}

void TestOperatingPushPull::byKeyboardAndBackToSingleEnded() {
    Find<QAction>(*form_, "ActOperatingPoint")->trigger();
    auto* window = form_->findChild<TOperatingPointWindow*>();
    QVERIFY(window);
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window->StageBox());
    QTest::keyClick(window->StageBox(), Qt::Key_Down);
    QVERIFY(window->ShownPushPull());
    QVERIFY(!window->LoadBox()->isVisible());
    QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window->PushPullFields()->RaaEdit());
    window->PushPullFields()->RaaEdit()->selectAll();
    QTest::keyClicks(window->PushPullFields()->RaaEdit(), QStringLiteral("5000"));
    QCOMPARE(window->ShownPushPull()->Input.Raa, 5000.0);
    QTest::keyClick(window->PushPullFields()->RaaEdit(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->PushPullFields()->BiasBox());
    // Back to the single-ended stage: its own inputs as they were, its marks on the plot.
    window->StageBox()->setCurrentIndex(0);
    QVERIFY(window->Shown());
    QVERIFY(!window->ShownPushPull());
    QVERIFY(!window->PowerPlot()->isVisible());
    form_->FinishDrawing();
    QCOMPARE(CountOps(form_->LastDrawOps(), DrawOpKind::Dot, valvescope::kOperatingPointColour), 3);
    QCOMPARE(
        CountOps(form_->LastDrawOps(), DrawOpKind::PenColour, valvescope::kCompositeCurveColour),
        0);
}

QTEST_MAIN(TestOperatingPushPull)
#include "test_operatingpushpull.moc"
