// The main window as the widget tests open it: shown on screen, with the error box replaced by a
// recorder so that a test sees what the box would show without a person closing it.
#pragma once

#include "ui/errorbox.h"
#include "ui/schematicform.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
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

    std::unique_ptr<TSchematicForm> form_;
    QList<ErrorBoxContent> errors_;

private:
    ErrorBoxPresenter standardPresenter_;
};
