// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include "render/plot2d/indicator_types.h"

namespace curvane {

// Turns a stored 0x00BBGGRR colour into a QColor. System colours (top byte
// 0xFF) are looked up in the application palette: 5 "window" is the base
// colour, 8 "window text" the text colour, the others their nearest role.
// Without an application object the light default palette is used.
QColor ToQColor(TPlotColor color);

// The 0x00BBGGRR value of an opaque QColor (alpha is dropped).
TPlotColor FromQColor(const QColor& color);

// The stored colour with its red, green and blue each halved (integer
// division): the grid colour that goes with an axis colour.
constexpr TPlotColor HalfColor(TPlotColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    return static_cast<TPlotColor>(((c & 0xFFu) / 2) | ((((c >> 8) & 0xFFu) / 2) << 8) |
                                   ((((c >> 16) & 0xFFu) / 2) << 16));
}

constexpr TPlotColor clBlack = 0x000000;
constexpr TPlotColor clWhite = 0xFFFFFF;
constexpr TPlotColor clRed = 0x0000FF;
constexpr TPlotColor clBlue = 0xFF0000;
constexpr TPlotColor clAqua = 0xFFFF00;

}  // namespace curvane
