#include "ui/errorbox.h"

#include <utility>

namespace {

void RunMessageBox(QWidget* owner, const ErrorBoxContent& content) {
    QMessageBox box(content.Icon, content.Title, content.Text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

ErrorBoxPresenter& CurrentPresenter() {
    static ErrorBoxPresenter presenter = RunMessageBox;
    return presenter;
}

QString& CurrentTitle() {
    static QString title = QString::fromUtf8(kApplicationTitle);
    return title;
}

} // namespace

void SetErrorBoxTitle(const QString& title) {
    CurrentTitle() = title;
}

ErrorBoxPresenter SetErrorBoxPresenter(ErrorBoxPresenter presenter) {
    return std::exchange(CurrentPresenter(), std::move(presenter));
}

QString WithFullStop(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) {
        return message + u'.';
    }
    return message;
}

void ShowErrorBox(QWidget* owner, const QString& message) {
    CurrentPresenter()(
        owner, ErrorBoxContent{CurrentTitle(), WithFullStop(message), QMessageBox::Critical});
}
