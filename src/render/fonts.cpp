// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/fonts.h"

#include <QStringList>

namespace curvane {

void InstallFontSubstitutions() {
    struct Pair {
        const char* stored;
        const char* installed;
    };
    static constexpr Pair Substitutions[] = {
        {"MS Sans Serif", "DejaVu Sans"},
        {"Terminal", "DejaVu Sans Mono"},
        {"Courier New", "DejaVu Sans Mono"},
        {"Times New Roman", "DejaVu Serif"},
    };
    for (const Pair& pair : Substitutions) {
        const QString stored = QString::fromLatin1(pair.stored);
        // insertSubstitution appends, so repeated calls would pile up copies.
        if (!QFont::substitutes(stored).contains(QLatin1String(pair.installed)))
            QFont::insertSubstitution(stored, QString::fromLatin1(pair.installed));
    }
}

QFont MakePlotFont(const QString& name, int pointSize, bool bold, bool italic, bool underline,
                   bool strikeOut) {
    QFont font(name);
    font.setPointSize(pointSize > 0 ? pointSize : 1);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    // The stored face names are not installed: without this hint fontconfig
    // may match them to anything before our substitution gets a say.
    font.setStyleHint(QFont::AnyStyle, QFont::PreferMatch);
    return font;
}

}  // namespace curvane
