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

namespace {

QString VoltsText(double volts) {
    return QString::fromStdString(formats::FormatVolts(volts));
}
QString AmpsText(double amps) {
    return QString::fromStdString(formats::FormatAmps(amps));
}

} // namespace

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

    void typedCommaBecomesAPoint();
    void pastedThousandsAgainstTypedKeyByKey();
    void numberBegunKeyByKeyEndsSilentlyUntilItReads();
    void caretJumpsToTheEndAfterARedraw();
    void erasedBoxEndsSilently();
    void cathodeResistorAcceptsZeroButNotBlanks();
    void checksRunInBoxOrder();
    void twoBlanksAreAWholeNumberError();
    void eachBoxReadsItsKindOfNumber();
    void conversionErrorKeepsEarlierFieldsNew();
    void onlyUserEditsStartARedraw();
    void togglesStayDownAndRedraw();

    void hintsReachTheStatusLine();
    void hintSetUnderThePointerUpdatesTheStatusLine();
    void errorBoxShowsTheMessageWithAFullStop();
    void aboutDialogBlocksTheWindow();
    void keyboardReachesTheBoxesInOrder();

private:
    void TypeInto(QComboBox* box, const QString& keys);
    void ReplaceByTyping(QComboBox* box, const QString& keys);
    void PasteInto(QComboBox* box, const QString& text);
    void EraseByTyping(QComboBox* box);
    QStringList VoltageCaptions() const;
    QStringList CurrentCaptions() const;
};

void TestWindow::init() {
    OpenWindow();
}

void TestWindow::cleanup() {
    CloseWindow();
}

void TestWindow::TypeInto(QComboBox* box, const QString& keys) {
    QTest::keyClicks(box->lineEdit(), keys);
}

void TestWindow::ReplaceByTyping(QComboBox* box, const QString& keys) {
    box->lineEdit()->selectAll();
    TypeInto(box, keys);
}

void TestWindow::PasteInto(QComboBox* box, const QString& text) {
    WindowTest::PasteInto(box, text);
    QCOMPARE(box->currentText(), QString(text).replace(u',', u'.'));
}

void TestWindow::EraseByTyping(QComboBox* box) {
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
}

QStringList TestWindow::VoltageCaptions() const {
    QStringList captions;
    for (QLabel* label : {form_->Controls().Lbl1V, form_->Controls().Lbl2V, form_->Controls().Lbl3V,
                          form_->Controls().Lbl4V, form_->Controls().Lbl5V, form_->Controls().Lbl6V,
                          form_->Controls().Lbl7V, form_->Controls().Lbl8V, form_->Controls().Lbl9V,
                          form_->Controls().Lbl10V}) {
        captions << label->text();
    }
    return captions;
}

QStringList TestWindow::CurrentCaptions() const {
    QStringList captions;
    for (QLabel* label : {form_->Controls().Lbl1I, form_->Controls().Lbl2I, form_->Controls().Lbl3I,
                          form_->Controls().Lbl4I, form_->Controls().Lbl5I}) {
        captions << label->text();
    }
    return captions;
}

// ---- Start-up and layout ----------------------------------------------------------------------

