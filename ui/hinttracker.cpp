#include "ui/hinttracker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVariant>

#include <utility>

namespace {

constexpr const char* kHintProperty = "hint";

} // namespace

THintTracker::~THintTracker() {
    Stop();
}

void THintTracker::Start(std::function<void()> changed) {
    changed_ = std::move(changed);
    qApp->installEventFilter(this);
}

void THintTracker::Stop() {
    qApp->removeEventFilter(this);
    changed_ = nullptr;
}

QString THintTracker::ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString THintTracker::LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void THintTracker::SetControlHint(QWidget* control, const QString& hint) {
    control->setProperty(kHintProperty, hint);
    control->setToolTip(ShortHint(hint));
    if (pointedAt_ && (control == pointedAt_ || control->isAncestorOf(pointedAt_))) {
        TrackHintUnder(pointedAt_);
    }
}

QString THintTracker::ControlHint(const QWidget* control) {
    return control->property(kHintProperty).toString();
}

void THintTracker::TrackHintUnder(QWidget* widget) {
    // The hint comes from the nearest control that carries one, so the edit field inside a box
    // shows the box's hint; over a control without one the hint is empty.
    pointedAt_ = widget;
    QWidget* owner = widget;
    while (owner && !owner->property(kHintProperty).isValid()) {
        owner = owner->isWindow() ? nullptr : owner->parentWidget();
    }
    const QString hint = owner ? LongHint(ControlHint(owner)) : QString();
    if (hint != applicationHint_) {
        applicationHint_ = hint;
        if (changed_) {
            changed_();
        }
    }
}

bool THintTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::MouseMove:
        if (watched->isWidgetType()) {
            TrackHintUnder(static_cast<QWidget*>(watched));
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
