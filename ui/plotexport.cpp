#include "ui/plotexport.h"

#include "ui/plotpainter.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace valvescope {

namespace {

constexpr const char* kPictureTitle = "Plate characteristics of the 807";
constexpr const char* kCreator = "Valvescope";

void PaintSvg(QIODevice& device, const DrawOps& ops, QSize size) {
    QSvgGenerator generator;
    generator.setOutputDevice(&device);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(QString::fromUtf8(kPictureTitle));
    generator.setDescription(QString::fromUtf8(kCreator));
    QPainter painter;
    if (!painter.begin(&generator)) {
        throw PictureWriteError("The SVG drawing could not be started");
    }
    PaintDrawOps(painter, ops);
}

// One page exactly the surface's size, at 72 dots per inch so that a pixel is a point.
void PaintPdf(QIODevice& device, const DrawOps& ops, QSize size) {
    QPdfWriter writer(&device);
    writer.setTitle(QString::fromUtf8(kPictureTitle));
    writer.setCreator(QString::fromUtf8(kCreator));
    writer.setResolution(72);
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw PictureWriteError("The PDF page could not be started");
    }
    PaintDrawOps(painter, ops);
}

void PaintPng(QIODevice& device, const DrawOps& ops, QSize size) {
    if (!PlotImage(ops, size).save(&device, "PNG")) {
        throw PictureWriteError("The PNG image could not be written");
    }
}

std::string Describe(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write '%1': %2").arg(path, reason).toStdString();
}

} // namespace

std::optional<PictureFormat> PictureFormatOf(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("png")) {
        return PictureFormat::Png;
    }
    if (extension == QLatin1String("svg")) {
        return PictureFormat::Svg;
    }
    if (extension == QLatin1String("pdf")) {
        return PictureFormat::Pdf;
    }
    return std::nullopt;
}

QImage PlotImage(const DrawOps& ops, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDrawOps(painter, ops);
    return image;
}

void WritePicture(const QString& path, PictureFormat format, const DrawOps& ops, QSize size) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw PictureWriteError(Describe(path, file.errorString()));
    }
    try {
        switch (format) {
        case PictureFormat::Png:
            PaintPng(file, ops, size);
            break;
        case PictureFormat::Svg:
            PaintSvg(file, ops, size);
            break;
        case PictureFormat::Pdf:
            PaintPdf(file, ops, size);
            break;
        }
    } catch (const PictureWriteError& error) {
        file.cancelWriting();
        throw PictureWriteError(Describe(path, QString::fromUtf8(error.what())));
    }
    if (!file.commit()) {
        throw PictureWriteError(Describe(path, file.errorString()));
    }
}

} // namespace valvescope
