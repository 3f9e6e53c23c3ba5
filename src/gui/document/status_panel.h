// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// The text panels of a graph window's own status bar, numbered by their place
// in the bar: the odd places between them are raised separators. A 2D window
// has the first two, a 3D window all four.
enum class TStatusPanel : std::uint8_t {
    spX = 0,          // "X = " of the point under the 2D cursor, "angleX = " of the 3D camera
    spY = 2,          // "Y = ", "angleY = "
    spDistance = 4,   // "Distance = " of the 3D camera
    spPointView = 6,  // "Point View = " while the 3D view is dragged
    spPointer = 8,    // the 3D surface point under the mouse, and its function
};

// The panels of the main window's status bar that graph windows write to,
// numbered the same way (a separator between them).
enum class TMainStatusPanel : std::uint8_t {
    mspState = 0,  // "Ready", "Working"
    mspHint = 2,   // menu hints, and what a window could not draw
};

}  // namespace curvane
