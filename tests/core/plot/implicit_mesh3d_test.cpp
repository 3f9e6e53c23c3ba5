// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/implicit_mesh3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>

#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"

namespace curvane {
namespace {

TFuncItem ImplicitSurface(const char* formula) {
    TFuncItem f(formula, true);
    f.FuncKind = TFuncKind::fkImplicit;
    return f;
}

// -5..5 by 0.25 on every axis, as a new function samples.
TImplicitGrid DefaultGrid() {
    TImplicitGrid grid;
    for (int i = 0; i <= 40; ++i) grid.X.push_back(-5 + 0.25 * i);
    grid.Y = grid.Z = grid.X;
    return grid;
}

TTriangleMesh Mesh(const char* formula) {
    return MeshImplicitSurface(CompileFormula(ImplicitSurface(formula), TFormulaSlot::fsExpression), &EvalArg3,
                               DefaultGrid());
}

using TVec = std::array<double, 3>;

// Vertices on the surface, normals facing out, and, since the surfaces lie
// inside the grid, closed and consistently wound (which way round, the
// drawing tests see): every edge of one triangle is met the other way round
// by exactly one other, and the Euler characteristic
// says which surface it is (a sphere 2, a torus 0).
TEST(ImplicitMesh, VerticesLieOnTheSurfaceAndTheMeshIsClosed) {
    const struct {
        const char* Formula;
        std::function<double(const TVec&)> Distance;  // signed, positive outside
        std::function<TVec(const TVec&)> Outward;
        int Euler;
    } rows[] = {
        {"x^2+y^2+z^2-4", [](const TVec& p) { return std::hypot(p[0], p[1], p[2]) - 2; },
         [](const TVec& p) { return p; }, 2},
        {"(sqrt(x^2+y^2)-2)^2+z^2-1",
         [](const TVec& p) { return std::hypot(std::hypot(p[0], p[1]) - 2, p[2]) - 1; },
         [](const TVec& p) {
             const double rho = std::hypot(p[0], p[1]);
             return TVec{p[0] * (rho - 2) / rho, p[1] * (rho - 2) / rho, p[2]};
         },
         0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Formula);
        const TTriangleMesh mesh = Mesh(r.Formula);
        ASSERT_GT(mesh.Triangles.size(), 500u);
        for (std::size_t i = 0; i < mesh.Positions.size(); ++i) {
            ASSERT_LT(std::fabs(r.Distance(mesh.Positions[i])), 0.01 * 0.25) << "vertex " << i;
            const TVec out = r.Outward(mesh.Positions[i]);
            const double cosine = (out[0] * mesh.Normals[i][0] + out[1] * mesh.Normals[i][1] +
                                   out[2] * mesh.Normals[i][2]) / std::hypot(out[0], out[1], out[2]);
            ASSERT_GT(cosine, 0.999) << "normal " << i;
        }
        std::map<std::pair<int, int>, int> edges;
        for (const auto& t : mesh.Triangles)
            for (int k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
        for (const auto& [edge, count] : edges) {
            ASSERT_EQ(count, 1) << edge.first << "-" << edge.second;
            ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << "open at " << edge.first << "-" << edge.second;
        }
        const long euler = static_cast<long>(mesh.Positions.size()) - static_cast<long>(edges.size() / 2) +
                           static_cast<long>(mesh.Triangles.size());
        EXPECT_EQ(euler, r.Euler);
    }
}

// A change of sign through a pole or where the formula is undefined is no
// surface; neither is a function that never changes sign.
TEST(ImplicitMesh, PolesAndUndefinedRegionsGiveNoTriangles) {
    for (const char* formula : {"1/(x^2+y^2+z^2-4)", "1/x", "x^2+y^2+z^2+1"})
        EXPECT_TRUE(Mesh(formula).Triangles.empty()) << formula;
    // sqrt is undefined for x < 0: only the part of the sphere at x > 0.
    const TTriangleMesh half = Mesh("x^2+y^2+z^2-4+sqrt(x)*0");
    ASSERT_FALSE(half.Triangles.empty());
    for (const TVec& p : half.Positions) ASSERT_GE(p[0], 0);
}

// Through the window's rebuild: the z keys set the range, spherical
// coordinates draw nothing, and the grid's points are what the long-mesh
// question and the limit count.
TEST(ImplicitMesh, RebuildUsesTheZRangeAndTheMeshLimits) {
    struct TAnswers : TMeshDialog {
        int Asked = 0, Refused = 0;
        bool ConfirmLongMesh(const std::string&, double) override { return ++Asked, false; }
        void RefuseRange(const std::string&) override { ++Refused; }
    };
    TFuncItem sphere = ImplicitSurface("x^2+y^2+z^2-4"), low = sphere, spherical = sphere, fine = sphere,
              huge = sphere;
    low.FromZ = -5, low.ToZ = 0;  // the lower half only
    spherical.FuncType = TFuncType::ftSpherical;
    fine.StepZ = 0.01;            // 41 * 41 * 1001 points: asked, and declined
    huge.Step = huge.StepY = 0.01;  // 1001^2 * 41 points: beyond the limit
    TFuncList list;
    for (const TFuncItem& f : {sphere, low, spherical, fine, huge}) list.Add(f);
    std::vector<TMesh> meshes;
    TViewBox3D view;
    TAnswers answers;
    TMeshRebuildReport report;
    RebuildMeshes(list, meshes, view, answers, report);
    EXPECT_EQ(answers.Asked, 1);
    EXPECT_EQ(answers.Refused, 1);
    for (int i : {2, 3, 4}) EXPECT_TRUE(meshes[i].empty()) << i;
    ASSERT_FALSE(meshes[0].empty());
    EXPECT_EQ(meshes[0].front().Count(), 0) << "no column strips";
    double topOfLow = -10;
    for (const TPline& row : meshes[1])
        for (int j = 0; j < row.Count(); ++j) topOfLow = std::max(topOfLow, row.GetVertex(j)[2]);
    EXPECT_LT(topOfLow, 0.01);
    EXPECT_GT(meshes[0].size(), meshes[1].size());
    EXPECT_TRUE(report.Fitted);
    EXPECT_NEAR(view.Camera.TargetZ, 0, 0.01);
}

}  // namespace
}  // namespace curvane
