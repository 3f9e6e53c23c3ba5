// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/picture_file.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>
#include <vector>

#include "core/support/exceptions.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

namespace {

[[noreturn]] void WriteFailed(const QString& path, const QString& reason = {}) {
    QString message = QStringLiteral("Unable to write to ") + path;
    if (!reason.isEmpty()) message += QStringLiteral(": ") + reason;
    throw EFileError(message.toStdString());
}

// Opens the temporary file a picture is written into; Commit renames it over
// the old file.
void OpenSaveFile(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly)) WriteFailed(file.fileName(), file.errorString());
}

void Commit(QSaveFile& file) {
    if (!file.commit()) WriteFailed(file.fileName(), file.errorString());
}

}  // namespace

std::optional<TBmpDepth> BmpDepthOf(TPictureFormat format) {
    switch (format) {
        case TPictureFormat::pfBmp4: return TBmpDepth::bd4;
        case TPictureFormat::pfBmp8: return TBmpDepth::bd8;
        case TPictureFormat::pfBmp15: return TBmpDepth::bd15;
        case TPictureFormat::pfBmp16: return TBmpDepth::bd16;
        case TPictureFormat::pfBmp24: return TBmpDepth::bd24;
        default: return std::nullopt;
    }
}

TPictureFormat BmpFormat(TBmpDepth depth) {
    switch (depth) {
        case TBmpDepth::bd4: return TPictureFormat::pfBmp4;
        case TBmpDepth::bd8: return TPictureFormat::pfBmp8;
        case TBmpDepth::bd15: return TPictureFormat::pfBmp15;
        case TBmpDepth::bd16: return TPictureFormat::pfBmp16;
        case TBmpDepth::bd24: break;
    }
    return TPictureFormat::pfBmp24;
}

bool IsVectorFormat(TPictureFormat format) {
    return format == TPictureFormat::pfSvg || format == TPictureFormat::pfPdf;
}

std::optional<TPictureFormat> PictureFormatForSuffix(const QString& fileName, TBmpDepth bmpDepth) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("bmp")) return BmpFormat(bmpDepth);
    if (suffix == QLatin1String("png")) return TPictureFormat::pfPng;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return TPictureFormat::pfJpeg;
    if (suffix == QLatin1String("svg")) return TPictureFormat::pfSvg;
    if (suffix == QLatin1String("pdf")) return TPictureFormat::pfPdf;
    return std::nullopt;
}

namespace {

// `pixels` must be Format_RGB32 and outlive the result.
TBmpSource BmpSourceOf(const QImage& pixels) {
    TBmpSource source;
    source.Pixels = reinterpret_cast<const std::uint32_t*>(pixels.constBits());
    source.Width = pixels.width();
    source.Height = pixels.height();
    source.Stride = pixels.bytesPerLine() / 4;
    source.PixelsPerMeter = static_cast<std::int32_t>(std::lround(pixels.dotsPerMeterX() * pixels.devicePixelRatio()));
    return source;
}

}  // namespace

QByteArray BitmapFileBytes(const QImage& picture, TBmpDepth depth) {
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    const std::vector<std::uint8_t> bytes = EncodeBmp(BmpSourceOf(pixels), depth);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void SaveQtPicture(const QImage& picture, const QString& path, const QByteArray& qtFormat) {
    QSaveFile file(path);
    OpenSaveFile(file);
    QImageWriter writer(&file, qtFormat);
    // Thin one-pixel lines blur at the usual JPEG quality.
    if (qtFormat == "jpeg" || qtFormat == "jpg") writer.setQuality(95);
    // JPEG has no alpha: a picture with one would come out black behind.
    const QImage opaque = picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_RGB32) : picture;
    if (!writer.write(opaque)) {
        file.cancelWriting();
        WriteFailed(path, writer.errorString());
    }
    Commit(file);
}

void SavePicture(const QImage& picture, const QString& path, TPictureFormat format) {
    if (const std::optional<TBmpDepth> depth = BmpDepthOf(format)) {
        const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
        WriteBmpFile(QFile::encodeName(path).toStdString(), BmpSourceOf(pixels), *depth);
        return;
    }
    switch (format) {
        case TPictureFormat::pfPng: return SaveQtPicture(picture, path, "png");
        case TPictureFormat::pfJpeg: return SaveQtPicture(picture, path, "jpeg");
        default: WriteFailed(path, QStringLiteral("a picture of pixels cannot be saved as vectors"));
    }
}

void SavePlotVectors(const TPlot2D& plot, const QString& path, TPictureFormat format) {
    SaveVectorPicture(plot.Size(), [&plot](QPainter& painter) { plot.Paint(painter); }, path, format);
}

void SaveVectorPicture(QSize size, const TVectorPainter& paint, const QString& path, TPictureFormat format) {
    if (!IsVectorFormat(format)) WriteFailed(path, QStringLiteral("not a vector format"));
    const QString title = QStringLiteral("Curvane graph");
    QSaveFile file(path);
    OpenSaveFile(file);
    bool painted = false;
    if (format == TPictureFormat::pfSvg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        // A browser then shows one plot pixel as one CSS pixel.
        svg.setResolution(96);
        svg.setTitle(title);
        QPainter painter;
        painted = painter.begin(&svg);
        if (painted) paint(painter);
        painted = painter.end() && painted;
    } else {
        QPdfWriter pdf(&file);
        // At 72 dots per inch a device unit is a point: the page is the plot's
        // size with one pixel to the point. A custom size must match exactly,
        // or Qt would round it to the nearest paper size.
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Curvane"));
        QPainter painter;
        painted = painter.begin(&pdf);
        if (painted) paint(painter);
        painted = painter.end() && painted;
    }
    if (!painted || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        WriteFailed(path, file.errorString());
    }
    Commit(file);
}

}  // namespace curvane
