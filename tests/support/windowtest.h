// The main window as the widget tests open it: shown on screen, with the error box replaced by a
// recorder so that a test sees what the box would show without a person closing it.
#pragma once

#include "formats/formats.h"
#include "tests/support/findcontrol.h"
#include "ui/errorbox.h"
#include "ui/schematicform.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QtTest>

#include <memory>

class WindowTest : public QObject {
protected:
    // Opens a fresh window; call from the test class's init().
    void OpenWindow() {
        errors_.clear();
        standardPresenter_ = SetErrorBoxPresenter(
            [this](QWidget*, const ErrorBoxContent& content) { errors_.append(content); });
        form_ = std::make_unique<TSchematicForm>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QCoreApplication::processEvents();
    }

    // Closes the window and puts the standard error box back; call from cleanup().
    void CloseWindow() {
        form_.reset();
        SetErrorBoxPresenter(standardPresenter_);
    }

    // Replaces the box's whole text with `text` in one go, as pasting does.
    static void PasteInto(QComboBox* box, const QString& text) {
        QApplication::clipboard()->setText(text);
        box->lineEdit()->selectAll();
        QTest::keyClick(box->lineEdit(), Qt::Key_V, Qt::ControlModifier);
    }

    // Replaces the box's whole text and checks that the box shows it, commas turned to points.
    static void PasteIntoAndCheck(QComboBox* box, const QString& text) {
        PasteInto(box, text);
        QCOMPARE(box->currentText(), QString(text).replace(u',', u'.'));
    }

    static void TypeInto(QComboBox* box, const QString& keys) {
        QTest::keyClicks(box->lineEdit(), keys);
    }

    static void ReplaceByTyping(QComboBox* box, const QString& keys) {
        box->lineEdit()->selectAll();
        TypeInto(box, keys);
    }

    static void EraseByTyping(QComboBox* box) {
        box->lineEdit()->selectAll();
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
    }

    // The captions of Lbl1V ... Lbl10V and of Lbl1I ... Lbl5I.
    QStringList VoltageCaptions() const {
        QStringList captions;
        for (const char* name : {"Lbl1V", "Lbl2V", "Lbl3V", "Lbl4V", "Lbl5V", "Lbl6V", "Lbl7V",
                                 "Lbl8V", "Lbl9V", "Lbl10V"}) {
            captions << Find<QLabel>(*form_, name)->text();
        }
        return captions;
    }

    QStringList CurrentCaptions() const {
        QStringList captions;
        for (const char* name : {"Lbl1I", "Lbl2I", "Lbl3I", "Lbl4I", "Lbl5I"}) {
            captions << Find<QLabel>(*form_, name)->text();
        }
        return captions;
    }

    // Axis captions as the program's formatter writes them.
    static QString VoltsText(double volts) {
        return QString::fromStdString(formats::FormatVolts(volts));
    }
    static QString AmpsText(double amps) {
        return QString::fromStdString(formats::FormatAmps(amps));
    }

    std::unique_ptr<TSchematicForm> form_;
    QList<ErrorBoxContent> errors_;

private:
    ErrorBoxPresenter standardPresenter_;
};
