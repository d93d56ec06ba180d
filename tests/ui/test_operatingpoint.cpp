// The Operating Point window: opened from the plot's menu and Ctrl+D, following the main
// window's boxes, its own inputs, its messages in place of an error box, and the marks it puts
// on the plot while it is open.
#include "core/design/stagemarks.h"
#include "core/design/stagerows.h"
#include "core/session/plotjob.h"
#include "tests/support/starttexts.h"
#include "tests/support/windowtest.h"
#include "ui/harmonicbars.h"
#include "ui/operatingpointwindow.h"
#include "ui/paintbox.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>

using valvescope::DrawOp;
using valvescope::DrawOpKind;

namespace {

valvescope::DrawOps StartDrawing() {
    return valvescope::DrawPlotWithoutWindow({valvescope::fixtures::StartupTexts(), {}, 462, 224})
        .Ops;
}

int CountOps(const valvescope::DrawOps& ops, DrawOpKind kind, valvescope::Colour colour) {
    return static_cast<int>(std::count_if(ops.begin(), ops.end(), [&](const DrawOp& op) {
        return op.kind == kind && op.colour == colour;
    }));
}

} // namespace

class TestOperatingPoint : public WindowTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuEntryAndCtrlDOpenOneWindow();
    void marksShowWhileOpenAndGoWhenClosed();
    void followsTheBoxesAndShowsTheirProblemsInline();
    void transformerNeedsZaaAndDrawsItsLine();
    void valuesOverARatingAreRed();
    void everyInputByKeyboard();

private:
    TOperatingPointWindow* Open();
};

void TestOperatingPoint::init() {
    OpenWindow();
}

void TestOperatingPoint::cleanup() {
    CloseWindow();
}

TOperatingPointWindow* TestOperatingPoint::Open() {
    Find<QAction>(*form_, "ActOperatingPoint")->trigger();
    auto* window = form_->findChild<TOperatingPointWindow*>();
    if (window) {
        form_->FinishDrawing();
    }
    return window;
}

void TestOperatingPoint::menuEntryAndCtrlDOpenOneWindow() {
    const QAction* action = Find<QAction>(*form_, "ActOperatingPoint");
    QVERIFY(Find<TPaintBox>(*form_, "PaintBox1")->actions().contains(action));
    QCOMPARE(action->text(), QStringLiteral("Operating Point..."));
    QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    // Even while a box has the focus.
    Find<QComboBox>(*form_, "CmbBxRa")->setFocus();
    QTest::keyClick(Find<QComboBox>(*form_, "CmbBxRa")->lineEdit(), Qt::Key_D, Qt::ControlModifier);
    auto* window = form_->findChild<TOperatingPointWindow*>();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    QCOMPARE(window->windowTitle(), QStringLiteral("Operating Point"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRa")->currentText(), QStringLiteral("3000"));
    QCOMPARE(Open(), window); // the same window again
    QCOMPARE(form_->findChildren<TOperatingPointWindow*>().size(), 1);
    QVERIFY(errors_.isEmpty());
}

void TestOperatingPoint::marksShowWhileOpenAndGoWhenClosed() {
    const valvescope::DrawOps plain = StartDrawing();
    QCOMPARE(form_->LastDrawOps(), plain);
    TOperatingPointWindow* window = Open();
    QVERIFY(window && window->Shown());
    const valvescope::DrawOps& marked = form_->LastDrawOps();
    // Three dots, then the stage's DC load line: its pen, width, start and end.
    QCOMPARE(marked.size(), plain.size() + 7);
    QVERIFY(std::equal(plain.begin(), plain.end(), marked.begin()));
    QCOMPARE(CountOps(marked, DrawOpKind::Dot, valvescope::kOperatingPointColour), 3);
    QCOMPARE(CountOps(marked, DrawOpKind::PenColour, valvescope::kStageLoadLineColour), 1);
    // The quiescent dot last of the dots: Vp 264.2 V plate to cathode, column 264.2 * 462 / 800.
    const valvescope::DrawOp& q = marked[plain.size() + 2];
    QCOMPARE(q.kind, DrawOpKind::Dot);
    QCOMPARE(q.x, 153);
    QCOMPARE(q.size, 4);
    QCOMPARE(window->Shown()->Quiescent.Ip, 0.037817763396050676);
    QCOMPARE(window->Bars()->Levels(), valvescope::LevelsBelowH1(window->Shown()->Swing));
    QVERIFY(window->Bars()->Levels()[0].has_value());

    window->close();
    form_->FinishDrawing();
    QCOMPARE(form_->LastDrawOps(), plain);
    // Typing while closed keeps the plot plain.
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("350"));
    form_->FinishDrawing();
    QCOMPARE(CountOps(form_->LastDrawOps(), DrawOpKind::Dot, valvescope::kOperatingPointColour), 0);
    // Opened again: on the new settings, with the inputs it had.
    QCOMPARE(Open(), window);
    QCOMPARE(window->Shown()->Input.BPlus, 350.0);
    QVERIFY(errors_.isEmpty());
}

void TestOperatingPoint::followsTheBoxesAndShowsTheirProblemsInline() {
    TOperatingPointWindow* window = Open();
    QVERIFY(window);
    PasteInto(Find<QComboBox>(*form_, "CmbBxRk"), QStringLiteral("300"));
    form_->FinishDrawing();
    QCOMPARE(window->Shown()->Input.Rk, 300.0);
    QCOMPARE(window->Message(), QString());

    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QString());
    QVERIFY(!window->Shown());
    QCOMPARE(window->Message(), QStringLiteral("B+ is blank or zero: no stage to analyse"));
    QVERIFY(errors_.isEmpty()); // the main window stays silent, and so does this one
    QCOMPARE(form_->LastDrawOps().size(), std::size_t(1));

    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("4x0"));
    QCOMPARE(window->Message(), QStringLiteral("'4x0' is not a valid floating point value."));
    QCOMPARE(errors_.size(), 1); // the main window's own box, no second one
    QCOMPARE(errors_[0].Text, window->Message());

    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("-400"));
    QCOMPARE(window->Message(), QStringLiteral("B+ must be a finite voltage above 0 V."));
    QCOMPARE(errors_.size(), 1);
    form_->FinishDrawing();
    QCOMPARE(CountOps(form_->LastDrawOps(), DrawOpKind::Dot, valvescope::kOperatingPointColour), 0);

    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("400"));
    QVERIFY(window->Shown());
    QVERIFY(window->Message().isEmpty());
    window->DriveEdit()->setText(QStringLiteral("x"));
    QCOMPARE(window->Message(), QStringLiteral("'x' is not a valid floating point value."));
    window->DriveEdit()->setText(QStringLiteral("10"));
    QCOMPARE(window->Shown()->Swing.Drive, 10.0);
    QCOMPARE(errors_.size(), 1);
}

