// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "core/image/bmp_writer.h"

class QPainter;

namespace curvane {

class TPlot2D;

// The kinds of file a picture of a graph is saved as: Windows bitmaps of
// five depths, PNG and JPEG from the pixels, and SVG and PDF drawn again as
// vectors from a 2D plot.
enum class TPictureFormat : std::uint8_t { pfBmp4, pfBmp8, pfBmp15, pfBmp16, pfBmp24, pfPng, pfJpeg, pfSvg, pfPdf };

std::optional<TBmpDepth> BmpDepthOf(TPictureFormat format);
TPictureFormat BmpFormat(TBmpDepth depth);
bool IsVectorFormat(TPictureFormat format);

// The format a file name's extension names among the above (.bmp gives
// `bmpDepth`); nothing for another extension or none.
std::optional<TPictureFormat> PictureFormatForSuffix(const QString& fileName, TBmpDepth bmpDepth);

// The .bmp file of a picture (any QImage format; alpha is dropped). Its
// resolution is the picture's dots per meter times its device pixel ratio,
// so a HiDPI picture keeps its size on paper.
QByteArray BitmapFileBytes(const QImage& picture, TBmpDepth depth);

// Writes the pixels as a bitmap, PNG or JPEG (vector formats are not taken
// here). Every file goes through a temporary file renamed over the old one.
// Throws EFileError "Unable to write to ..." with the reason when known.
void SavePicture(const QImage& picture, const QString& path, TPictureFormat format);
// The same through a Qt image writer of the format named ("png", "tiff").
void SaveQtPicture(const QImage& picture, const QString& path, const QByteArray& qtFormat);

// Draws a picture as vectors (curves as paths, texts as text) into an SVG or
// PDF file whose page is `size` in pixels, one pixel to the point: `paint`
// paints it at that size into the painter it is given. Throws EFileError as
// SavePicture does.
using TVectorPainter = std::function<void(QPainter& painter)>;
void SaveVectorPicture(QSize size, const TVectorPainter& paint, const QString& path, TPictureFormat format);
// The same for a plot at its own size.
void SavePlotVectors(const TPlot2D& plot, const QString& path, TPictureFormat format);

}  // namespace curvane
