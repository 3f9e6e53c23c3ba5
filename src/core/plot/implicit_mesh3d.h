// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/plot/mesh3d.h"

namespace curvane {

class TCompiledFunction;

// The sample positions of each axis, in ascending order.
struct TImplicitGrid {
    std::vector<double> X, Y, Z;
};

// A surface as shared vertices and the triangles between them. Triangles
// wind counter-clockwise seen from where F > 0.
struct TTriangleMesh {
    std::vector<std::array<double, 3>> Positions;
    // Unit gradient directions of F, or zeros where it has none.
    std::vector<std::array<double, 3>> Normals;
    std::vector<std::array<std::int32_t, 3>> Triangles;
    // The march stopped at MaxImplicitTriangles: the mesh is incomplete.
    bool TooLarge = false;
};

// Each triangle is drawn as three mesh rows holding five vertices (about
// 550 bytes): beyond this many (about 1.1 GB, as MaxMeshSamples) a surface
// is refused, whatever its grid.
inline constexpr std::size_t MaxImplicitTriangles = 2'000'000;

// The surface F(x, y, z) = 0 over the grid, by marching tetrahedra: every
// cell is cut into six tetrahedra along its diagonal from the lowest corner
// to the highest, which cuts every face of the grid the same way from both
// sides, so no case is ambiguous and neighbouring cells meet without cracks.
// Each crossing is solved on the formula (Illinois' false position to a
// ten-thousandth of the edge), so vertices lie on the surface rather than
// on a straight-line guess; a vertex belongs to its grid edge and is shared
// by every triangle through that edge, so a surface inside the grid comes
// out closed. A cell with an undefined corner, or a crossing that turns out
// to be a pole (the value grows towards it), gives no triangles. Normals are
// F's gradient by central differences.
//
// Cost: one evaluation per grid point, two slices in memory at a time, and
// a few dozen evaluations per vertex; callers bound the grid's point count
// (the window asks above LongMeshSamples and refuses above MaxMeshSamples),
// and the march stops at MaxImplicitTriangles (TooLarge).
// f takes x as its batch argument and y as its second cell; z is written to
// zCell before each evaluation.
TTriangleMesh MeshImplicitSurface(const TCompiledFunction& f, double* zCell, const TImplicitGrid& grid);

// Lays the triangles out as mesh rows the surface drawing understands: an
// empty first row (so no column strips join unrelated vertices), then per
// triangle (a, b, c) the rows [a, c, b] and [a, b] and an empty one. The
// pair draws one quadrilateral (a, a, b, c), which is the triangle wound as
// it is, and its line strips are the triangle's three edges. Returns
// false, leaving mesh empty, where a vertex leaves single precision.
bool TrianglesToMesh(const TTriangleMesh& surface, TMesh& mesh, TBoundingBox3D& box);

}  // namespace curvane
