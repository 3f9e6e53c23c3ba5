// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "core/plot/color_map.h"
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

// The colour scale a mesh is coloured by height with: Map over Z1..Z2, in
// the function's opacity.
struct THeightScale {
    TColorMap Map = TColorMap::cmViridis;
    double Z1 = 0, Z2 = 1;
    std::uint8_t Alpha = 255;
    friend bool operator==(const THeightScale&, const THeightScale&) = default;
};

// RGBA, one colour per vertex of `data`, where each vertex takes
// `stride` floats with its z at `zOffset` (6 and 5 for the surface's
// normal-and-position layout, 3 and 2 for plain positions).
std::vector<float> HeightColors(const std::vector<float>& data, int stride, int zOffset, const THeightScale& scale);

// The same mesh parts drawn vertex by vertex in immediate mode, for the
// comparison and for contexts where arrays are not wanted. With a scale,
// each vertex gets its height's colour; otherwise the current colour holds.
void DrawSurfaceImmediate(const TMesh& mesh, const THeightScale* scale = nullptr);
void DrawLinesImmediate(const TMesh& mesh, const THeightScale* scale = nullptr);
void DrawPointsImmediate(const TMesh& mesh, const THeightScale* scale = nullptr);
void DrawNormalsImmediate(const TMesh& mesh);

// The arrays above, with colors (HeightColors of the same part) one per
// vertex, or null for the current colour. Client state is left disabled
// afterwards.
void DrawSurfaceArrays(const TMeshGeometry& geometry, const float* colors = nullptr);
void DrawLinesArrays(const TMeshGeometry& geometry, const float* colors = nullptr);
void DrawPointsArrays(const TMeshGeometry& geometry, const float* colors = nullptr);
void DrawNormalsArrays(const TMeshGeometry& geometry);

// Line segments as pairs of x, y, z points (level lines), in the current
// colour.
void DrawSegments(const std::vector<float>& segments);

}  // namespace curvane
