// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/implicit_mesh3d.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/document/compiled_function.h"

namespace curvane {

namespace {

using TVec = std::array<double, 3>;

// Corner b of a cell is offset by (b & 1, b >> 1 & 1, b >> 2 & 1) steps.
// The six tetrahedra walk from corner 0 to corner 7 one axis at a time, in
// each of the six orders; their corners are nested bit sets, so every edge
// runs from a corner to one of its supersets.
constexpr int Tetrahedra[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7},
                                  {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};

// Illinois' false position stops when the bracket is this fraction of the
// edge, or after this many evaluations.
constexpr double RootTolerance = 1e-4;
constexpr int MaxRootSteps = 40;
// The central difference's half-width, as a fraction of the smallest step.
constexpr double GradientDelta = 1e-3;

// The edge-to-vertex map marks a crossing that gave no vertex.
constexpr std::int32_t NoVertex = -1;

class TMarcher {
public:
    TMarcher(const TCompiledFunction& f, double* zCell, const TImplicitGrid& grid)
        : FF(f), FZCell(zCell), FGrid(grid), FNx(grid.X.size()), FNy(grid.Y.size()) {
        double smallest = 0;
        for (const std::vector<double>* axis : {&grid.X, &grid.Y, &grid.Z})
            if (axis->size() > 1) {
                const double step = (*axis)[1] - (*axis)[0];
                smallest = smallest == 0 ? step : std::min(smallest, step);
            }
        FDelta = GradientDelta * smallest;
    }

    TTriangleMesh Run() {
        const std::size_t slice = FNx * FNy;
        std::vector<double> lower(slice), upper(slice);
        for (std::size_t k = 0; k < FGrid.Z.size(); ++k) {
            EvaluateSlice(FGrid.Z[k], upper);
            if (k > 0) MarchLayer(k - 1, lower, upper);
            if (FMesh.TooLarge) break;
            std::swap(lower, upper);
        }
        return std::move(FMesh);
    }

private:
    // F at one point; NaN where it is undefined.
    double At(const TVec& p) const {
        *FZCell = p[2];
        double value;
        TSampleFault fault;
        FF.EvaluateBatch(&p[0], p[1], 1, &value, &fault);
        return fault == TSampleFault::sfNone ? value : NAN;
    }

    void EvaluateSlice(double z, std::vector<double>& values) {
        *FZCell = z;
        std::vector<TSampleFault>& faults = FFaults;
        faults.resize(FNx);
        for (std::size_t j = 0; j < FNy; ++j) {
            double* row = values.data() + j * FNx;
            FF.EvaluateBatch(FGrid.X.data(), FGrid.Y[j], FNx, row, faults.data());
            for (std::size_t i = 0; i < FNx; ++i)
                if (faults[i] != TSampleFault::sfNone) row[i] = NAN;
        }
    }

    // The cells between slice k (lower) and k + 1 (upper).
    void MarchLayer(std::size_t k, const std::vector<double>& lower, const std::vector<double>& upper) {
        for (std::size_t j = 0; j + 1 < FNy; ++j)
            for (std::size_t i = 0; i + 1 < FNx; ++i) {
                double v[8];
                int positive = 0;
                bool defined = true;
                for (int b = 0; b < 8; ++b) {
                    const std::vector<double>& s = (b & 4) ? upper : lower;
                    v[b] = s[(j + (b >> 1 & 1)) * FNx + i + (b & 1)];
                    defined = defined && !std::isnan(v[b]);
                    positive += v[b] > 0;
                }
                if (!defined || positive == 0 || positive == 8) continue;
                // Checked per cell: one layer of a flat grid may hold millions.
                if (FMesh.Triangles.size() >= MaxImplicitTriangles) {
                    FMesh.TooLarge = true;
                    return;
                }
                for (const auto& t : Tetrahedra) MarchTetrahedron(i, j, k, t, v);
            }
    }

