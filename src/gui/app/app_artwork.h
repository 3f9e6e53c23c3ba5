#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

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

// The "COVER" tile the MDI client area is papered with: a sheet of graph
// paper with a curve across it, drawn so that copies join seamlessly.
QImage CoverTile();

}  // namespace curvane