void TestOperatingPoint::transformerNeedsZaaAndDrawsItsLine() {
    TOperatingPointWindow* window = Open();
    QVERIFY(window);
    QVERIFY(!window->ZaaEdit()->isEnabled());
    window->LoadBox()->setCurrentIndex(1);
    QVERIFY(window->ZaaEdit()->isEnabled());
    QCOMPARE(window->Message(), QStringLiteral("Zaa is missing: a transformer load needs it."));
    form_->FinishDrawing();
    QCOMPARE(CountOps(form_->LastDrawOps(), DrawOpKind::Dot, valvescope::kOperatingPointColour), 0);
    QTest::keyClicks(window->ZaaEdit(), QStringLiteral("5000"));
    form_->FinishDrawing();
    QVERIFY(window->Shown());
    QCOMPARE(window->Shown()->Input.Zaa, 5000.0);
    const valvescope::DrawOps& ops = form_->LastDrawOps();
    QCOMPARE(CountOps(ops, DrawOpKind::PenColour, valvescope::kDarkGreen), 1);
    QCOMPARE(CountOps(ops, DrawOpKind::Dot, valvescope::kOperatingPointColour), 3);
    QVERIFY(errors_.isEmpty());
}

void TestOperatingPoint::valuesOverARatingAreRed() {
    TOperatingPointWindow* window = Open();
    QVERIFY(window);
    // B+ 500 over a transformer with Rk 100: the plate near 490 V, over the 807's 475 V.
    PasteInto(Find<QComboBox>(*form_, "CmbBxRk"), QStringLiteral("100"));
    PasteInto(Find<QComboBox>(*form_, "CmbBxBplus"), QStringLiteral("500"));
    window->LoadBox()->setCurrentIndex(1);
    window->ZaaEdit()->setText(QStringLiteral("5000"));
    QVERIFY(window->Shown());
    int over = 0;
    int within = 0;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().endsWith(QStringLiteral("% of rating"))) {
            continue;
        }
        const double percent = label->text().section(u' ', 0, 0).toDouble();
        const bool red = label->palette().color(QPalette::WindowText) == QColor(0xC0, 0, 0);
        QVERIFY2(red == (percent > 100), qPrintable(label->text()));
        (red ? over : within) += 1;
    }
    QVERIFY(over >= 1);
    QCOMPARE(over + within, 3);
}

void TestOperatingPoint::everyInputByKeyboard() {
    TOperatingPointWindow* window = Open();
    QVERIFY(window);
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_L, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window->LoadBox());
    QTest::keyClick(window->LoadBox(), Qt::Key_Down);
    QCOMPARE(window->Texts().Load, valvescope::LoadKind::Transformer);
    QTest::keyClick(window->LoadBox(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->ZaaEdit());
    QTest::keyClicks(window->ZaaEdit(), QStringLiteral("6600"));
    QTest::keyClick(window->ZaaEdit(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->DriveEdit());
    QTest::keyClicks(window->DriveEdit(), QStringLiteral("12,5"));
    QVERIFY(window->Shown());
    QCOMPARE(window->Shown()->Input.Zaa, 6600.0);
    QCOMPARE(window->Shown()->Swing.Drive, 12.5);
    QTest::keyClick(window, Qt::Key_V, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), window->DriveEdit());
    QTest::keyClick(window->DriveEdit(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    form_->FinishDrawing();
    QCOMPARE(form_->LastDrawOps(), StartDrawing());
}

QTEST_MAIN(TestOperatingPoint)
#include "test_operatingpoint.moc"
#include "tests/support/findcontrol.h"
