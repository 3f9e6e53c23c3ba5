// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace curvane {

// The help's pages by file name. A topic is a page, optionally followed by
// "#name" to open it at that place ("tools.html#integral").
namespace HelpPages {
inline constexpr const char* Contents = "index.html";
inline constexpr const char* GettingStarted = "getting_started.html";
inline constexpr const char* Formulas = "formulas.html";
inline constexpr const char* Functions = "functions.html";
inline constexpr const char* Windows2D = "windows2d.html";
inline constexpr const char* Windows3D = "windows3d.html";
inline constexpr const char* Tools = "tools.html";
inline constexpr const char* Parameters = "parameters.html";
inline constexpr const char* Files = "files.html";
inline constexpr const char* Options = "options.html";
inline constexpr const char* Shortcuts = "shortcuts.html";
}  // namespace HelpPages

// Makes the pages and the about box's picture readable as ":/help/...". Every
// function here that needs them calls it; it does its work once.
void LoadHelpResources();

// Shows the help window (made on first use, one for the whole program) at
// `page`, a topic as above. A page the help does not have shows the contents.
void ShowHelpTopic(const QString& page);

// The address of a topic among the pages built into the program; the
// contents page for a page that does not exist.
QUrl HelpPageUrl(const QString& page);

// The dynamic property that names a window's help topic. F1 pressed anywhere
// inside a widget that carries it (or inside any of its children) opens that
// topic, and so does a click there in What's This mode. A dialog that names
// one gets the title bar's help button (where the window manager shows one),
// which starts that mode.
inline constexpr const char* HelpTopicProperty = "helpTopic";
void SetHelpTopic(QWidget* widget, const QString& page);
// The topic of the nearest widget from `widget` up through its parents that
// names one. The walk goes on past a window to the window it belongs to, so a
// message box over a dialog gets the dialog's topic. Empty when none does.
QString HelpTopicAt(const QWidget* widget);

// Hands a web or mail address to the desktop's program for it.
bool OpenExternalUrl(const QUrl& url);
// Replaces the opener (QDesktopServices by default); tests record instead.
// Null restores the default.
void SetExternalUrlOpener(bool (*opener)(const QUrl&));

}  // namespace curvane
