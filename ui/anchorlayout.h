// A layout that keeps each control at its anchored distances to the parent's edges, and in
// proportion between two edges it is anchored to neither of.
#pragma once

#include "core/layout/anchoring.h"

#include <QLayout>
#include <QList>
#include <QRect>

class TAnchorLayout : public QLayout {
    Q_OBJECT

public:
    // The parent's client size the controls' rectangles are given for.
    TAnchorLayout(QWidget* parent, QSize designedSize);
    ~TAnchorLayout() override;

    // Adds a control at its designed rectangle with its anchors.
    void AddControl(QWidget* control, const QRect& designed, valvescope::Anchors anchors);

    // Moves a control to a new rectangle in the parent's present size; later resizes keep its
    // anchors from there.
    void MoveControl(QWidget* control, const QRect& rect);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* Item;
        valvescope::Rect Designed;
        valvescope::Size Parent;
        valvescope::Anchors Anchors;
    };

    QRect Place(const Entry& entry, const QRect& area) const;

    QSize designedSize_;
    bool laidOut_ = false; // placed in the parent at least once
    QList<Entry> entries_;
};
