// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "render/plot3d/plot3d.h"

namespace curvane {

class TPlot2D;

// What the Options dialog applies to its graph windows; each kind of window
// takes its own part and leaves the rest.
struct TWindowLook {
    // The plot whose look 2D windows take (CopyLook2D); none leaves them as
    // they are.
    const TPlot2D* Plot2D = nullptr;
    // The units of a 2D window's axes (0 dimensionless, 1 radians, 2 degrees).
    TUnits UnitsX = TUnits::uDimensionless;
    TUnits UnitsY = TUnits::uDimensionless;
    // The style whose look 3D windows take (CopyLook3D); none, as when the
    // dialog's 3D page was never opened, leaves them as they are.
    std::optional<TScene3DStyle> Style3D;
};

// The settings-backed look of a 2D plot: background, colours, fonts, grid and
// label switches, uniform scale, antialiasing. Not the view, the units, the
// curves, the caption or the mouse mode.
void CopyLook2D(const TPlot2D& source, TPlot2D& target);
// The look of a 3D scene: colours, the axes, labels, grid, smooth, box and
// screen-label switches, the colouring by height and the level lines. Not
// the draw type, the normals or the light.
void CopyLook3D(const TScene3DStyle& from, TScene3DStyle& to);

}  // namespace curvane
