#include "about/aboutbox.h"
#include "formats/formats.h"
#include "tests/support/windowtest.h"
#include "ui/errorbox.h"
#include "ui/paintbox.h"
#include "ui/schematicform.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestWindow : public WindowTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithTheDesignedTextsAndRelabelledAxes();
    void captionsNamesAndGeometry();
    void axisLabelsSitAlongThePlot();
    void resizingKeepsAnchorsAndRedraws();
    void blankPlotIsWhiteWithABlackBorder();
    void pointerMovesAreReported();

    void hintsReachTheStatusLine();
    void hintSetUnderThePointerUpdatesTheStatusLine();
    void errorBoxShowsTheMessageWithAFullStop();
    void aboutDialogBlocksTheWindow();
    void keyboardReachesTheBoxesInOrder();
};

void TestWindow::init() {
    OpenWindow();
}

void TestWindow::cleanup() {
    CloseWindow();
}

// ---- Start-up and layout ----------------------------------------------------------------------

void TestWindow::startsWithTheDesignedTextsAndRelabelledAxes() {
    const QList<QComboBox*> boxes = {
        Find<QComboBox>(*form_, "CmbBxEndI"),  Find<QComboBox>(*form_, "CmbBxEndV"),
        Find<QComboBox>(*form_, "CmbBxGridV"), Find<QComboBox>(*form_, "CmbBxGridLines"),
        Find<QComboBox>(*form_, "CmbBxRa"),    Find<QComboBox>(*form_, "CmbBxBplus"),
        Find<QComboBox>(*form_, "CmbBxRk")};
    QStringList texts;
    for (QComboBox* box : boxes) {
        texts << box->currentText();
    }
    QCOMPARE(texts, QStringList({"200", "800", "10", "10", "3000", "400", "590"}));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRa")->count(), 769);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRk")->count(), 520);
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndI")->count(), 28);

    for (QToolButton* toggle :
         {Find<QToolButton>(*form_, "SpdBtnImax"), Find<QToolButton>(*form_, "SpdBtnWp"),
          Find<QToolButton>(*form_, "SpdBtnVmax"), Find<QToolButton>(*form_, "SpdBtnRk"),
          Find<QToolButton>(*form_, "SpdBtnLoadLine")}) {
        QVERIFY(toggle->isCheckable());
        QVERIFY(!toggle->isChecked());
    }
    QVERIFY(!Find<QToolButton>(*form_, "SpdBtnRedraw")->isCheckable());

    QStringList volts;
    for (double v : {80, 160, 240, 320, 400, 480, 560, 640, 720, 800}) {
        volts << VoltsText(v);
    }
    QCOMPARE(VoltageCaptions(), volts);
    QCOMPARE(CurrentCaptions(), QStringList({AmpsText(0.04), AmpsText(0.08), AmpsText(0.12000005),
                                             AmpsText(0.16), AmpsText(0.2)}));
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->text(), QStringLiteral("800 v"));
    QCOMPARE(Find<QLabel>(*form_, "Lbl5I")->text(), QStringLiteral("200 mA"));
    QCOMPARE(Find<QLabel>(*form_, "LblZero")->text(), QStringLiteral("0"));

    const valvescope::PlotSettings& settings = form_->Settings();
    QCOMPARE(settings.GridLineCount, 10);
    QCOMPARE(settings.GridStep, 10.0);
    QCOMPARE(settings.EndI, 200);
    QCOMPARE(settings.EndV, 800);
    QCOMPARE(settings.Ra, 3000.0);
    QCOMPARE(settings.Rk, 590.0);
    QCOMPARE(settings.BPlus, 400.0);
    QCOMPARE(form_->Limits().Imax.value_or(-1), 120.0);
    QCOMPARE(form_->CurrentTube().Model.Seed.Perveance, 5.7e-05);
    QVERIFY(errors_.isEmpty());
}

