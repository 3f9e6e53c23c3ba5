// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "core/plot/mesh3d.h"

namespace curvane {

// Where a 3D window draws the level lines of its surfaces (bits: 1 on the
// surfaces, 2 projected on the floor of the box).
enum class TContourPlace : std::int32_t { cpNone = 0, cpSurface = 1, cpFloor = 2, cpBoth = 3 };

// More levels than this would paint the surface solid; a request beyond it
// gets no lines rather than a frozen window.
inline constexpr int MaxContourLevels = 500;

// The heights of the level lines over the box's z range z1..z2, the ends
// excluded (a line there touches only the extremes): with count > 0, count
// levels evenly spaced; with count 0, the grid's z positions z1 + i * step.
// Empty for a range or step that is not finite and positive, or beyond
// MaxContourLevels levels.
std::vector<double> ContourLevels(double z1, double z2, double step, int count);

// The level lines of the mesh's height at levels, by marching squares over
// its quadrilaterals (those whose four corners are defined): line segments
// as pairs of points, x, y, z each, ready for GL_LINES. Crossings are placed
// by linear interpolation along the quadrilateral's edges, so the lines lie
// on the drawn surface. A quadrilateral whose opposite corners lie on the
// same side (a saddle) is decided by the mean of its corners.
std::vector<float> ContourSegments(const TMesh& mesh, const std::vector<double>& levels);

}  // namespace curvane
