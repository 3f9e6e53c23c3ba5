// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "core/plot/mesh3d.h"

namespace curvane {

// What a frame draws of one mesh, laid out once for glDrawArrays so that a
// turning camera does not walk the rows again each frame. Every part holds
// exactly the vertices the row-by-row drawing sends, in the same order, so
// both ways give the same picture.
struct TMeshGeometry {
    // Surface: GL_N3F_V3F quadrilaterals (normal, then position).
    std::vector<float> Quads;
    // Wire lines: positions, and the line strips as (first, count) pairs.
    std::vector<float> Lines;
    std::vector<int> StripFirst;
    std::vector<int> StripCount;
    // Points, and the normal vectors as line pairs.
    std::vector<float> Points;
    std::vector<float> Normals;
};

TMeshGeometry BuildMeshGeometry(const TMesh& mesh);

// The same mesh parts drawn vertex by vertex in immediate mode, for the
// comparison and for contexts where arrays are not wanted.
void DrawSurfaceImmediate(const TMesh& mesh);
void DrawLinesImmediate(const TMesh& mesh);
void DrawPointsImmediate(const TMesh& mesh);
void DrawNormalsImmediate(const TMesh& mesh);

// The arrays above. Client state is left disabled afterwards.
void DrawSurfaceArrays(const TMeshGeometry& geometry);
void DrawLinesArrays(const TMeshGeometry& geometry);
void DrawPointsArrays(const TMeshGeometry& geometry);
void DrawNormalsArrays(const TMeshGeometry& geometry);

}  // namespace curvane
