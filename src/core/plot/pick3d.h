// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "core/plot/camera3d.h"
#include "core/plot/mesh3d.h"

namespace curvane {

// Where a ray first meets a surface: the mesh (its function's index) and
// the point, or Mesh -1 for a ray that meets none.
struct TMeshHit {
    int Mesh = -1;
    TVector3 Point;
};

// The first point origin + t * direction (t >= 0) on a surface, each
// quadrilateral of four defined neighbouring vertices taken as the two
// triangles (k, j) (k+1, j) (k+1, j+1) and (k, j) (k+1, j+1) (k, j+1).
// Points whose z lies outside zLow..zHigh are passed through: that part of
// the surface is clipped away on the screen.
TMeshHit PickMeshes(const std::vector<TMesh>& meshes, const TVector3& origin, const TVector3& direction, double zLow,
                    double zHigh);

}  // namespace curvane