void TestWindow::captionsNamesAndGeometry() {
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the 807            Kestrelon"));
    QCOMPARE(form_->objectName(), QStringLiteral("SchematicForm"));
    QCOMPARE(form_->size(), QSize(510, 367));
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->geometry(), QRect(37, 32, 462, 224));
    QCOMPARE(Find<QStatusBar>(*form_, "StatusBar1")->geometry(), QRect(0, 339, 510, 28));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->geometry(), QRect(431, 285, 66, 23));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxRk")->geometry(), QRect(307, 312, 66, 23));
    QCOMPARE(Find<QPushButton>(*form_, "SpeedButton1")->geometry(), QRect(432, 312, 64, 22));
    QCOMPARE(Find<QToolButton>(*form_, "SpdBtnRk")->geometry(), QRect(256, 0, 95, 23));
    QCOMPARE(Find<QWidget>(*form_, "ShapeI")->geometry(), QRect(7, 27, 31, 232));
    QCOMPARE(Find<QWidget>(*form_, "ShapeV")->geometry(), QRect(32, 256, 468, 17));
    QCOMPARE(Find<QToolButton>(*form_, "SpdBtnWp")->text(), QStringLiteral(" Wp "));
    QVERIFY(!Find<QToolButton>(*form_, "SpdBtnWp")->icon().isNull());
    QVERIFY(Find<QPushButton>(*form_, "SpeedButton1")->font().bold());
    QCOMPARE(form_->font().pixelSize(), 12);
    QCOMPARE(Find<QLabel>(*form_, "Lbl3V")->font().pixelSize(), 9);

    const char* names[] = {
        "SpdBtnRedraw", "SpdBtnImax", "SpdBtnWp",   "SpdBtnVmax", "SpdBtnRk",     "SpdBtnLoadLine",
        "PaintBox1",    "ShapeI",     "ShapeV",     "CmbBxEndI",  "CmbBxGridV",   "CmbBxGridLines",
        "CmbBxEndV",    "CmbBxRa",    "CmbBxBplus", "CmbBxRk",    "SpeedButton1", "StatusBar1"};
    for (const char* name : names) {
        auto* control = form_->findChild<QWidget*>(QString::fromUtf8(name));
        QVERIFY2(control, name);
        QVERIFY2(!control->accessibleName().isEmpty(), name);
    }
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxGridLines")->accessibleName(),
             QStringLiteral("# Grid Lines"));
    QVERIFY(form_->findChild<QLabel*>("Lbl3V"));
    QVERIFY(form_->findChild<QLabel*>("LblZero"));
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->cursor().shape(), Qt::CrossCursor);
}

void TestWindow::axisLabelsSitAlongThePlot() {
    QCOMPARE(Find<QLabel>(*form_, "Lbl4I")->height(), 12);
    QCOMPARE(Find<QLabel>(*form_, "Lbl1V")->width(), 32);
    QCOMPARE(Find<QLabel>(*form_, "Lbl4I")->y(), 71);
    QCOMPARE(Find<QLabel>(*form_, "Lbl3I")->y(), 116);
    QCOMPARE(Find<QLabel>(*form_, "Lbl2I")->y(), 161);
    QCOMPARE(Find<QLabel>(*form_, "Lbl1I")->y(), 206);
    QList<int> lefts;
    for (QLabel* label : {Find<QLabel>(*form_, "Lbl1V"), Find<QLabel>(*form_, "Lbl2V"),
                          Find<QLabel>(*form_, "Lbl3V"), Find<QLabel>(*form_, "Lbl4V"),
                          Find<QLabel>(*form_, "Lbl5V"), Find<QLabel>(*form_, "Lbl6V"),
                          Find<QLabel>(*form_, "Lbl7V"), Find<QLabel>(*form_, "Lbl8V"),
                          Find<QLabel>(*form_, "Lbl9V")}) {
        lefts << label->x();
        QCOMPARE(label->y(), 259);
    }
    QCOMPARE(lefts, QList<int>({67, 113, 159, 205, 251, 297, 343, 389, 435}));
    // The current labels keep their right edge as their captions change; Lbl10V its left.
    QCOMPARE(Find<QLabel>(*form_, "Lbl5I")->geometry().right(),
             Find<QLabel>(*form_, "Lbl4I")->geometry().right());
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->x(), 486);
    QCOMPARE(Find<QLabel>(*form_, "Lbl5I")->y(), 31);
}

void TestWindow::resizingKeepsAnchorsAndRedraws() {
    const QRect aboutBefore = Find<QPushButton>(*form_, "SpeedButton1")->geometry();
    const QRect tenBefore = Find<QLabel>(*form_, "Lbl10V")->geometry();
    const int currentRight = Find<QLabel>(*form_, "Lbl4I")->geometry().right();
    form_->resize(610, 417);
    QCoreApplication::processEvents();
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->geometry(), QRect(37, 32, 562, 274));
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->Picture().size(),
             QSize(562, 274) * Find<TPaintBox>(*form_, "PaintBox1")->devicePixelRatioF());
    QCOMPARE(Find<QPushButton>(*form_, "SpeedButton1")->geometry(), aboutBefore.translated(0, 50));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndI")->geometry(), QRect(36, 335, 66, 23));
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->geometry().topLeft(),
             tenBefore.topLeft() + QPoint(100, 50));
    QCOMPARE(Find<QStatusBar>(*form_, "StatusBar1")->geometry(), QRect(0, 389, 610, 28));
    // Labels along the new plot: fifths of 274 (54.8 -> 55), tenths of 562 (56.2 -> 56).
    QCOMPARE(Find<QLabel>(*form_, "Lbl4I")->y(), 32 + 55 - 6);
    QCOMPARE(Find<QLabel>(*form_, "Lbl1I")->y(), 32 + 4 * 55 - 6);
    QCOMPARE(Find<QLabel>(*form_, "Lbl1V")->x(), 37 + 56 - 16);
    QCOMPARE(Find<QLabel>(*form_, "Lbl9V")->x(), 37 + 9 * 56 - 16);
    QCOMPARE(Find<QLabel>(*form_, "Lbl9V")->y(), 309);
    QCOMPARE(Find<QLabel>(*form_, "Lbl4I")->geometry().right(), currentRight);
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->text(), VoltsText(800));
}

