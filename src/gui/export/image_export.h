// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "render/picture_file.h"

class QWidget;

namespace curvane {

class TfrmAbstractMDIChild;

// One entry of the picture save dialog's filter list.
struct TImageFilter {
    QString Text;  // "Bitmap 64K colors (*.bmp)"
    TPictureFormat Format;
};

// The entries the save dialog offers for a window: the five bitmap depths,
// PNG and JPEG, and for a 2D window (vectors) SVG and PDF.
QList<TImageFilter> ImageFilters(bool vectors);

// The entry chosen in the last confirmed picture save dialog of this run;
// nothing before the first. Copy image takes its depth from here.
std::optional<TPictureFormat> CurrentImageFilter();
void SetCurrentImageFilter(std::optional<TPictureFormat> format);

// Asks for the file a picture is saved to: returns its path, or "" when the
// user cancels. `selectedFilter` holds the preselected entry's text and
// receives the chosen one; `suggested` is the name to offer (folder and name,
// "" for none). The default runs the save dialog; tests install
// their own, and an empty function restores the default.
using TImageFileChooser =
    std::function<QString(QWidget* parent, const QStringList& filters, QString& selectedFilter, const QString& suggested)>;
void SetImageFileChooser(TImageFileChooser chooser);

// Save image: asks for a file and writes the window's picture in the format
// its extension names (a name without extension takes the chosen entry's).
// An extension the window cannot write is refused with a message naming the
// ones it can, and the dialog asks again with that name; nothing is written.
// A file that cannot be written is reported in a message box.
// Nothing happens without a window that has a picture (a 3D window on a
// display without OpenGL has none).
void SaveGraphImage(TfrmAbstractMDIChild* window, QWidget* parent);

// Copy image: the window's picture as the bitmap of the current entry's depth
// (true colour when the entry is not a bitmap) goes to the clipboard as image
// data, as "image/bmp" and as "image/png". Nothing happens without a window.
void CopyGraphImage(TfrmAbstractMDIChild* window);

}  // namespace curvane