void TestWindow::startsWithTheDesignedTextsAndRelabelledAxes() {
    const QList<QComboBox*> boxes = {form_->Controls().CmbBxEndI,  form_->Controls().CmbBxEndV,
                                     form_->Controls().CmbBxGridV, form_->Controls().CmbBxGridLines,
                                     form_->Controls().CmbBxRa,    form_->Controls().CmbBxBplus,
                                     form_->Controls().CmbBxRk};
    QStringList texts;
    for (QComboBox* box : boxes) {
        texts << box->currentText();
    }
    QCOMPARE(texts, QStringList({"200", "800", "10", "10", "3000", "400", "590"}));
    QCOMPARE(form_->Controls().CmbBxRa->count(), 769);
    QCOMPARE(form_->Controls().CmbBxRk->count(), 520);
    QCOMPARE(form_->Controls().CmbBxEndI->count(), 28);

    for (QToolButton* toggle :
         {form_->Controls().SpdBtnImax, form_->Controls().SpdBtnWp, form_->Controls().SpdBtnVmax,
          form_->Controls().SpdBtnRk, form_->Controls().SpdBtnLoadLine}) {
        QVERIFY(toggle->isCheckable());
        QVERIFY(!toggle->isChecked());
    }
    QVERIFY(!form_->Controls().SpdBtnRedraw->isCheckable());

    QStringList volts;
    for (double v : {80, 160, 240, 320, 400, 480, 560, 640, 720, 800}) {
        volts << VoltsText(v);
    }
    QCOMPARE(VoltageCaptions(), volts);
    QCOMPARE(CurrentCaptions(), QStringList({AmpsText(0.04), AmpsText(0.08), AmpsText(0.12000005),
                                             AmpsText(0.16), AmpsText(0.2)}));
    QCOMPARE(form_->Controls().Lbl10V->text(), QStringLiteral("800 v"));
    QCOMPARE(form_->Controls().Lbl5I->text(), QStringLiteral("200 mA"));
    QCOMPARE(form_->Controls().LblZero->text(), QStringLiteral("0"));

    const valvescope::PlotSettings& settings = form_->Settings();
    QCOMPARE(settings.GridLineCount, 10);
    QCOMPARE(settings.GridStep, 10.0);
    QCOMPARE(settings.EndI, 200);
    QCOMPARE(settings.EndV, 800);
    QCOMPARE(settings.Ra, 3000.0);
    QCOMPARE(settings.Rk, 590.0);
    QCOMPARE(settings.BPlus, 400.0);
    QCOMPARE(form_->Limits().Imax, 120.0);
    QCOMPARE(form_->Tube().Perveance, 5.7e-05);
    QVERIFY(errors_.isEmpty());
}

void TestWindow::captionsNamesAndGeometry() {
    QCOMPARE(form_->windowTitle(), QStringLiteral(" Valvescope for the 807            Kestrelon"));
    QCOMPARE(form_->objectName(), QStringLiteral("SchematicForm"));
    QCOMPARE(form_->size(), QSize(510, 367));
    QCOMPARE(form_->Controls().PaintBox1->geometry(), QRect(37, 32, 462, 224));
    QCOMPARE(form_->Controls().StatusBar1->geometry(), QRect(0, 339, 510, 28));
    QCOMPARE(form_->Controls().CmbBxEndV->geometry(), QRect(431, 285, 66, 23));
    QCOMPARE(form_->Controls().CmbBxRk->geometry(), QRect(307, 312, 66, 23));
    QCOMPARE(form_->Controls().SpeedButton1->geometry(), QRect(432, 312, 64, 22));
    QCOMPARE(form_->Controls().SpdBtnRk->geometry(), QRect(256, 0, 95, 23));
    QCOMPARE(form_->Controls().ShapeI->geometry(), QRect(7, 27, 31, 232));
    QCOMPARE(form_->Controls().ShapeV->geometry(), QRect(32, 256, 468, 17));
    QCOMPARE(form_->Controls().SpdBtnWp->text(), QStringLiteral(" Wp "));
    QVERIFY(!form_->Controls().SpdBtnWp->icon().isNull());
    QVERIFY(form_->Controls().SpeedButton1->font().bold());
    QCOMPARE(form_->font().pixelSize(), 12);
    QCOMPARE(form_->Controls().Lbl3V->font().pixelSize(), 9);

    const char* names[] = {
        "SpdBtnRedraw", "SpdBtnImax", "SpdBtnWp",   "SpdBtnVmax", "SpdBtnRk",     "SpdBtnLoadLine",
        "PaintBox1",    "ShapeI",     "ShapeV",     "CmbBxEndI",  "CmbBxGridV",   "CmbBxGridLines",
        "CmbBxEndV",    "CmbBxRa",    "CmbBxBplus", "CmbBxRk",    "SpeedButton1", "StatusBar1"};
    for (const char* name : names) {
        auto* control = form_->findChild<QWidget*>(QString::fromUtf8(name));
        QVERIFY2(control, name);
        QVERIFY2(!control->accessibleName().isEmpty(), name);
    }
    QCOMPARE(form_->Controls().CmbBxGridLines->accessibleName(), QStringLiteral("# Grid Lines"));
    QVERIFY(form_->findChild<QLabel*>("Lbl3V"));
    QVERIFY(form_->findChild<QLabel*>("LblZero"));
    QCOMPARE(form_->Controls().PaintBox1->cursor().shape(), Qt::CrossCursor);
}

