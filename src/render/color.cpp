// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/color.h"

#include <QGuiApplication>
#include <QPalette>

namespace curvane {

namespace {

// The system colour indices of the stored values, by the palette role that
// plays the same part on this desktop.
QPalette::ColorRole RoleOfSystemColor(unsigned index) {
    switch (index) {
        case 0: return QPalette::Mid;              // scroll bar
        case 1: return QPalette::Window;           // desktop
        case 2: return QPalette::Highlight;        // active caption
        case 3: return QPalette::Mid;              // inactive caption
        case 4: return QPalette::Window;           // menu
        case 5: return QPalette::Base;             // window
        case 6: return QPalette::Shadow;           // window frame
        case 7: return QPalette::WindowText;       // menu text
        case 8: return QPalette::Text;             // window text
        case 9: return QPalette::HighlightedText;  // caption text
        case 13: return QPalette::Highlight;
        case 14: return QPalette::HighlightedText;
        case 15: return QPalette::Button;          // button face
        case 16: return QPalette::Dark;            // button shadow
        case 17: return QPalette::PlaceholderText; // grey text
        case 18: return QPalette::ButtonText;
        case 20: return QPalette::Light;           // button highlight
        case 21: return QPalette::Shadow;          // 3D dark shadow
        case 22: return QPalette::Midlight;        // 3D light
        case 23: return QPalette::ToolTipText;
        case 24: return QPalette::ToolTipBase;
        default: return QPalette::Window;
    }
}

}  // namespace

QColor ToQColor(TPlotColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    if ((c >> 24) == 0xFFu) {
        const QPalette palette = qGuiApp ? QGuiApplication::palette() : QPalette();
        return palette.color(QPalette::Active, RoleOfSystemColor(c & 0xFFu));
    }
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

TPlotColor FromQColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    return static_cast<TPlotColor>(static_cast<std::uint32_t>(qRed(rgb)) |
                                   (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
                                   (static_cast<std::uint32_t>(qBlue(rgb)) << 16));
}

}  // namespace curvane
