// The plot's drawing surface: a picture of its own size that the redraw paints on and the
// widget shows, with a cross-hair pointer that reports every move.
#pragma once

#include <QImage>
#include <QWidget>

class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // White with a one-pixel black border, as the plot area looks before anything is drawn.
    void Blank();

    // The picture to paint on, in the widget's logical pixels; call PictureChanged after.
    QImage& Picture() { return picture_; }
    const QImage& Picture() const { return picture_; }
    void PictureChanged();

signals:
    // The pointer moved to X, Y relative to the top-left corner; while a button is held the
    // moves go on outside the surface.
    void MouseMoved(int X, int Y);
    // The pointer left the surface.
    void MouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void MakePicture();

    QImage picture_;
};