void TestWindow::axisLabelsSitAlongThePlot() {
    QCOMPARE(form_->Controls().Lbl4I->height(), 12);
    QCOMPARE(form_->Controls().Lbl1V->width(), 32);
    QCOMPARE(form_->Controls().Lbl4I->y(), 71);
    QCOMPARE(form_->Controls().Lbl3I->y(), 116);
    QCOMPARE(form_->Controls().Lbl2I->y(), 161);
    QCOMPARE(form_->Controls().Lbl1I->y(), 206);
    QList<int> lefts;
    for (QLabel* label :
         {form_->Controls().Lbl1V, form_->Controls().Lbl2V, form_->Controls().Lbl3V,
          form_->Controls().Lbl4V, form_->Controls().Lbl5V, form_->Controls().Lbl6V,
          form_->Controls().Lbl7V, form_->Controls().Lbl8V, form_->Controls().Lbl9V}) {
        lefts << label->x();
        QCOMPARE(label->y(), 259);
    }
    QCOMPARE(lefts, QList<int>({67, 113, 159, 205, 251, 297, 343, 389, 435}));
    // The current labels keep their right edge as their captions change; Lbl10V its left.
    QCOMPARE(form_->Controls().Lbl5I->geometry().right(),
             form_->Controls().Lbl4I->geometry().right());
    QCOMPARE(form_->Controls().Lbl10V->x(), 486);
    QCOMPARE(form_->Controls().Lbl5I->y(), 31);
}

void TestWindow::resizingKeepsAnchorsAndRedraws() {
    const QRect aboutBefore = form_->Controls().SpeedButton1->geometry();
    const QRect tenBefore = form_->Controls().Lbl10V->geometry();
    const int currentRight = form_->Controls().Lbl4I->geometry().right();
    form_->resize(610, 417);
    QCoreApplication::processEvents();
    QCOMPARE(form_->Controls().PaintBox1->geometry(), QRect(37, 32, 562, 274));
    QCOMPARE(form_->Controls().PaintBox1->Picture().size(),
             QSize(562, 274) * form_->Controls().PaintBox1->devicePixelRatioF());
    QCOMPARE(form_->Controls().SpeedButton1->geometry(), aboutBefore.translated(0, 50));
    QCOMPARE(form_->Controls().CmbBxEndI->geometry(), QRect(36, 335, 66, 23));
    QCOMPARE(form_->Controls().Lbl10V->geometry().topLeft(), tenBefore.topLeft() + QPoint(100, 50));
    QCOMPARE(form_->Controls().StatusBar1->geometry(), QRect(0, 389, 610, 28));
    // Labels along the new plot: fifths of 274 (54.8 -> 55), tenths of 562 (56.2 -> 56).
    QCOMPARE(form_->Controls().Lbl4I->y(), 32 + 55 - 6);
    QCOMPARE(form_->Controls().Lbl1I->y(), 32 + 4 * 55 - 6);
    QCOMPARE(form_->Controls().Lbl1V->x(), 37 + 56 - 16);
    QCOMPARE(form_->Controls().Lbl9V->x(), 37 + 9 * 56 - 16);
    QCOMPARE(form_->Controls().Lbl9V->y(), 309);
    QCOMPARE(form_->Controls().Lbl4I->geometry().right(), currentRight);
    QCOMPARE(form_->Controls().Lbl10V->text(), VoltsText(800));
}

void TestWindow::blankPlotIsWhiteWithABlackBorder() {
    // A check that fails leaves the plot blank.
    PasteInto(form_->Controls().CmbBxEndV, QString());
    const QImage& picture = form_->Controls().PaintBox1->Picture();
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
    QSignalSpy moves(form_->Controls().PaintBox1, &TPaintBox::MouseMoved);
    QTest::mouseMove(form_->Controls().PaintBox1, QPoint(10, 20));
    QTRY_VERIFY(!moves.isEmpty());
    QCOMPARE(moves.last().at(0).toInt(), 10);
    QCOMPARE(moves.last().at(1).toInt(), 20);
    QTest::mouseMove(form_->Controls().PaintBox1, QPoint(100, 150));
    QTRY_COMPARE(moves.last().at(0).toInt(), 100);
    QCOMPARE(moves.last().at(1).toInt(), 150);
}