    TVec Corner(std::size_t i, std::size_t j, std::size_t k, int b) const {
        return {FGrid.X[i + (b & 1)], FGrid.Y[j + (b >> 1 & 1)], FGrid.Z[k + (b >> 2 & 1)]};
    }

    // Zero counts as inside (F <= 0) everywhere, so both tetrahedra across a
    // face agree on it.
    void MarchTetrahedron(std::size_t i, std::size_t j, std::size_t k, const int (&t)[4], const double* v) {
        int in[4], out[4], nIn = 0, nOut = 0;
        for (int c : t) (v[c] > 0 ? out[nOut++] : in[nIn++]) = c;
        if (nIn == 0 || nOut == 0) return;
        // The way from inside to outside, to wind the triangles by.
        TVec towardOut{};
        for (int c = 0; c < 4; ++c) {
            const TVec p = Corner(i, j, k, t[c]);
            const double weight = v[t[c]] > 0 ? 1.0 / nOut : -1.0 / nIn;
            for (int a = 0; a < 3; ++a) towardOut[a] += weight * p[a];
        }
        auto edge = [&](int a, int b) { return Vertex(i, j, k, a, b, v); };
        if (nIn == 1 || nOut == 1) {
            const bool loneIn = nIn == 1;
            const int lone = loneIn ? in[0] : out[0];
            const int* others = loneIn ? out : in;
            const std::int32_t a = edge(lone, others[0]), b = edge(lone, others[1]), c = edge(lone, others[2]);
            if (a == NoVertex || b == NoVertex || c == NoVertex) return;
            Emit(a, b, c, towardOut);
            return;
        }
        // Two inside, two outside: a quadrilateral around the tetrahedron.
        const std::int32_t q[4] = {edge(in[0], out[0]), edge(in[0], out[1]), edge(in[1], out[1]),
                                   edge(in[1], out[0])};
        if (std::count(q, q + 4, NoVertex) > 0) return;
        Emit(q[0], q[1], q[2], towardOut);
        Emit(q[0], q[2], q[3], towardOut);
    }

