// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace curvane {

class TGraphDocument;

// A colour given as 0xRRGGBB, stored the way TFuncItem::Color holds it
// (0x00BBGGRR).
constexpr std::int32_t ColorOfRgb(std::uint32_t rgb) {
    return static_cast<std::int32_t>(((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu));
}

// The colours a function made in the program starts with, in the order they
// are handed out: the Okabe-Ito colours, which stay apart for readers with
// any of the common colour-vision deficiencies, and three darker ones of the
// same kind (wine, indigo, olive). Black, the colour of a record nobody
// coloured, is left out; yellow, faint on a white background, comes last.
inline constexpr std::array<std::int32_t, 10> FuncPalette = {
    ColorOfRgb(0x0072B2),  // blue
    ColorOfRgb(0xD55E00),  // vermilion
    ColorOfRgb(0x009E73),  // bluish green
    ColorOfRgb(0xCC79A7),  // reddish purple
    ColorOfRgb(0xE69F00),  // orange
    ColorOfRgb(0x56B4E9),  // sky blue
    ColorOfRgb(0x882255),  // wine
    ColorOfRgb(0x332288),  // indigo
    ColorOfRgb(0x999933),  // olive
    ColorOfRgb(0xF0E442),  // yellow
};

// The colour of a function about to be added to `document`: the first palette
// colour no function with a formula has; when each has been used, the one the
// fewest have, the first of equals (so a gap left by a deleted function is
// filled first). A function without a formula draws nothing and counts for no
// colour, which is also why an empty last function reused for the new one
// does not keep its own.
std::int32_t NewFunctionColor(const TGraphDocument& document);

// The colour "Duplicate as derivative" gives the copy: the function's colour
// made lighter, each of red, green and blue going DerivativeLightening of the
// way to white. A system colour (a top byte other than 0) has no value here
// to mix and is kept.
inline constexpr double DerivativeLightening = 0.4;
std::int32_t DerivativeColor(std::int32_t color);

}  // namespace curvane