// ---- Typing into the boxes --------------------------------------------------------------------

void TestWindow::typedCommaBecomesAPoint() {
    ReplaceByTyping(form_->Controls().CmbBxGridV, QStringLiteral("2,5"));
    QCOMPARE(form_->Controls().CmbBxGridV->currentText(), QStringLiteral("2.5"));
    QCOMPARE(form_->Controls().CmbBxGridV->lineEdit()->cursorPosition(), 3);
    QVERIFY(!form_->Controls().CmbBxGridV->lineEdit()->hasSelectedText());
    QCOMPARE(form_->Settings().GridStep, 2.5);
    QVERIFY(errors_.isEmpty());
}

void TestWindow::pastedThousandsAgainstTypedKeyByKey() {
    PasteInto(form_->Controls().CmbBxEndV, QStringLiteral("1,000"));
    QCOMPARE(form_->Controls().CmbBxEndV->currentText(), QStringLiteral("1.000"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'1.000' is not a valid integer value."));

    errors_.clear();
    ReplaceByTyping(form_->Controls().CmbBxEndV, QStringLiteral("1,"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'1.' is not a valid integer value."));
    QCOMPARE(form_->Settings().EndV, 1); // stored by the redraw after the "1"
}

void TestWindow::numberBegunKeyByKeyEndsSilentlyUntilItReads() {
    struct Case {
        QString keys;
        double value;
    };
    for (const Case& c : {Case{"0.5", 0.5}, Case{"-.5", -0.5}, Case{",5", 0.5}}) {
        ReplaceByTyping(form_->Controls().CmbBxGridV, QStringLiteral("3"));
        QCOMPARE(form_->Settings().GridStep, 3.0);
        form_->Controls().CmbBxGridV->lineEdit()->selectAll();
        for (qsizetype i = 0; i + 1 < c.keys.size(); ++i) {
            TypeInto(form_->Controls().CmbBxGridV, c.keys.mid(i, 1));
            QCOMPARE(form_->Settings().GridStep, 3.0); // ended at the check
        }
        TypeInto(form_->Controls().CmbBxGridV, c.keys.right(1));
        QCOMPARE(form_->Settings().GridStep, c.value);
    }
    QCOMPARE(form_->Controls().CmbBxGridV->currentText(), QStringLiteral(".5"));
    QVERIFY(errors_.isEmpty());
}

void TestWindow::caretJumpsToTheEndAfterARedraw() {
    QLineEdit* edit = form_->Controls().CmbBxEndV->lineEdit();
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_1);
    QCOMPARE(edit->text(), QStringLiteral("8100"));
    QCOMPARE(edit->cursorPosition(), 4);
    QCOMPARE(form_->Settings().EndV, 8100);
    QCOMPARE(form_->Controls().Lbl10V->text(), VoltsText(8100));
}

void TestWindow::erasedBoxEndsSilently() {
    const QStringList volts = VoltageCaptions();
    ReplaceByTyping(form_->Controls().CmbBxEndI, QStringLiteral("300"));
    EraseByTyping(form_->Controls().CmbBxEndV);
    QCOMPARE(form_->Controls().CmbBxEndV->currentText(), QString());
    QCOMPARE(form_->Controls().CmbBxEndV->lineEdit()->cursorPosition(), 0);
    QCOMPARE(form_->Settings().EndV, 800);
    QCOMPARE(VoltageCaptions(), volts);
    // Another box's redraw leaves the empty box alone.
    ReplaceByTyping(form_->Controls().CmbBxEndI, QStringLiteral("400"));
    QCOMPARE(form_->Controls().CmbBxEndV->currentText(), QString());
    QCOMPARE(form_->Settings().EndI, 300);
    QVERIFY(errors_.isEmpty());
}

void TestWindow::cathodeResistorAcceptsZeroButNotBlanks() {
    QComboBox* rk = form_->Controls().CmbBxRk;
    // Picking the first item, "0", with the keyboard.
    QTest::keyClick(rk->lineEdit(), Qt::Key_Down);
    QTest::keyClick(rk->lineEdit(), Qt::Key_Up);
    QCOMPARE(rk->currentText(), QStringLiteral("0"));
    QCOMPARE(form_->Settings().Rk, 0.0);
    for (const QString& zero : {QStringLiteral("."), QStringLiteral("0.000")}) {
        PasteInto(rk, QStringLiteral("590"));
        QCOMPARE(form_->Settings().Rk, 590.0);
        PasteInto(rk, zero);
        QCOMPARE(form_->Settings().Rk, 0.0);
    }
    QVERIFY(errors_.isEmpty());

    PasteInto(form_->Controls().CmbBxRk, QStringLiteral("590"));
    ReplaceByTyping(form_->Controls().CmbBxEndV, QStringLiteral("900"));
    form_->Controls().CmbBxEndV->setEditText(QStringLiteral("700")); // not read until a redraw runs
    EraseByTyping(rk);
    PasteInto(form_->Controls().CmbBxRk, QStringLiteral(" "));
    PasteInto(form_->Controls().CmbBxRk, QStringLiteral("-"));
    QCOMPARE(errors_.size(), 3);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));
    QCOMPARE(errors_[1].Text, QStringLiteral("' ' is not a valid floating point value."));
    QCOMPARE(errors_[2].Text, QStringLiteral("'-' is not a valid floating point value."));
    QCOMPARE(form_->Settings().EndV, 900);
    QCOMPARE(form_->Settings().Rk, 590.0);
}

void TestWindow::checksRunInBoxOrder() {
    form_->Controls().CmbBxRk->setEditText(QString());
    EraseByTyping(form_->Controls().CmbBxEndV);
    QVERIFY(errors_.isEmpty());

    PasteInto(form_->Controls().CmbBxEndV, QStringLiteral("800"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));

    errors_.clear();
    EraseByTyping(form_->Controls().CmbBxBplus);
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));
}

