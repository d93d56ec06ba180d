// A small plot beside the Operating Point window's numbers: drawing operations made for the
// widget's size, replayed as the main plot's are, so what it shows is what exports and prints.
// Right-click it to copy it or save it as a PNG, SVG or PDF file.
#pragma once

#include "core/plot/drawops.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class TSmallPlotView : public QWidget {
    Q_OBJECT

public:
    // The drawing for a surface of width by height pixels.
    using Drawing = std::function<valvescope::DrawOps(std::int32_t, std::int32_t)>;

    // `fileName` is the name Save Picture As offers.
    explicit TSmallPlotView(QString fileName, QWidget* parent = nullptr);

    // What to draw from now on, titled for the SVG and PDF files it saves; none leaves the
    // widget blank.
    void SetDrawing(Drawing drawing, QString title = {});
    // The operations for the widget's size as it stands, as the next paint replays them.
    valvescope::DrawOps Drawn() const;

    QSize sizeHint() const override;

    // The picture at the widget's size into `path`, its format by the extension (PNG without
    // one). Throws PictureWriteError when it cannot be written.
    void SavePicture(const QString& path) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void AddActions();
    void SavePictureAs();

    QString fileName_;
    QString title_;
    Drawing drawing_;
};
