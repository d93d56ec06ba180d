// The plot as a picture file or image: the drawing operations replayed into a PNG image, an SVG
// drawing or a PDF page of the surface's size. SVG and PDF keep the lines and labels as vectors.
#pragma once

#include "core/page/pictureformat.h"
#include "core/page/picturemargins.h"
#include "core/plot/drawops.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <stdexcept>

class QWidget;

namespace valvescope {

// The operations painted into an image of `size` pixels.
QImage PlotImage(const DrawOps& ops, QSize size);

// A picture file that could not be written; what() says which and why.
class PictureWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the operations as a picture of `size` pixels into `path`. The whole picture is made in
// memory first, then written to a temporary file beside `path` that replaces it only once every
// byte is on the disk: any failure (a full disk among them) leaves no partial file and an
// existing file byte for byte as it was. Throws PictureWriteError "Cannot write '<path>':
// <reason>".
// SVG and PDF carry "Plate characteristics of the <tubeName>" as their title.
void WritePicture(const QString& path, PictureFormat format, const DrawOps& ops, QSize size,
                  const std::string& tubeName);

// The same with `title` as the SVG's and PDF's title, for a picture other than the plot.
void WriteTitledPicture(const QString& path, PictureFormat format, const DrawOps& ops, QSize size,
                        const QString& title);

// Writes the picture with its margins (see framedpicture.h), the surface painted from
// `surface`, the same way.
void WritePicture(const QString& path, PictureFormat format, const page::FramedPicture& picture,
                  const DrawOps& surface, const std::string& tubeName);

// Writes the bytes into `path` atomically; PictureWriteError "Cannot write '<path>': <reason>"
// when they cannot be written.
void WriteBytes(const QString& path, const QByteArray& bytes);

// Asks for a picture file's name, `suggested` first: PNG, SVG or PDF by the type chosen, which a
// name typed without an extension takes. Empty when the dialog is cancelled.
QString ChoosePicturePath(QWidget* owner, const QString& suggested);

// Writes the image as a PNG file into `path`, the same way.
void WritePng(const QString& path, const QImage& image);

} // namespace valvescope