void TestWindow::twoBlanksAreAWholeNumberError() {
    ReplaceByTyping(form_->Controls().CmbBxGridLines, QStringLiteral(" "));
    QVERIFY(errors_.isEmpty()); // one blank is blank-or-zero
    TypeInto(form_->Controls().CmbBxGridLines, QStringLiteral(" "));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'  ' is not a valid integer value."));
    QCOMPARE(form_->Settings().GridLineCount, 10);
}

void TestWindow::eachBoxReadsItsKindOfNumber() {
    PasteInto(form_->Controls().CmbBxEndI, QStringLiteral("12.5"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'12.5' is not a valid integer value."));
    QCOMPARE(form_->Settings().EndI, 200);

    PasteInto(form_->Controls().CmbBxEndI, QStringLiteral("200"));
    PasteInto(form_->Controls().CmbBxRa, QStringLiteral("12.5"));
    QCOMPARE(form_->Settings().Ra, 12.5);
    PasteInto(form_->Controls().CmbBxRa, QStringLiteral("1e3"));
    QCOMPARE(form_->Settings().Ra, 1000.0);

    PasteInto(form_->Controls().CmbBxGridV, QStringLiteral("-5"));
    PasteInto(form_->Controls().CmbBxEndV, QStringLiteral("00"));
    QCOMPARE(form_->Settings().GridStep, -5.0);
    QCOMPARE(form_->Settings().EndV, 0);
    // A zero End V is stored; the plot then fails at the first curve point, 0 V over 0 V a pixel.
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(errors_[1].Text, QStringLiteral("Invalid floating point operation."));
}

void TestWindow::conversionErrorKeepsEarlierFieldsNew() {
    const QStringList volts = VoltageCaptions();
    const QStringList amps = CurrentCaptions();
    form_->Controls().CmbBxGridLines->setEditText(QStringLiteral("5"));
    form_->Controls().CmbBxGridV->setEditText(QStringLiteral("7"));
    form_->Controls().CmbBxEndI->setEditText(QStringLiteral("300"));
    form_->Controls().CmbBxEndV->setEditText(QStringLiteral("900"));
    form_->Controls().CmbBxRk->setEditText(QStringLiteral("100"));
    form_->Controls().CmbBxBplus->setEditText(QStringLiteral("300"));
    PasteInto(form_->Controls().CmbBxRa, QStringLiteral("abc"));

    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'abc' is not a valid floating point value."));
    const valvescope::PlotSettings& settings = form_->Settings();
    QCOMPARE(settings.GridLineCount, 5);
    QCOMPARE(settings.GridStep, 7.0);
    QCOMPARE(settings.EndI, 300);
    QCOMPARE(settings.EndV, 900);
    QCOMPARE(settings.Ra, 3000.0);
    QCOMPARE(settings.Rk, 590.0);
    QCOMPARE(settings.BPlus, 400.0);
    QCOMPARE(VoltageCaptions(), volts);
    QCOMPARE(CurrentCaptions(), amps);
}

void TestWindow::onlyUserEditsStartARedraw() {
    form_->Controls().CmbBxEndV->setEditText(QStringLiteral("500"));
    form_->Controls().CmbBxEndI->setEditText(QStringLiteral("100"));
    QCoreApplication::processEvents();
    QCOMPARE(form_->Controls().Lbl10V->text(), VoltsText(800));
    QCOMPARE(form_->Settings().EndV, 800);

    QTest::mouseClick(form_->Controls().SpdBtnRedraw, Qt::LeftButton);
    QCOMPARE(form_->Controls().Lbl10V->text(), VoltsText(500));
    QCOMPARE(form_->Controls().Lbl5I->text(), AmpsText(0.1));
    QCOMPARE(form_->Settings().EndI, 100);
    QVERIFY(!form_->Controls().SpdBtnRedraw->isChecked());
}

void TestWindow::togglesStayDownAndRedraw() {
    QToolButton* toggles[] = {form_->Controls().SpdBtnImax, form_->Controls().SpdBtnWp,
                              form_->Controls().SpdBtnVmax, form_->Controls().SpdBtnRk,
                              form_->Controls().SpdBtnLoadLine};
    int redraws = 0;
    for (QToolButton* toggle : toggles) {
        form_->Controls().CmbBxEndV->setEditText(QString::number(600 + 100 * redraws));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QCOMPARE(form_->Settings().EndV, 600 + 100 * redraws);
        ++redraws;
    }
    const valvescope::Overlays down = form_->OverlaysDown();
    QVERIFY(down.Imax && down.Wp && down.Vmax && down.Rk && down.LoadLine);
    QTest::mouseClick(form_->Controls().SpdBtnWp, Qt::LeftButton);
    QVERIFY(!form_->Controls().SpdBtnWp->isChecked());
    QVERIFY(form_->Controls().SpdBtnImax->isChecked());
    QVERIFY(!form_->OverlaysDown().Wp);
}

// ---- Hints, error box, About ------------------------------------------------------------------

void TestWindow::hintsReachTheStatusLine() {
    auto* statusText = form_->Controls().StatusBar1->findChild<QLabel*>();
    QVERIFY(statusText);

    QTest::mouseMove(form_->Controls().ShapeI, QPoint(15, 116));
    QTRY_COMPARE(form_->StatusText(), QStringLiteral("Plate Current"));
    QCOMPARE(statusText->text(), QStringLiteral("Plate Current"));
    QVERIFY(form_->Controls().ShapeI->toolTip().isEmpty());

    QTest::mouseMove(form_->Controls().SpdBtnImax, QPoint(20, 10));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral("Press to see the maximuim current specified for this tube."));
    QVERIFY(form_->Controls().SpdBtnImax->toolTip().isEmpty());

    QTest::mouseMove(form_->Controls().CmbBxEndI->lineEdit(), QPoint(5, 5));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral(" Enter the limit to the graph's current axis."));
    QCOMPARE(form_->Controls().CmbBxEndI->toolTip(), QStringLiteral("Graph's current limit"));

    QTest::mouseMove(form_->Controls().ShapeV, QPoint(200, 8));
    QTRY_COMPARE(form_->StatusText(), QStringLiteral("Plate Voltage"));

    QTest::mouseMove(form_->Controls().SpeedButton1, QPoint(10, 10));
    QTRY_COMPARE(form_->StatusText(),
                 QStringLiteral(" Press to see information about this program."));
    QCOMPARE(form_->Controls().SpeedButton1->toolTip(), QStringLiteral("About Valvescope"));

    for (QComboBox* box :
         {form_->Controls().CmbBxRa, form_->Controls().CmbBxBplus, form_->Controls().CmbBxRk}) {
        const QString hint = TSchematicForm::ControlHint(box);
        QVERIFY(hint.indexOf(u'|') > 0);
        QVERIFY(hint.indexOf(u'|') + 1 < hint.size());
    }
}

