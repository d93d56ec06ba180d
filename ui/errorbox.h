// The application's standard error box, and the guard that every event handler runs through
// so that no error ever leaves a handler for the event loop.
#pragma once

#include <QMessageBox>
#include <QString>

#include <exception>
#include <functional>

// The application's title: the error box's caption.
inline constexpr const char* kApplicationTitle = "Valvescope for 807";

// What an error box shows.
struct ErrorBoxContent {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Shows the content to the user; the standard one runs a modal message box with an OK button.
using ErrorBoxPresenter = std::function<void(QWidget* owner, const ErrorBoxContent&)>;

// Replaces the presenter (tests record instead of waiting for a person); returns the old one.
ErrorBoxPresenter SetErrorBoxPresenter(ErrorBoxPresenter presenter);

// The message with a full stop added when its last character comes after the full stop.
QString WithFullStop(const QString& message);

// The standard error box for an error's message, captioned with the application's title.
void ShowErrorBox(QWidget* owner, const QString& message);

// The title the error box shows from now on (kApplicationTitle until it is set): the main window
// sets it whenever its tube changes, so that the box names the tube in use.
void SetErrorBoxTitle(const QString& title);

// Runs a handler; an error it raises ends it and is shown in the standard error box.
template <typename Handler> void RunGuarded(QWidget* owner, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(owner, QString::fromUtf8(error.what()));
    }
}
