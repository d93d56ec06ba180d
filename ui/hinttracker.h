// The window's hints: each control carries a hint whose part before the first "|" pops up beside
// the pointer and whose rest goes to the status line while the pointer is over the control. The
// tracker watches the pointer through an application-wide event filter.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class THintTracker : public QObject {
public:
    explicit THintTracker(QObject* parent) : QObject(parent) {}
    ~THintTracker() override;

    // Starts watching the pointer; Changed is called whenever the application's hint changes.
    void Start(std::function<void()> changed);
    // Stops watching; Changed is called no more.
    void Stop();

    void SetControlHint(QWidget* control, const QString& hint);
    static QString ControlHint(const QWidget* control);
    // The long part of the hint of the control under the pointer.
    QString ApplicationHint() const { return applicationHint_; }

    static QString ShortHint(const QString& hint);
    static QString LongHint(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TrackHintUnder(QWidget* widget);

    std::function<void()> changed_;
    QPointer<QWidget> pointedAt_; // the widget under the pointer
    QString applicationHint_;
};
