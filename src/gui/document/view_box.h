// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace curvane {

// The numbers of a window's view the display controller shows and lets the
// user overwrite, in the order of its edits.
enum class TViewValue : std::uint8_t { vvX1, vvX2, vvY1, vvY2, vvZ1, vvZ2, vvDistance, vvAngleX, vvAngleY };
constexpr std::size_t ViewValueCount = 9;

// A window's view as those numbers. A 2D window fills X1 to Y2 with its world
// rectangle (Y1 its top edge); a 3D window fills them all.
struct TViewBox {
    std::array<double, ViewValueCount> Values{};
    // The window has a z range and a camera.
    bool HasDepth = false;
    // A uniform scale derives the y range from x and the window's
    // proportions: typing a y value would be overruled.
    bool YFollowsX = false;

    double Value(TViewValue which) const { return Values[static_cast<std::size_t>(which)]; }
};

}  // namespace curvane