void TestWindow::hintSetUnderThePointerUpdatesTheStatusLine() {
    QSignalSpy moves(form_->Controls().PaintBox1, &TPaintBox::MouseMoved);
    QTest::mouseMove(form_->Controls().PaintBox1, QPoint(50, 50));
    QTRY_VERIFY(!moves.isEmpty());
    form_->SetControlHint(form_->Controls().PaintBox1, QStringLiteral("|Va 100 v"));
    QCOMPARE(form_->StatusText(), QStringLiteral("Va 100 v"));
    form_->SetControlHint(form_->Controls().ShapeV, QStringLiteral("|elsewhere"));
    QCOMPARE(form_->StatusText(), QStringLiteral("Va 100 v"));
    form_->SetControlHint(form_->Controls().PaintBox1, QStringLiteral("no bar"));
    QCOMPARE(form_->StatusText(), QStringLiteral("no bar"));
    QCOMPARE(form_->Controls().PaintBox1->toolTip(), QStringLiteral("no bar"));
}

void TestWindow::errorBoxShowsTheMessageWithAFullStop() {
    PasteInto(form_->Controls().CmbBxGridLines, QStringLiteral("abc"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Title, QStringLiteral("Valvescope for 807"));
    QCOMPARE(errors_[0].Icon, QMessageBox::Critical);
    QCOMPARE(errors_[0].Text, QStringLiteral("'abc' is not a valid integer value."));

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
        const QPoint at = form_->Controls().SpdBtnImax->mapTo(form_.get(), QPoint(20, 10));
        QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, at);
    };
    bool sawDialog = false;
    bool toggleStayedUp = false;
    QTimer::singleShot(0, this, [&] {
        auto* about = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        sawDialog = about != nullptr && about->parent() == form_.get();
        clickImax();
        toggleStayedUp = !form_->Controls().SpdBtnImax->isChecked();
        if (about) {
            about->close();
        }
    });
    QTest::mouseClick(form_->Controls().SpeedButton1, Qt::LeftButton);
    QVERIFY(sawDialog);
    QVERIFY(toggleStayedUp);
    QTRY_VERIFY(form_->findChild<TAboutBox*>() == nullptr);
    clickImax();
    QVERIFY(form_->Controls().SpdBtnImax->isChecked());
}

