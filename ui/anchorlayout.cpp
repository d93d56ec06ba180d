#include "ui/anchorlayout.h"

#include <QWidget>
#include <QWidgetItem>

namespace {

valvescope::Rect ToRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

valvescope::Size ToSize(const QSize& size) {
    return {size.width(), size.height()};
}

} // namespace

TAnchorLayout::TAnchorLayout(QWidget* parent, QSize designedSize)
    : QLayout(parent), designedSize_(designedSize) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

TAnchorLayout::~TAnchorLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void TAnchorLayout::AddControl(QWidget* control, const QRect& designed,
                               valvescope::Anchors anchors) {
    addChildWidget(control);
    entries_.append({new QWidgetItem(control), ToRect(designed), ToSize(designedSize_), anchors});
    control->setGeometry(designed);
    invalidate();
}

// The present size is the parent's own, not geometry(): a caption that changes a label's size
// invalidates the layout, which clears its geometry until the layout runs again.
void TAnchorLayout::MoveControl(QWidget* control, const QRect& rect) {
    const QWidget* parent = parentWidget();
    const QRect area =
        laidOut_ && parent != nullptr ? parent->contentsRect() : QRect(QPoint(0, 0), designedSize_);
    for (Entry& entry : entries_) {
        if (entry.Item->widget() == control) {
            entry.Designed = ToRect(rect);
            entry.Parent = ToSize(area.size());
            control->setGeometry(rect.translated(area.topLeft()));
            return;
        }
    }
}

void TAnchorLayout::addItem(QLayoutItem* item) {
    // Items come in through AddControl; one added otherwise stays where it is designed.
    const QRect at = item->geometry();
    entries_.append({item, ToRect(at), ToSize(designedSize_), {true, true, false, false}});
}

QLayoutItem* TAnchorLayout::itemAt(int index) const {
    return index >= 0 && index < entries_.size() ? entries_[index].Item : nullptr;
}

QLayoutItem* TAnchorLayout::takeAt(int index) {
    if (index < 0 || index >= entries_.size()) {
        return nullptr;
    }
    return entries_.takeAt(index).Item;
}

int TAnchorLayout::count() const {
    return static_cast<int>(entries_.size());
}

QSize TAnchorLayout::sizeHint() const {
    return designedSize_;
}

// Smaller than designed, controls anchored to opposite edges would run into each other and the
// plot's axis labels would crowd together: the parent keeps at least its designed size.
QSize TAnchorLayout::minimumSize() const {
    return designedSize_;
}

QRect TAnchorLayout::Place(const Entry& entry, const QRect& area) const {
    const valvescope::Rect placed =
        valvescope::PlaceAnchored(entry.Designed, entry.Parent, entry.Anchors, ToSize(area.size()));
    return QRect(area.x() + placed.Left, area.y() + placed.Top, placed.Width, placed.Height);
}

void TAnchorLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    laidOut_ = true;
    // The controls go exactly where their anchors put them, whatever their size hints say.
    for (const Entry& entry : entries_) {
        if (QWidget* control = entry.Item->widget()) {
            control->setGeometry(Place(entry, rect));
        } else {
            entry.Item->setGeometry(Place(entry, rect));
        }
    }
}
