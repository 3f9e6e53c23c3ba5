// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

namespace curvane {

// The settings and documents keep the face names the program has always
// stored ("MS Sans Serif", "Terminal", "Courier New", "Times New Roman").
// This maps them onto installed DejaVu faces, so that the names stay and the
// text metrics are the same on every machine. The program calls it at
// start-up and the first TIndicator makes sure of it; calling again is
// harmless.
void InstallFontSubstitutions();

// A font of a stored face name and point size with the four style flags.
QFont MakePlotFont(const QString& name, int pointSize, bool bold = false, bool italic = false,
                   bool underline = false, bool strikeOut = false);

}  // namespace curvane