    void Emit(std::int32_t a, std::int32_t b, std::int32_t c, const TVec& towardOut) {
        const TVec& pa = FMesh.Positions[a];
        const TVec& pb = FMesh.Positions[b];
        const TVec& pc = FMesh.Positions[c];
        const TVec u{pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
        const TVec w{pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
        const TVec n{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        const double facing = n[0] * towardOut[0] + n[1] * towardOut[1] + n[2] * towardOut[2];
        if (facing < 0) std::swap(b, c);
        FMesh.Triangles.push_back({a, b, c});
    }

    // The vertex on the edge between corners a and b (one is a subset of
    // the other) of cell (i, j, k), solved once and then shared.
    std::int32_t Vertex(std::size_t i, std::size_t j, std::size_t k, int a, int b, const double* v) {
        if ((a & b) != a) std::swap(a, b);
        const std::uint64_t base = ((k + (a >> 2 & 1)) * FNy + j + (a >> 1 & 1)) * FNx + i + (a & 1);
        const std::uint64_t key = base * 8 + static_cast<unsigned>(b ^ a);
        const auto [it, inserted] = FVertices.try_emplace(key, NoVertex);
        if (inserted) it->second = Solve(Corner(i, j, k, a), v[a], Corner(i, j, k, b), v[b]);
        return it->second;
    }

    // The crossing between p (value fp) and q (value fq) of opposite signs.
    std::int32_t Solve(const TVec& p, double fp, const TVec& q, double fq) {
        auto point = [&](double t) {
            return TVec{p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]), p[2] + t * (q[2] - p[2])};
        };
        double lo = 0, hi = 1, flo = fp, fhi = fq, t = 0, ft = fp;
        int lastSide = 0;
        for (int n = 0; n < MaxRootSteps && hi - lo > RootTolerance; ++n) {
            t = (lo * fhi - hi * flo) / (fhi - flo);
            // Rounding may land on or outside an end: halve instead.
            if (!(t > lo && t < hi)) t = (lo + hi) / 2;
            ft = At(point(t));
            if (std::isnan(ft)) return NoVertex;
            if (ft == 0) break;
            if ((ft > 0) == (fhi > 0)) {
                hi = t, fhi = ft;
                if (lastSide == 1) flo /= 2;  // Illinois: the stuck end loses weight
                lastSide = 1;
            } else {
                lo = t, flo = ft;
                if (lastSide == -1) fhi /= 2;
                lastSide = -1;
            }
        }
        // A sign change through a pole converges on the pole, where the
        // value is far larger than at the ends: there is no surface there.
        if (std::fabs(ft) > std::max(std::fabs(fp), std::fabs(fq))) return NoVertex;
        const TVec x = point(t);
        FMesh.Positions.push_back(x);
        FMesh.Normals.push_back(Gradient(x));
        return static_cast<std::int32_t>(FMesh.Positions.size() - 1);
    }

    TVec Gradient(const TVec& x) const {
        TVec g{};
        double length2 = 0;
        for (int a = 0; a < 3; ++a) {
            TVec up = x, down = x;
            up[a] += FDelta;
            down[a] -= FDelta;
            g[a] = (At(up) - At(down)) / (2 * FDelta);
            length2 += g[a] * g[a];
        }
        if (!(length2 > 0) || !std::isfinite(length2)) return {};
        const double scale = 1 / std::sqrt(length2);
        for (double& c : g) c *= scale;
        return g;
    }

    const TCompiledFunction& FF;
    double* FZCell;
    const TImplicitGrid& FGrid;
    std::size_t FNx, FNy;
    double FDelta = 0;
    std::vector<TSampleFault> FFaults;
    std::unordered_map<std::uint64_t, std::int32_t> FVertices;
    TTriangleMesh FMesh;
};

}  // namespace

TTriangleMesh MeshImplicitSurface(const TCompiledFunction& f, double* zCell, const TImplicitGrid& grid) {
    if (grid.X.size() < 2 || grid.Y.size() < 2 || grid.Z.size() < 2) return {};
    return TMarcher(f, zCell, grid).Run();
}

bool TrianglesToMesh(const TTriangleMesh& surface, TMesh& mesh, TBoundingBox3D& box) {
    mesh.clear();
    if (surface.Triangles.empty()) return true;
    // Positions in single precision, as the drawing takes them.
    constexpr double SingleMax = 3.4e38;
    TBoundingBox3D local;
    for (const TVec& p : surface.Positions) {
        if (!(std::fabs(p[0]) < SingleMax && std::fabs(p[1]) < SingleMax && std::fabs(p[2]) < SingleMax))
            return false;
        local.Include(static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
    }
    mesh.reserve(surface.Triangles.size() * 3 + 1);
    mesh.emplace_back(MeshDimension);
    auto vertex = [&surface](std::int32_t index) {
        const TVec& p = surface.Positions[index];
        const TVec& n = surface.Normals[index];
        return std::array<double, MeshDimension>{p[0], p[1], p[2], n[0], n[1], n[2], 0};
    };
    // Rows sized exactly: adding vertex by vertex would reserve a block of
    // many vertices for each.
    auto row = [&](std::initializer_list<std::int32_t> indices) {
        TPline& line = mesh.emplace_back(MeshDimension);
        line.SetCount(static_cast<std::int32_t>(indices.size()));
        int j = 0;
        for (std::int32_t index : indices) {
            const auto v = vertex(index);
            std::copy(v.begin(), v.end(), line.GetVertex(j++));
        }
    };
    // The quadrilateral's corners are (a, a, b, c): it winds as the
    // triangle does, so two-sided lighting takes its front for the outside.
    for (const auto& [a, b, c] : surface.Triangles) {
        row({a, c, b});
        row({a, b});
        mesh.emplace_back(MeshDimension);
    }
    box.Include(local.MinX, local.MinY, local.MinZ);
    box.Include(local.MaxX, local.MaxY, local.MaxZ);
    return true;
}

}  // namespace curvane
