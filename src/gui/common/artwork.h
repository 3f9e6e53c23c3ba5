// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

class QFileDialog;

namespace curvane {

// The icon of a command: the desktop's icon theme entry `themeName` when the
// theme has one that actually draws, else our own picture for `commandName`,
// drawn here, so no tool button is ever blank. An empty theme name always
// gives our own picture.
QIcon CommandIcon(const QString& themeName, const QString& commandName);

// Our own picture of a command (never null; commands without a picture of
// their own get a lettered badge).
QIcon FallbackIcon(const QString& commandName);

// The application icon, from the same pictures the menu entry installs
// (desktop/icons), in each of their sizes. It is set on the application, so
// every window and dialog shows it.
QIcon ApplicationIcon();
// The sizes ApplicationIcon has, in pixels.
inline constexpr int ApplicationIconSizes[] = {16, 22, 32, 48, 64, 128, 256};

// The icon of a .gfx document, drawn from the picture the MIME type installs.
QIcon DocumentIcon();
// Makes the dialog show DocumentIcon beside .gfx files; other files keep the
// dialog's own icons. The provider belongs to the dialog.
void UseDocumentIcons(QFileDialog& dialog);

// The "COVER" tile the MDI client area is papered with: a sheet of graph
// paper with a curve across it, drawn so that copies join seamlessly.
QImage CoverTile();

}  // namespace curvane
