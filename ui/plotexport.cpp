#include "ui/plotexport.h"

#include "ui/framedpicture.h"
#include "ui/plotpainter.h"
#include "ui/qtext.h"

#include "core/io/atomicfile.h"
#include "core/session/windowcaption.h"

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <functional>
#include <string>
#include <string_view>

namespace valvescope {

namespace {

constexpr const char* kCreator = "Valvescope";

// Ends the painting; a painter whose device failed part way says so here.
void EndPainting(QPainter& painter, const char* what) {
    if (!painter.end()) {
        throw PictureWriteError(std::string("The ") + what + " could not be finished");
    }
}

// Paints a whole picture from its top-left corner.
using Painting = std::function<void(QPainter&)>;

QByteArray SvgBytes(const Painting& paint, QSize size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(title);
    generator.setDescription(QString::fromUtf8(kCreator));
    QPainter painter;
    if (!painter.begin(&generator)) {
        throw PictureWriteError("The SVG drawing could not be started");
    }
    paint(painter);
    EndPainting(painter, "SVG drawing");
    return bytes;
}

// One page exactly the surface's size, at 72 dots per inch so that a pixel is a point.
QByteArray PdfBytes(const Painting& paint, QSize size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        throw PictureWriteError("The PDF page could not be started");
    }
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QString::fromUtf8(kCreator));
    writer.setResolution(72);
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw PictureWriteError("The PDF page could not be started");
    }
    paint(painter);
    EndPainting(painter, "PDF page");
    return bytes;
}

QByteArray PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(image)) {
        throw PictureWriteError("The PNG image could not be made: " +
                                writer.errorString().toStdString());
    }
    return bytes;
}

std::string Describe(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write '%1': %2").arg(path, reason).toStdString();
}

} // namespace

// The finished picture replaces the file only once every byte is on the disk.
void WriteBytes(const QString& path, const QByteArray& bytes) {
    const std::string name = LocalFileName(path);
    try {
        WriteFileAtomically(name, std::string_view(bytes.constData(), bytes.size()));
    } catch (const FileError& error) {
        // The error says "<file>: <reason>"; the message names the file as the user typed it.
        std::string_view reason = error.what();
        if (reason.starts_with(name + ": ")) {
            reason.remove_prefix(name.size() + 2);
        }
        throw PictureWriteError(Describe(path, QString::fromUtf8(reason.data(), reason.size())));
    }
}

namespace {

// The picture made in memory in the format, then written.
void WritePainted(const QString& path, PictureFormat format, const Painting& paint,
                  const std::function<QImage()>& image, QSize size, const QString& title) {
    QByteArray bytes;
    try {
        switch (format) {
        case PictureFormat::Png:
            bytes = PngBytes(image());
            break;
        case PictureFormat::Svg:
            bytes = SvgBytes(paint, size, title);
            break;
        case PictureFormat::Pdf:
            bytes = PdfBytes(paint, size, title);
            break;
        }
    } catch (const PictureWriteError& error) {
        throw PictureWriteError(Describe(path, QString::fromUtf8(error.what())));
    }
    WriteBytes(path, bytes);
}

} // namespace

QImage PlotImage(const DrawOps& ops, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDrawOps(painter, ops);
    return image;
}

void WritePicture(const QString& path, PictureFormat format, const DrawOps& ops, QSize size,
                  const std::string& tubeName) {
    WritePainted(
        path, format, [&ops](QPainter& painter) { PaintDrawOps(painter, ops); },
        [&ops, size] { return PlotImage(ops, size); }, size,
        QString::fromStdString(PictureTitle(tubeName)));
}

void WriteTitledPicture(const QString& path, PictureFormat format, const DrawOps& ops, QSize size,
                        const QString& title) {
    WritePainted(
        path, format, [&ops](QPainter& painter) { PaintDrawOps(painter, ops); },
        [&ops, size] { return PlotImage(ops, size); }, size, title);
}

void WritePicture(const QString& path, PictureFormat format, const page::FramedPicture& picture,
                  const DrawOps& surface, const std::string& tubeName) {
    WritePainted(
        path, format,
        [&picture, &surface](QPainter& painter) { PaintFramedPicture(painter, picture, surface); },
        [&picture, &surface] { return FramedImage(picture, surface); },
        QSize(picture.Width, picture.Height), QString::fromStdString(PictureTitle(tubeName)));
}

void WritePng(const QString& path, const QImage& image) {
    QByteArray bytes;
    try {
        bytes = PngBytes(image);
    } catch (const PictureWriteError& error) {
        throw PictureWriteError(Describe(path, QString::fromUtf8(error.what())));
    }
    WriteBytes(path, bytes);
}

QString ChoosePicturePath(QWidget* owner, const QString& suggested) {
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        owner, QStringLiteral("Save Picture As"), suggested,
        QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"), &filter);
    const qsizetype star = filter.indexOf(QStringLiteral("(*."));
    if (!path.isEmpty() && !PictureFormatOf(path.toStdString()) && star >= 0) {
        path += filter.mid(star + 2, 4);
    }
    return path;
}

} // namespace valvescope
