// The window's fit to its size: axis labels after relabelling in a resized window, a status line
// that never widens the window, a readout that follows the scale, and a minimum size.
#include "tests/support/windowtest.h"
#include "ui/paintbox.h"
#include "ui/schematicform.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QtTest>

class TestWindowFit : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void endIRelabelledInAResizedWindowSitsOnItsGridLines();
    void endVRelabelledInAResizedWindowKeepsItsLastLabel();
    void pointerMovesNeverWidenTheWindow();
    void wholeReadoutIsTheStatusLinesToolTip();
    void readoutFollowsTheScaleUnderARestingPointer();
    void windowKeepsRoomForEveryControl();

private:
    void ResizeClient(int width, int height);
    void Relabel(QComboBox* box, const QString& text);
    void ExpectCurrentLabelsOnTheGridLines();
    QLabel* Label(const char* name) const { return form_->findChild<QLabel*>(name); }
    QWidget* Plot() const { return Find<TPaintBox>(*form_, "PaintBox1"); }
    void MovePointer(int x, int y);
};

// A new caption can change a label's size, which runs the layout again once events are handled.
void TestWindowFit::Relabel(QComboBox* box, const QString& text) {
    PasteInto(box, text);
    QCoreApplication::processEvents();
}

void TestWindowFit::ResizeClient(int width, int height) {
    form_->resize(width, height);
    QCoreApplication::processEvents();
}

// The four inner current labels: centred on the grid lines at the fifths of the plot's height,
// each with its right edge where the top label's is.
void TestWindowFit::ExpectCurrentLabelsOnTheGridLines() {
    const QRect plot = Plot()->geometry();
    const int fifth = qRound(plot.height() / 5.0);
    const char* fromTop[] = {"Lbl4I", "Lbl3I", "Lbl2I", "Lbl1I"};
    for (int k = 1; k <= 4; ++k) {
        QLabel* label = Label(fromTop[k - 1]);
        QCOMPARE(label->y() + label->height() / 2, plot.y() + k * fifth);
        QCOMPARE(label->geometry().right(), Label("Lbl5I")->geometry().right());
        QVERIFY(label->geometry().right() < plot.x());
    }
}

void TestWindowFit::endIRelabelledInAResizedWindowSitsOnItsGridLines() {
    ResizeClient(800, 600);
    ExpectCurrentLabelsOnTheGridLines();
    Relabel(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("100"));
    QCOMPARE(Label("Lbl4I")->text(), QStringLiteral("80 mA"));
    QCOMPARE(Label("Lbl1I")->text(), QStringLiteral("20 mA"));
    ExpectCurrentLabelsOnTheGridLines();
    Relabel(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("200"));
    QCOMPARE(Label("Lbl4I")->text(), QStringLiteral("160 mA"));
    ExpectCurrentLabelsOnTheGridLines();
}

void TestWindowFit::endVRelabelledInAResizedWindowKeepsItsLastLabel() {
    ResizeClient(800, 420);
    Relabel(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("8"));
    Relabel(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("800"));
    QLabel* last = Label("Lbl10V");
    QCOMPARE(last->text(), QStringLiteral("800 v"));
    // Its left edge sits just past the plot's right edge, as in the designed window, and the
    // whole caption lies inside the window.
    const QRect plot = Plot()->geometry();
    QCOMPARE(last->x() - (plot.x() + plot.width()), 486 - (37 + 462));
    QVERIFY(last->geometry().right() < form_->centralWidget()->width());
    QCOMPARE(last->width(), last->fontMetrics().horizontalAdvance(last->text()));
    // The inner labels stay at the tenths of the plot's width.
    const int tenth = qRound(plot.width() / 10.0);
    QCOMPARE(Label("Lbl9V")->x() + Label("Lbl9V")->width() / 2, plot.x() + 9 * tenth);
}

void TestWindowFit::MovePointer(int x, int y) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), Plot()->mapToGlobal(QPointF(x, y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Plot(), &move);
    QCoreApplication::processEvents();
}

void TestWindowFit::pointerMovesNeverWidenTheWindow() {
    const int width = form_->width();
    QCOMPARE(width, 510);
    // Far right and high up: the widest readouts of the plot.
    for (const QPoint at : {QPoint(144, 168), QPoint(461, 0), QPoint(300, 1), QPoint(460, 223)}) {
        MovePointer(at.x(), at.y());
        QVERIFY(!form_->ReadoutText().isEmpty());
        QCOMPARE(form_->width(), width);
    }
    // A window made narrow by the user stays as narrow as well.
    ResizeClient(form_->minimumWidth(), form_->height());
    const int narrow = form_->width();
    MovePointer(300, 1);
    QCOMPARE(form_->width(), narrow);
}

void TestWindowFit::wholeReadoutIsTheStatusLinesToolTip() {
    MovePointer(461, 0);
    auto* status = form_->findChild<QLabel*>(QStringLiteral("StatusBar1Text"));
    QVERIFY(status != nullptr);
    QCOMPARE(status->toolTip(), form_->ReadoutText());
    QVERIFY(form_->ReadoutText().startsWith(QStringLiteral(" Vp=")));
}

void TestWindowFit::readoutFollowsTheScaleUnderARestingPointer() {
    MovePointer(144, 168);
    QVERIFY(form_->ReadoutText().startsWith(QStringLiteral(" Vp=  249. v")));
    // End V doubled with the pointer at rest: the point under it is now at twice the voltage.
    Relabel(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("1600"));
    form_->FinishDrawing();
    QCoreApplication::processEvents();
    QVERIFY2(form_->ReadoutText().startsWith(QStringLiteral(" Vp=  499. v")),
             qPrintable(form_->ReadoutText()));
    QCOMPARE(form_->StatusText(), form_->ReadoutText());
    // And a resize that changes the scale under the pointer.
    ResizeClient(610, 417);
    form_->FinishDrawing();
    QCoreApplication::processEvents();
    QVERIFY2(form_->ReadoutText().startsWith(QStringLiteral(" Vp=  410. v")),
             qPrintable(form_->ReadoutText()));
}

void TestWindowFit::windowKeepsRoomForEveryControl() {
    ResizeClient(33, 28);
    QVERIFY(form_->width() >= 510);
    QVERIFY(form_->height() >= 339 + 28);
    const QRect client = form_->centralWidget()->rect();
    for (QWidget* child : form_->centralWidget()->findChildren<QWidget*>()) {
        if (child->isVisible() && child->parentWidget() == form_->centralWidget()) {
            QVERIFY2(client.contains(child->geometry()), qPrintable(child->objectName()));
        }
    }
    // The current labels do not overlap one another.
    QVERIFY(Label("Lbl5I")->geometry().bottom() < Label("Lbl4I")->geometry().top());
    QVERIFY(Label("Lbl2I")->geometry().bottom() < Label("Lbl1I")->geometry().top());
}

QTEST_MAIN(TestWindowFit)
#include "test_windowfit.moc"
#include "tests/support/findcontrol.h"
