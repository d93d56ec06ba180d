// Typing, pasting and picking in the settings boxes: separators, the intake's checks and errors,
// and which edits start a redraw.
#include "tests/support/windowtest.h"
#include "ui/paintbox.h"
#include "ui/schematicform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class TestBoxTyping : public WindowTest {
    Q_OBJECT

private slots:
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

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
};

// ---- Typing into the boxes --------------------------------------------------------------------

void TestBoxTyping::typedCommaBecomesAPoint() {
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxGridV"), QStringLiteral("2,5"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxGridV")->currentText(), QStringLiteral("2.5"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxGridV")->lineEdit()->cursorPosition(), 3);
    QVERIFY(!Find<QComboBox>(*form_, "CmbBxGridV")->lineEdit()->hasSelectedText());
    QCOMPARE(form_->Settings().GridStep, 2.5);
    QVERIFY(errors_.isEmpty());
}

void TestBoxTyping::pastedThousandsAgainstTypedKeyByKey() {
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("1,000"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->currentText(), QStringLiteral("1.000"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'1.000' is not a valid integer value."));

    errors_.clear();
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("1,"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'1.' is not a valid integer value."));
    QCOMPARE(form_->Settings().EndV, 1); // stored by the redraw after the "1"
}

void TestBoxTyping::numberBegunKeyByKeyEndsSilentlyUntilItReads() {
    struct Case {
        QString keys;
        double value;
    };
    for (const Case& c : {Case{"0.5", 0.5}, Case{"-.5", -0.5}, Case{",5", 0.5}}) {
        ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxGridV"), QStringLiteral("3"));
        QCOMPARE(form_->Settings().GridStep, 3.0);
        Find<QComboBox>(*form_, "CmbBxGridV")->lineEdit()->selectAll();
        for (qsizetype i = 0; i + 1 < c.keys.size(); ++i) {
            TypeInto(Find<QComboBox>(*form_, "CmbBxGridV"), c.keys.mid(i, 1));
            QCOMPARE(form_->Settings().GridStep, 3.0); // ended at the check
        }
        TypeInto(Find<QComboBox>(*form_, "CmbBxGridV"), c.keys.right(1));
        QCOMPARE(form_->Settings().GridStep, c.value);
    }
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxGridV")->currentText(), QStringLiteral(".5"));
    QVERIFY(errors_.isEmpty());
}

void TestBoxTyping::caretJumpsToTheEndAfterARedraw() {
    QLineEdit* edit = Find<QComboBox>(*form_, "CmbBxEndV")->lineEdit();
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_1);
    QCOMPARE(edit->text(), QStringLiteral("8100"));
    QCOMPARE(edit->cursorPosition(), 4);
    QCOMPARE(form_->Settings().EndV, 8100);
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->text(), VoltsText(8100));
}

void TestBoxTyping::erasedBoxEndsSilently() {
    const QStringList volts = VoltageCaptions();
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("300"));
    EraseByTyping(Find<QComboBox>(*form_, "CmbBxEndV"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->currentText(), QString());
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->lineEdit()->cursorPosition(), 0);
    QCOMPARE(form_->Settings().EndV, 800);
    QCOMPARE(VoltageCaptions(), volts);
    // Another box's redraw leaves the empty box alone.
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("400"));
    QCOMPARE(Find<QComboBox>(*form_, "CmbBxEndV")->currentText(), QString());
    QCOMPARE(form_->Settings().EndI, 300);
    QVERIFY(errors_.isEmpty());
}

void TestBoxTyping::cathodeResistorAcceptsZeroButNotBlanks() {
    QComboBox* rk = Find<QComboBox>(*form_, "CmbBxRk");
    // Picking the first item, "0", with the keyboard.
    QTest::keyClick(rk->lineEdit(), Qt::Key_Down);
    QTest::keyClick(rk->lineEdit(), Qt::Key_Up);
    QCOMPARE(rk->currentText(), QStringLiteral("0"));
    QCOMPARE(form_->Settings().Rk, 0.0);
    for (const QString& zero : {QStringLiteral("."), QStringLiteral("0.000")}) {
        PasteIntoAndCheck(rk, QStringLiteral("590"));
        QCOMPARE(form_->Settings().Rk, 590.0);
        PasteIntoAndCheck(rk, zero);
        QCOMPARE(form_->Settings().Rk, 0.0);
    }
    QVERIFY(errors_.isEmpty());

    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRk"), QStringLiteral("590"));
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("900"));
    Find<QComboBox>(*form_, "CmbBxEndV")
        ->setEditText(QStringLiteral("700")); // not read until a redraw runs
    EraseByTyping(rk);
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRk"), QStringLiteral(" "));
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRk"), QStringLiteral("-"));
    QCOMPARE(errors_.size(), 3);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));
    QCOMPARE(errors_[1].Text, QStringLiteral("' ' is not a valid floating point value."));
    QCOMPARE(errors_[2].Text, QStringLiteral("'-' is not a valid floating point value."));
    QCOMPARE(form_->Settings().EndV, 900);
    QCOMPARE(form_->Settings().Rk, 590.0);
}

