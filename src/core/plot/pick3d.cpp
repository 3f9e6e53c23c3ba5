// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/pick3d.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace curvane {

namespace {

TVector3 Sub(const double* a, const double* b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
TVector3 Cross(const TVector3& a, const TVector3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
double Dot(const TVector3& a, const TVector3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// The ray parameter t where it crosses triangle a b c, or a negative number
// when it misses it (Moeller and Trumbore's test, both faces).
double CrossTriangle(const TVector3& origin, const TVector3& direction, const double* a, const double* b,
                     const double* c) {
    const TVector3 e1 = Sub(b, a), e2 = Sub(c, a);
    const TVector3 p = Cross(direction, e2);
    const double det = Dot(e1, p);
    if (det == 0 || !std::isfinite(det)) return -1;
    const TVector3 s{origin.X - a[0], origin.Y - a[1], origin.Z - a[2]};
    const double u = Dot(s, p) / det;
    if (u < 0 || u > 1) return -1;
    const TVector3 q = Cross(s, e1);
    const double v = Dot(direction, q) / det;
    if (v < 0 || u + v > 1) return -1;
    return Dot(e2, q) / det;
}

}  // namespace

TMeshHit PickMeshes(const std::vector<TMesh>& meshes, const TVector3& origin, const TVector3& direction, double zLow,
                    double zHigh) {
    TMeshHit hit;
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        ForEachDefinedQuad(meshes[m], [&](const std::array<const double*, 4>& q) {
            for (const double t : {CrossTriangle(origin, direction, q[0], q[1], q[2]),
                                   CrossTriangle(origin, direction, q[0], q[2], q[3])}) {
                if (!(t >= 0 && t < nearest)) continue;
                const TVector3 p{origin.X + t * direction.X, origin.Y + t * direction.Y, origin.Z + t * direction.Z};
                if (p.Z < zLow || p.Z > zHigh) continue;
                nearest = t;
                hit = {static_cast<int>(m), p};
            }
        });
    }
    return hit;
}

}  // namespace curvane
