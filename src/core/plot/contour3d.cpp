// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/contour3d.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace curvane {

std::vector<double> ContourLevels(double z1, double z2, double step, int count) {
    std::vector<double> levels;
    const double span = z2 - z1;
    if (!(span > 0) || !std::isfinite(span)) return levels;
    if (count > 0) {
        if (count > MaxContourLevels) return levels;
        for (int i = 1; i <= count; ++i) levels.push_back(z1 + span * i / (count + 1));
        return levels;
    }
    if (!(step > 0) || !std::isfinite(step) || span / step > MaxContourLevels + 1) return levels;
    // Multiplied rather than summed, so the last level does not drift past z2.
    for (int i = 1; z1 + i * step < z2; ++i) levels.push_back(z1 + i * step);
    return levels;
}

namespace {


void PushCrossing(std::vector<float>& out, const double* a, const double* b, double level) {
    // The corners lie on either side of the level, so their heights differ.
    const double t = (level - a[2]) / (b[2] - a[2]);
    for (int i = 0; i < 3; ++i) out.push_back(static_cast<float>(a[i] + (b[i] - a[i]) * t));
}

// One quadrilateral at one level. Corners in order around it; edge e joins
// corner e and corner e + 1.
void MarchSquare(const std::array<const double*, 4>& c, double level, std::vector<float>& out) {
    bool above[4];
    int count = 0;
    for (int i = 0; i < 4; ++i) count += above[i] = c[i][2] >= level;
    if (count == 0 || count == 4) return;
    const auto crossing = [&](int e) { PushCrossing(out, c[e], c[(e + 1) % 4], level); };
    int edges[4];
    int n = 0;
    for (int e = 0; e < 4; ++e)
        if (above[e] != above[(e + 1) % 4]) edges[n++] = e;
    if (n == 2) {
        crossing(edges[0]);
        crossing(edges[1]);
        return;
    }
    // A saddle: corners 0 and 2 on one side, 1 and 3 on the other. When the
    // centre is on corner 0's side, that side joins across the middle and
    // the lines cut off corners 1 and 3; otherwise they cut off 0 and 2.
    const double centre = (c[0][2] + c[1][2] + c[2][2] + c[3][2]) / 4;
    if ((centre >= level) == above[0]) {
        crossing(0), crossing(1);
        crossing(2), crossing(3);
    } else {
        crossing(3), crossing(0);
        crossing(1), crossing(2);
    }
}

}  // namespace

std::vector<float> ContourSegments(const TMesh& mesh, const std::vector<double>& levels) {
    std::vector<float> out;
    if (levels.empty()) return out;
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    ForEachDefinedQuad(mesh, [&](const std::array<const double*, 4>& c) {
        const auto [low, high] = std::minmax({c[0][2], c[1][2], c[2][2], c[3][2]});
        // Only the levels inside the quadrilateral's own height range can
        // cross it: on a fine mesh that is one or two of many.
        for (auto l = std::upper_bound(sorted.begin(), sorted.end(), low); l != sorted.end() && *l <= high; ++l)
            MarchSquare(c, *l, out);
    });
    return out;
}

}  // namespace curvane
