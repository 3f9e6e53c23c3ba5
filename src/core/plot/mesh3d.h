// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/plot/pline.h"
#include "core/plot/view3d.h"

namespace curvane {

class TFuncList;

// A mesh vertex is MeshDimension doubles: position (x, y, z) in Cartesian
// world coordinates, unit normal (nx, ny, nz) or zeros where none can be
// formed, and the undefined mark (1.0 where the function has no value; then
// the other six components are zero and mean nothing).
inline constexpr std::int32_t MeshDimension = 7;
inline constexpr int VertexNormal = 3;
inline constexpr int VertexUndefined = 6;

// Row k holds the samples at the k-th value of the first parameter; vertex j
// of every row belongs to the j-th value of the second, so (k, j) and
// (k + 1, j) are neighbours.
using TMesh = std::vector<TPline>;

inline bool VertexDefined(const double* v) { return v[VertexUndefined] == 0.0; }

// Calls visit(corners) for every quadrilateral between rows k and k + 1
// whose four corners are defined, corners (k, j), (k + 1, j), (k + 1, j + 1),
// (k, j + 1) in that order. Rows of different lengths meet over the shorter.
template <typename Visit>
void ForEachDefinedQuad(const TMesh& mesh, Visit visit) {
    for (std::size_t k = 0; k + 1 < mesh.size(); ++k) {
        const TPline& a = mesh[k];
        const TPline& b = mesh[k + 1];
        const int n = std::min(a.Count(), b.Count());
        for (int j = 0; j + 1 < n; ++j) {
            const std::array<const double*, 4> corners = {a.GetVertex(j), b.GetVertex(j), b.GetVertex(j + 1),
                                                          a.GetVertex(j + 1)};
            if (VertexDefined(corners[0]) && VertexDefined(corners[1]) && VertexDefined(corners[2]) &&
                VertexDefined(corners[3]))
                visit(corners);
        }
    }
}

// A function whose mesh needs more samples than this asks before it is built.
inline constexpr double LongMeshSamples = 1e6;
// Beyond this (about 1.1 GB of vertices) a mesh is refused outright, and so
// is every mesh that would take the window's meshes together beyond it.
inline constexpr double MaxMeshSamples = 2e7;
// Where the view fit clamps the bounding box: a few far samples (a pole)
// must not shrink the rest of the surface to a dot.
inline constexpr double ViewFitLimit = 1000;
inline constexpr double MaxCameraDistance = 10000;

// What the user is asked while meshes are built. The window shows message
// boxes; the command-line renderer and tests answer by themselves.
class TMeshDialog {
public:
    virtual ~TMeshDialog() = default;
    // The function needs about `samples` samples, more than LongMeshSamples:
    // false leaves its mesh empty.
    virtual bool ConfirmLongMesh(const std::string& expression, double samples) = 0;
    // The ranges cannot be sampled (message says why); the mesh stays empty.
    virtual void RefuseRange(const std::string& message) = 0;
};

// Smallest and largest coordinates of the defined samples, in single
// precision as the vertices were computed.
struct TBoundingBox3D {
    bool Empty = true;
    float MinX = 0, MaxX = 0, MinY = 0, MaxY = 0, MinZ = 0, MaxZ = 0;
    void Include(float x, float y, float z) {
        if (Empty) {
            Empty = false;
            MinX = MaxX = x, MinY = MaxY = y, MinZ = MaxZ = z;
            return;
        }
        MinX = std::min(MinX, x), MaxX = std::max(MaxX, x);
        MinY = std::min(MinY, y), MaxY = std::max(MaxY, y);
        MinZ = std::min(MinZ, z), MaxZ = std::max(MaxZ, z);
    }
};

// How a rebuild went. An out-parameter rather than a result, so that the
// caller still learns which function failed when ESyntaxError leaves.
struct TMeshRebuildReport {
    // The function whose formula did not compile, or -1.
    int SyntaxErrorFunction = -1;
    // Rows cut short because a position, normal or box value left single
    // precision; the window says "3D EMathError" once when this is not 0.
    int MathErrorRows = 0;
    // The view box was refitted to the samples.
    bool Fitted = false;
};

// Rebuilds every mesh (meshes is resized to one per function, in list order)
// and fits view to the defined samples of all of them, holding the shared
// evaluators for the whole run. Hidden functions, empty expressions,
// implicit functions in other than Cartesian coordinates and coordinate
// systems a 3D window does not have give empty meshes; a Cartesian implicit
// one is meshed by MeshImplicitSurface over its x, y and z ranges, its grid
// points counting as samples. A formula error in function i leaves mesh i empty, functions after
// i with their previous meshes and view untouched, sets
// report.SyntaxErrorFunction and lets the ESyntaxError through.
void RebuildMeshes(const TFuncList& funcs, std::vector<TMesh>& meshes, TViewBox3D& view, TMeshDialog& dialog,
                   TMeshRebuildReport& report);

// Fits the limits, the common step, the camera distance and the target to
// box; the camera angles stay. Returns false, changing nothing, for an empty
// box or one that lies wholly beyond the clamp limits on some axis.
bool FitViewBox(const TBoundingBox3D& box, TViewBox3D& view);

}  // namespace curvane
