// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace curvane {

// The reverse-DNS name the desktop knows the program by: the menu entry
// (<id>.desktop), the AppStream file, the application icon and the window's
// desktop file name all carry it, so they must agree.
inline constexpr std::string_view ApplicationId = "org.curvane.Curvane";

// Whether the executable at `executablePath` is an installed copy: it sits in
// a folder named "bin" and its menu entry exists at
// "../share/applications/org.curvane.Curvane.desktop" from that folder, which
// `cmake --install` and the Debian package always put there together. A copy
// run from its build folder or from an unpacked archive has no such entry.
//
// Every file the program writes for itself (settings, recent files, error
// log, recovery copies) asks this first: an installed copy keeps them in the
// user's XDG folders and never beside itself, even when it could (run as
// root, /usr/bin is writable); any other copy keeps them beside the
// executable while that folder is writable. The path is taken as given:
// pass the resolved one (QCoreApplication::applicationFilePath), since a
// symbolic link in another folder says nothing about where the program lives.
bool IsInstalledCopy(const std::string& executablePath);

// The folder a copy that is not installed keeps its own files in: the
// executable's folder, when it is writable. "" for an installed copy or an
// unwritable folder; the caller then uses its XDG folder.
std::string PortableFolder(const std::string& executablePath);

}  // namespace curvane
