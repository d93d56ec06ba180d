// A window's control found by its object name, as a person finds it by its caption: the tests
// reach no window's members. A name that is not there ends the test run with that name.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

template <typename Control> Control* Find(const QObject& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromUtf8(name));
    if (!control) {
        qFatal("no %s named %s", Control::staticMetaObject.className(), name);
    }
    return control;
}