void TestBoxTyping::checksRunInBoxOrder() {
    Find<QComboBox>(*form_, "CmbBxRk")->setEditText(QString());
    EraseByTyping(Find<QComboBox>(*form_, "CmbBxEndV"));
    QVERIFY(errors_.isEmpty());

    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("800"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));

    errors_.clear();
    EraseByTyping(Find<QComboBox>(*form_, "CmbBxBplus"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'' is not a valid floating point value."));
}

void TestBoxTyping::twoBlanksAreAWholeNumberError() {
    ReplaceByTyping(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral(" "));
    QVERIFY(errors_.isEmpty()); // one blank is blank-or-zero
    TypeInto(Find<QComboBox>(*form_, "CmbBxGridLines"), QStringLiteral(" "));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'  ' is not a valid integer value."));
    QCOMPARE(form_->Settings().GridLineCount, 10);
}

void TestBoxTyping::eachBoxReadsItsKindOfNumber() {
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("12.5"));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("'12.5' is not a valid integer value."));
    QCOMPARE(form_->Settings().EndI, 200);

    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndI"), QStringLiteral("200"));
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("12.5"));
    QCOMPARE(form_->Settings().Ra, 12.5);
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("1e3"));
    QCOMPARE(form_->Settings().Ra, 1000.0);

    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxGridV"), QStringLiteral("-5"));
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("00"));
    QCOMPARE(form_->Settings().GridStep, -5.0);
    QCOMPARE(form_->Settings().EndV, 0);
    // A zero End V is stored; the plot then fails at the first curve point, 0 V over 0 V a pixel.
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(errors_[1].Text, QStringLiteral("Invalid floating point operation."));
}

void TestBoxTyping::conversionErrorKeepsEarlierFieldsNew() {
    const QStringList volts = VoltageCaptions();
    const QStringList amps = CurrentCaptions();
    Find<QComboBox>(*form_, "CmbBxGridLines")->setEditText(QStringLiteral("5"));
    Find<QComboBox>(*form_, "CmbBxGridV")->setEditText(QStringLiteral("7"));
    Find<QComboBox>(*form_, "CmbBxEndI")->setEditText(QStringLiteral("300"));
    Find<QComboBox>(*form_, "CmbBxEndV")->setEditText(QStringLiteral("900"));
    Find<QComboBox>(*form_, "CmbBxRk")->setEditText(QStringLiteral("100"));
    Find<QComboBox>(*form_, "CmbBxBplus")->setEditText(QStringLiteral("300"));
    PasteIntoAndCheck(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("abc"));

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

void TestBoxTyping::onlyUserEditsStartARedraw() {
    Find<QComboBox>(*form_, "CmbBxEndV")->setEditText(QStringLiteral("500"));
    Find<QComboBox>(*form_, "CmbBxEndI")->setEditText(QStringLiteral("100"));
    QCoreApplication::processEvents();
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->text(), VoltsText(800));
    QCOMPARE(form_->Settings().EndV, 800);

    QTest::mouseClick(Find<QToolButton>(*form_, "SpdBtnRedraw"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*form_, "Lbl10V")->text(), VoltsText(500));
    QCOMPARE(Find<QLabel>(*form_, "Lbl5I")->text(), AmpsText(0.1));
    QCOMPARE(form_->Settings().EndI, 100);
    QVERIFY(!Find<QToolButton>(*form_, "SpdBtnRedraw")->isChecked());
}

void TestBoxTyping::togglesStayDownAndRedraw() {
    QToolButton* toggles[] = {
        Find<QToolButton>(*form_, "SpdBtnImax"), Find<QToolButton>(*form_, "SpdBtnWp"),
        Find<QToolButton>(*form_, "SpdBtnVmax"), Find<QToolButton>(*form_, "SpdBtnRk"),
        Find<QToolButton>(*form_, "SpdBtnLoadLine")};
    int redraws = 0;
    for (QToolButton* toggle : toggles) {
        Find<QComboBox>(*form_, "CmbBxEndV")->setEditText(QString::number(600 + 100 * redraws));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QCOMPARE(form_->Settings().EndV, 600 + 100 * redraws);
        ++redraws;
    }
    const valvescope::Overlays down = form_->OverlaysDown();
    QVERIFY(down.Imax && down.Wp && down.Vmax && down.Rk && down.LoadLine);
    QTest::mouseClick(Find<QToolButton>(*form_, "SpdBtnWp"), Qt::LeftButton);
    QVERIFY(!Find<QToolButton>(*form_, "SpdBtnWp")->isChecked());
    QVERIFY(Find<QToolButton>(*form_, "SpdBtnImax")->isChecked());
    QVERIFY(!form_->OverlaysDown().Wp);
}

QTEST_MAIN(TestBoxTyping)
#include "test_boxtyping.moc"
#include "tests/support/findcontrol.h"