void TestWindow::keyboardReachesTheBoxesInOrder() {
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QWidget* order[] = {form_->Controls().CmbBxEndI,      form_->Controls().CmbBxGridV,
                        form_->Controls().CmbBxGridLines, form_->Controls().CmbBxEndV,
                        form_->Controls().CmbBxRa,        form_->Controls().CmbBxBplus,
                        form_->Controls().CmbBxRk,        form_->Controls().SpdBtnRedraw,
                        form_->Controls().SpdBtnImax,     form_->Controls().SpdBtnWp,
                        form_->Controls().SpdBtnVmax,     form_->Controls().SpdBtnRk,
                        form_->Controls().SpdBtnLoadLine, form_->Controls().SpeedButton1,
                        form_->Controls().CmbBxEndI};
    order[0]->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(order[i]->hasFocus(), qPrintable(order[i]->objectName()));
    }
    // Space on a focused toggle presses it, and the press redraws with the overlay.
    form_->Controls().SpdBtnWp->setFocus();
    QTest::keyClick(form_->Controls().SpdBtnWp, Qt::Key_Space);
    QVERIFY(form_->Controls().SpdBtnWp->isChecked());
    QTest::keyClick(form_.get(), Qt::Key_K, Qt::AltModifier);
    QVERIFY(form_->Controls().CmbBxRk->hasFocus());
    QTest::keyClick(form_.get(), Qt::Key_N, Qt::AltModifier);
    QVERIFY(form_->Controls().CmbBxEndV->hasFocus());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