void TestWindow::blankPlotIsWhiteWithABlackBorder() {
    // A check that fails leaves the plot blank.
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndV"), QString());
    const QImage& picture = Find<TPaintBox>(*form_, "PaintBox1")->Picture();
    const qreal ratio = picture.devicePixelRatio();
    QCOMPARE(picture.size(), QSize(462, 224) * ratio);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    QCOMPARE(picture.pixel(0, 0), black);
    QCOMPARE(picture.pixel(picture.width() - 1, picture.height() - 1), black);
    QCOMPARE(picture.pixel(picture.width() / 2, 0), black);
    QCOMPARE(picture.pixel(0, picture.height() / 2), black);
    QCOMPARE(picture.pixel(picture.width() / 2, picture.height() / 2), white);
    QCOMPARE(picture.pixel(int(2 * ratio), int(2 * ratio)), white);
}

void TestWindow::pointerMovesAreReported() {
    QSignalSpy moves(Find<TPaintBox>(*form_, "PaintBox1"), &TPaintBox::MouseMoved);
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(10, 20));
    QTRY_VERIFY(!moves.isEmpty());
    QCOMPARE(moves.last().at(0).toInt(), 10);
    QCOMPARE(moves.last().at(1).toInt(), 20);
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(100, 150));
    QTRY_COMPARE(moves.last().at(0).toInt(), 100);
    QCOMPARE(moves.last().at(1).toInt(), 150);
}

// ---- Hints, error box, About ------------------------------------------------------------------

void TestWindow::hintsReachTheStatusLine() {
    auto* statusText = Find<QStatusBar>(*form_, "StatusBar1")->findChild<QLabel*>();
    QVERIFY(statusText);

    QTest::mouseMove(Find<QWidget>(*form_, "ShapeI"), QPoint(15, 116));
    QTRY_COMPARE(form_->StatusText(), QStringLiteral("Plate Current"));
    QCOMPARE(statusText->text(), QStringLiteral("Plate Current"));
    QVERIFY(Find<QWidget>(*form_, "ShapeI")->toolTip().isEmpty());

    QTest::mouseMove(Find<QToolButton>(*form_, "SpdBtnImax"), QPoint(20, 10));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral("Press to see the maximuim current specified for this tube."));
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnImax")->toolTip().isEmpty());

    QTest::mouseMove(Find<QComboBox>(*form_, "CmbBxEndI")->lineEdit(), QPoint(5, 5));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral(" Enter the limit to the graph's current axis."));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndI")->toolTip(),
             QStringLiteral("Graph's current limit"));

    QTest::mouseMove(Find<QWidget>(*form_, "ShapeV"), QPoint(200, 8));
    QTRY_COMPARE(form_->StatusText(), QStringLiteral("Plate Voltage"));

    QTest::mouseMove(Find<QPushButton>(*form_, "SpeedButton1"), QPoint(10, 10));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral(" Press to see information about this program."));
    QCOMPARE(Find<QPushButton>(*form_, "SpeedButton1")->toolTip(),
             QStringLiteral("About Valvescope"));

    for (QComboBox* box :
         {Find<QComboBox>(*form_, "CmbBxRa"), Find<QComboBox>(*form_, "CmbBxBplus"),
          Find<QComboBox>(*form_, "CmbBxRk")}) {
        const QString hint = TSchematicForm::ControlHint(box);
        QVERIFY(hint.indexOf(u'|') > 0);
        QVERIFY(hint.indexOf(u'|') + 1 < hint.size());
    }
}

void TestWindow::hintSetUnderThePointerUpdatesTheStatusLine() {
    QSignalSpy moves(Find<TPaintBox>(*form_, "PaintBox1"), &TPaintBox::MouseMoved);
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(50, 50));
    QTRY_VERIFY(!moves.isEmpty());
    form_->SetControlHint(Find<TPaintBox>(*form_, "PaintBox1"), QStringLiteral("|Va 100 v"));
    QCOMPARE(form_->StatusText(), QStringLiteral("Va 100 v"));
    form_->SetControlHint(Find<QWidget>(*form_, "ShapeV"), QStringLiteral("|elsewhere"));
    QCOMPARE(form_->StatusText(), QStringLiteral("Va 100 v"));
    form_->SetControlHint(Find<TPaintBox>(*form_, "PaintBox1"), QStringLiteral("no bar"));
    QCOMPARE(form_->StatusText(), QStringLiteral("no bar"));
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->toolTip(), QStringLiteral("no bar"));
}

