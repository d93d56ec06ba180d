// Small widgets of the main window: its client area, the bevelled separator lines and the status
// line's text.
#pragma once

#include <QFont>
#include <QLabel>
#include <QWidget>

#include <functional>

// Arial at a size in pixels, as the window's texts are laid out.
QFont ArialOfPixels(int pixels, bool bold = false);

// The client area: reports its resizes once the anchored controls have been placed.
class TClientArea : public QWidget {
public:
    explicit TClientArea(QWidget* parent) : QWidget(parent) {}
    std::function<void()> Resized;

protected:
    void resizeEvent(QResizeEvent*) override;
};

// A sunken line along the top or bottom edge of its rectangle.
class TBevelLine : public QWidget {
public:
    TBevelLine(QWidget* parent, bool alongBottom);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool alongBottom_;
};

// The status line's text: as wide as the window leaves it, never wider, so that a long readout
// cannot widen the window; what does not fit ends in an ellipsis, and the whole text is the tool
// tip.
// The status line's text. A text too long for its width is written in a smaller font, down to
// kSmallestStatusPixels, so that the whole readout shows; only past that does it end in "…".
inline constexpr int kSmallestStatusPixels = 9;

class TStatusText : public QLabel {
public:
    explicit TStatusText(QWidget* parent);
    QSize minimumSizeHint() const override;

    // The font the text is written in at the present width, and the text as it shows in it.
    QFont ShownFont() const;
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent*) override;
};
