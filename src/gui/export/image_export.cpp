// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/image_export.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>

#include "core/support/exceptions.h"
#include "gui/common/application.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/export/graph_picture.h"

namespace curvane {

namespace {

// The entry a first save dialog preselects: 64K colours.
constexpr int DefaultFilterIndex = 3;

std::optional<TPictureFormat> GCurrentImageFilter;
TImageFileChooser GImageFileChooser;

// "bmp" of "Bitmap 64K colors (*.bmp)", "jpg" of "JPEG image (*.jpg *.jpeg)".
QString DefaultSuffix(const QString& filter) {
    const qsizetype start = filter.indexOf(QLatin1String("(*."));
    if (start < 0) return QString();
    QString suffix = filter.mid(start + 3);
    return suffix.left(suffix.indexOf(QRegularExpression(QStringLiteral("[ )]"))));
}

QString RunImageDialog(QWidget* parent, const QString& suggested, const QStringList& filters,
                       QString& selectedFilter) {
    QFileDialog dialog(parent, QStringLiteral("Save image"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(selectedFilter);
    // A name typed without extension takes the one of the chosen entry.
    dialog.setDefaultSuffix(DefaultSuffix(selectedFilter));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { dialog.setDefaultSuffix(DefaultSuffix(filter)); });
    if (!suggested.isEmpty()) {
        const QFileInfo name(suggested);
        dialog.setDirectory(name.absolutePath());
        dialog.selectFile(name.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

// ".bmp, .png, .jpg, .jpeg": the extensions of the entries, each once.
QString OfferedSuffixes(const QList<TImageFilter>& filters) {
    QStringList suffixes;
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[a-z]+)"));
    for (const TImageFilter& filter : filters)
        for (const QRegularExpressionMatch& m : pattern.globalMatch(filter.Text))
            if (!suffixes.contains(m.captured(1))) suffixes << m.captured(1);
    return suffixes.join(QStringLiteral(", "));
}

}  // namespace

QList<TImageFilter> ImageFilters(bool vectors) {
    QList<TImageFilter> filters = {
        {QStringLiteral("Bitmap 16 colors (*.bmp)"), TPictureFormat::pfBmp4},
        {QStringLiteral("Bitmap 256 colors (*.bmp)"), TPictureFormat::pfBmp8},
        {QStringLiteral("Bitmap 32K colors (*.bmp)"), TPictureFormat::pfBmp15},
        {QStringLiteral("Bitmap 64K colors (*.bmp)"), TPictureFormat::pfBmp16},
        {QStringLiteral("Bitmap True Color (*.bmp)"), TPictureFormat::pfBmp24},
        {QStringLiteral("PNG image (*.png)"), TPictureFormat::pfPng},
        {QStringLiteral("JPEG image (*.jpg *.jpeg)"), TPictureFormat::pfJpeg},
    };
    if (vectors) {
        filters.append({QStringLiteral("SVG drawing (*.svg)"), TPictureFormat::pfSvg});
        filters.append({QStringLiteral("PDF document (*.pdf)"), TPictureFormat::pfPdf});
    }
    return filters;
}

std::optional<TPictureFormat> CurrentImageFilter() { return GCurrentImageFilter; }

void SetCurrentImageFilter(std::optional<TPictureFormat> format) { GCurrentImageFilter = format; }

void SetImageFileChooser(TImageFileChooser chooser) { GImageFileChooser = std::move(chooser); }

void SaveGraphImage(TfrmAbstractMDIChild* window, QWidget* parent) {
    // A 3D window on a display without OpenGL has no picture to offer.
    if (!CanTakeGraphPicture(window)) return;
    const QList<TImageFilter> filters = ImageFilters(window->HasVectors());
    QStringList texts;
    QString selected = filters[DefaultFilterIndex].Text;
    for (const TImageFilter& filter : filters) {
        texts << filter.Text;
        if (filter.Format == GCurrentImageFilter) selected = filter.Text;
    }
    // A document's picture is first offered under the document's name.
    QString suggested;
    if (!window->FileName().isEmpty()) {
        const QFileInfo document(window->FileName());
        suggested = document.absoluteDir().filePath(document.completeBaseName());
    }
    const QPointer<TfrmAbstractMDIChild> guard(window);
    QString path;
    TPictureFormat format{};
    for (;;) {
        path = GImageFileChooser ? GImageFileChooser(parent, texts, selected, suggested)
                                 : RunImageDialog(parent, suggested, texts, selected);
        if (path.isEmpty()) return;
        if (!guard) return;  // closed while the dialog was open
        format = filters[DefaultFilterIndex].Format;
        for (const TImageFilter& filter : filters)
            if (filter.Text == selected) format = filter.Format;
        // The name's extension decides: "graph.png" chosen under a bitmap entry
        // is a PNG file, ".bmp" under another entry a true-colour bitmap. A name
        // without extension takes the entry's format.
        GCurrentImageFilter = format;
        if (QFileInfo(path).suffix().isEmpty()) break;
        const std::optional<TPictureFormat> named =
            PictureFormatForSuffix(path, BmpDepthOf(format).value_or(TBmpDepth::bd24));
        const bool offered =
            named && std::any_of(filters.begin(), filters.end(), [&](const TImageFilter& f) { return f.Format == *named; });
        if (offered) {
            format = *named;
            break;
        }
        // Writing other bytes under the name would make a file no program
        // reads as its extension says; ask again with the name kept.
        QMessageBox::warning(parent, ApplicationTitle(),
                             QStringLiteral("This window cannot save a picture as \"%1\".\nIt can write %2 files.")
                                 .arg(QFileInfo(path).fileName(), OfferedSuffixes(filters)));
        if (!guard) return;
        suggested = path;
    }

    try {
        if (IsVectorFormat(format)) {
            SaveVectorPicture(
                window->PictureSize(), [window](QPainter& painter) { window->PaintVectors(painter); }, path, format);
        } else {
            const QImage picture = TakeGraphPicture(window);
            if (!picture.isNull()) SavePicture(picture, path, format);
        }
    } catch (const Exception& e) {
        QMessageBox::critical(parent, ApplicationTitle(),
                              QStringLiteral("The picture could not be saved.\n%1").arg(QString::fromStdString(e.Message())));
    }
}

void CopyGraphImage(TfrmAbstractMDIChild* window) {
    const QImage picture = TakeGraphPicture(window);
    if (picture.isNull()) return;
    const TBmpDepth depth = BmpDepthOf(GCurrentImageFilter.value_or(TPictureFormat::pfBmp24)).value_or(TBmpDepth::bd24);
    const QByteArray bitmap = BitmapFileBytes(picture, depth);
    // Every flavour shows the same pixels: those of the bitmap at that depth.
    QImage image = QImage::fromData(bitmap, "BMP");
    image.setDevicePixelRatio(picture.devicePixelRatio());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData(QStringLiteral("image/bmp"), bitmap);
    data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace curvane