void TestWindow::errorBoxShowsTheMessageWithAFullStop() {
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("abc"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Title, QStringLiteral("Valvescope for 807"));
    QCOMPARE(errors_[0].Icon, QMessageBox::Critical);
    QCOMPARE(errors_[0].Text, QStringLiteral("'abc' is not a valid integer value."));

    // With another tube the box names it, as the caption does; back with the 807, as before.
    valvescope::Tube ecc82 = valvescope::Builtin807();
    ecc82.Name = "ECC82 (fitted)";
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("10"));
    form_->Document().SetTube(ecc82);
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("xyz"));
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(errors_[1].Title, QStringLiteral("Valvescope for the ECC82 (fitted)"));
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("10"));
    form_->Document().SetTube(valvescope::Builtin807());
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral("abc"));
    QCOMPARE(errors_.back().Title, QStringLiteral("Valvescope for 807"));

    QCOMPARE(WithFullStop(QStringLiteral("Integer overflow")), QStringLiteral("Integer overflow."));
    QCOMPARE(WithFullStop(QStringLiteral("42")), QStringLiteral("42."));
    QCOMPARE(WithFullStop(QStringLiteral("done.")), QStringLiteral("done."));
    QCOMPARE(WithFullStop(QStringLiteral("'-'")), QStringLiteral("'-'"));
    QCOMPARE(WithFullStop(QStringLiteral("(x)")), QStringLiteral("(x)"));
    QCOMPARE(WithFullStop(QStringLiteral("x/")), QStringLiteral("x/."));
    QCOMPARE(WithFullStop(QString()), QString());
}

void TestWindow::aboutDialogBlocksTheWindow() {
    // Clicks go in through the window system, where a modal dialog blocks them.
    auto clickImax = [this] {
        const QPoint at =
            Find<QToolButton>(*form_, "SpdBtnImax")->mapTo(form_.get(), QPoint(20, 10));
        QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, at);
    };
    bool sawDialog = false;
    bool toggleStayedUp = false;
    QTimer::singleShot(0, this, [&] {
        auto* about = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        sawDialog = about != nullptr && about->parent() == form_.get();
        clickImax();
        toggleStayedUp = !Find<QToolButton>(*form_, "SpdBtnImax")->isChecked();
        if (about) {
            about->close();
        }
    });
    QTest::mouseClick(Find<QPushButton>(*form_, "SpeedButton1"), Qt::LeftButton);
    QVERIFY(sawDialog);
    QVERIFY(toggleStayedUp);
    QTRY_VERIFY(form_->findChild<TAboutBox*>() == nullptr);
    clickImax();
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnImax")->isChecked());
}

void TestWindow::keyboardReachesTheBoxesInOrder() {
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QWidget* order[] = {
        Find<QComboBox>(*form_, "CmbBxEndI"),        Find<QComboBox>(*form_, "CmbBxGridV"),
        Find<QComboBox>(*form_, "CmbBxGridLines"),   Find<QComboBox>(*form_, "CmbBxEndV"),
        Find<QComboBox>(*form_, "CmbBxRa"),          Find<QComboBox>(*form_, "CmbBxBplus"),
        Find<QComboBox>(*form_, "CmbBxRk"),          Find<QToolButton>(*form_, "SpdBtnRedraw"),
        Find<QToolButton>(*form_, "SpdBtnImax"),     Find<QToolButton>(*form_, "SpdBtnWp"),
        Find<QToolButton>(*form_, "SpdBtnVmax"),     Find<QToolButton>(*form_, "SpdBtnRk"),
        Find<QToolButton>(*form_, "SpdBtnLoadLine"), Find<QPushButton>(*form_, "SpeedButton1"),
        Find<QComboBox>(*form_, "CmbBxEndI")};
    order[0]->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(order[i]->hasFocus(), qPrintable(order[i]->objectName()));
    }
    // Space on a focused toggle presses it, and the press redraws with the overlay.
    Find<QToolButton>(*form_, "SpdBtnWp")->setFocus();
    QTest::keyClick(Find<QToolButton>(*form_, "SpdBtnWp"), Qt::Key_Space);
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnWp")->isChecked());
    QTest::keyClick(form_.get(), Qt::Key_K, Qt::AltModifier);
    QVERIFY(Find<QComboBox>(*form_, "CmbBxRk")->hasFocus());
    QTest::keyClick(form_.get(), Qt::Key_N, Qt::AltModifier);
    QVERIFY(Find<QComboBox>(*form_, "CmbBxEndV")->hasFocus());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
#include "tests/support/findcontrol.h"
