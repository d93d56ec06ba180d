#include "ui/smallplotview.h"

#include "ui/errorbox.h"
#include "ui/plotexport.h"
#include "ui/plotpainter.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

#include <utility>

TSmallPlotView::TSmallPlotView(QString fileName, QWidget* parent)
    : QWidget(parent), fileName_(std::move(fileName)) {
    setMinimumSize(240, 150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    AddActions();
}

void TSmallPlotView::AddActions() {
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(QStringLiteral("Copy Picture"), this);
    connect(copy, &QAction::triggered, this, [this] {
        QGuiApplication::clipboard()->setImage(valvescope::PlotImage(Drawn(), size()));
    });
    auto* save = new QAction(QStringLiteral("Save Picture As..."), this);
    connect(save, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { SavePictureAs(); }); });
    addAction(copy);
    addAction(save);
}

void TSmallPlotView::SetDrawing(Drawing drawing, QString title) {
    drawing_ = std::move(drawing);
    title_ = std::move(title);
    update();
}

QSize TSmallPlotView::sizeHint() const {
    return {300, 180};
}

valvescope::DrawOps TSmallPlotView::Drawn() const {
    return drawing_ ? drawing_(width(), height()) : valvescope::DrawOps{};
}

void TSmallPlotView::SavePictureAs() {
    const QString path = valvescope::ChoosePicturePath(this, fileName_);
    if (path.isEmpty()) {
        return;
    }
    SavePicture(path);
}

void TSmallPlotView::SavePicture(const QString& path) const {
    const std::optional<valvescope::PictureFormat> format =
        valvescope::PictureFormatOf(path.toStdString());
    valvescope::WriteTitledPicture(path, format.value_or(valvescope::PictureFormat::Png), Drawn(),
                                   size(), title_);
}

void TSmallPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    valvescope::PaintDrawOps(painter, Drawn());
}
