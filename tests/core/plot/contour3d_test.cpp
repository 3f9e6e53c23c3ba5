// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/contour3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace curvane {
namespace {

// z = f(x, y) sampled over -3..3 by `step` in both directions, as mesh rows.
template <typename F>
TMesh Grid(F f, double step = 0.1, double from = -3, double to = 3) {
    TMesh mesh;
    const int n = static_cast<int>(std::lround((to - from) / step));
    for (int k = 0; k <= n; ++k) {
        TPline row(MeshDimension);
        for (int j = 0; j <= n; ++j) {
            const double x = from + k * step, y = from + j * step;
            row.AddVertex({x, y, f(x, y), 0, 0, 1, 0});
        }
        mesh.push_back(std::move(row));
    }
    return mesh;
}

TEST(Contour3D, LevelsOfAParaboloidAreClosedCirclesOfTheirRadius) {
    const TMesh mesh = Grid([](double x, double y) { return x * x + y * y; });
    // Radii whose squares fall on no sample, so that no crossing sits on a
    // vertex shared by four quadrilaterals.
    for (const double radius : {0.55, 1.25, 2.05, 2.85}) {
        SCOPED_TRACE(radius);
        const std::vector<float> s = ContourSegments(mesh, {radius * radius});
        ASSERT_FALSE(s.empty());
        double length = 0;
        // Each crossing ends two segments of a closed line, written the same
        // way from both quadrilaterals that share its edge.
        std::map<std::pair<float, float>, int> ends;
        for (std::size_t i = 0; i < s.size(); i += 6) {
            for (std::size_t p = i; p < i + 6; p += 3) {
                EXPECT_NEAR(std::hypot(s[p], s[p + 1]), radius, 0.01) << s[p] << "," << s[p + 1];
                EXPECT_FLOAT_EQ(s[p + 2], static_cast<float>(radius * radius));
                ++ends[{s[p], s[p + 1]}];
            }
            length += std::hypot(s[i + 3] - s[i], s[i + 4] - s[i + 1]);
        }
        const double circumference = 2 * std::numbers::pi * radius;
        EXPECT_NEAR(length, circumference, 0.01 * circumference);
        for (const auto& [point, count] : ends) EXPECT_EQ(count, 2) << point.first << "," << point.second;
    }
    EXPECT_TRUE(ContourSegments(mesh, {-1, 19}).empty()) << "levels outside the surface";
}

// One quadrilateral with its corners (k, j), (k + 1, j), (k + 1, j + 1),
// (k, j + 1) at the heights given, crossed at 0.5.
TEST(Contour3D, SaddlesAreDecidedByTheCentreAndGapsAreSkipped) {
    const struct { const char* Why; double Z[4]; bool CutsOffCorner0; } rows[] = {
        {"centre above: the high corners join", {1, 0, 1, 0}, false},
        {"centre below: the low corners join", {0.6, 0, 0.6, 0}, true},
    };
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Why);
        TMesh mesh(2, TPline(MeshDimension));
        for (int i : {0, 3}) mesh[0].AddVertex({corners[i][0], corners[i][1], r.Z[i], 0, 0, 1, 0});
        for (int i : {1, 2}) mesh[1].AddVertex({corners[i][0], corners[i][1], r.Z[i], 0, 0, 1, 0});
        const std::vector<float> s = ContourSegments(mesh, {0.5});
        ASSERT_EQ(s.size(), 12u);
        // Both points of a segment lie next to the corner it cuts off.
        for (int seg = 0; seg < 2; ++seg) {
            const float* p = &s[seg * 6];
            const float mx = (p[0] + p[3]) / 2, my = (p[1] + p[4]) / 2;
            const bool nearCorner0or2 = (mx < 0.5) == (my < 0.5);
            EXPECT_EQ(nearCorner0or2, r.CutsOffCorner0) << mx << "," << my;
        }
        mesh[1].GetVertex(1)[VertexUndefined] = 1;
        EXPECT_TRUE(ContourSegments(mesh, {0.5}).empty()) << "a corner without a value";
    }
}

TEST(Contour3D, LevelsAtStepsOrCount) {
    const struct { const char* Why; double Z1, Z2, Step; int Count; std::vector<double> Levels; } rows[] = {
        {"grid steps, ends excluded", -2, 2, 1, 0, {-1, 0, 1}},
        {"steps from the low end", 0.5, 3, 1, 0, {1.5, 2.5}},
        {"a count splits evenly", 0, 1, 7, 3, {0.25, 0.5, 0.75}},
        {"reversed box", 2, -2, 1, 0, {}},
        {"step 0", -2, 2, 0, 0, {}},
        {"a step too fine to draw", 0, 1, 1e-6, 0, {}},
        {"a count too large", 0, 1, 1, MaxContourLevels + 1, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Why);
        EXPECT_EQ(ContourLevels(r.Z1, r.Z2, r.Step, r.Count), r.Levels);
    }
}

}  // namespace
}  // namespace curvane
