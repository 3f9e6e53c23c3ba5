// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// How a 3D window colours its meshes: each in its function's colour, or
// every vertex by its height through one colour scale over the box's z range.
enum class TMeshColoring : std::int32_t { mcFunction = 0, mcHeight = 1 };

// Colour scales whose lightness rises evenly from the low end to the high
// end, so that equal steps of height look like equal steps of colour, also
// to readers with a colour vision deficiency and on grey-scale printouts.
enum class TColorMap : std::int32_t { cmViridis = 0, cmPlasma, cmMagma, cmInferno, cmCividis };
inline constexpr int ColorMapCount = 5;

struct TRgb8 {
    std::uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const TRgb8&, const TRgb8&) = default;
};

// The scale's colour at t (0 the low end, 1 the high end; outside that and
// NaN clamp to the nearer end, NaN to the low one). A map number outside
// the enumeration gives the first map.
TRgb8 ColorMapAt(TColorMap map, double t);

// The scale's name as lists show it ("Viridis", ...).
const char* ColorMapName(TColorMap map);

// Where a height value sits on a scale spanning z1..z2: 0 at z1, 1 at z2. An
// empty or reversed span puts every value in the middle.
inline double HeightFraction(double z, double z1, double z2) {
    return z2 > z1 ? (z - z1) / (z2 - z1) : 0.5;
}

}  // namespace curvane
