// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/mesh3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/pick3d.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// Explicit, Cartesian, both parameters -5..5 by 0.25.
TFuncItem Surface(const char* e, bool active = true) { TFuncItem f(e, true); f.Active = active; return f; }

// Rebuilds the meshes of a list, answering the long-mesh question with Long
// and recording what was asked.
struct TRebuild : TMeshDialog {
    std::vector<TMesh> Meshes;
    TViewBox3D View;
    TMeshRebuildReport Report;
    bool Long = true;
    int LongAsked = 0, Refused = 0;
    std::string LastRefusal;
    bool ConfirmLongMesh(const std::string&, double) override { return ++LongAsked, Long; }
    void RefuseRange(const std::string& message) override { ++Refused, LastRefusal = message; }
    void Run(const std::vector<TFuncItem>& funcs) {
        TFuncList list;
        for (const TFuncItem& f : funcs) list.Add(f);
        RebuildMeshes(list, Meshes, View, *this, Report);
    }
};

bool Undefined(const TPline& row, int j) { return row.GetVertex(j)[VertexUndefined] != 0; }

TEST(RebuildMeshes, BuildsFullGridsAndFitsTheViewToDefinedSamples) {
    // ln: only x 0.25..5 and z ln 0.25..ln 5 count.
    const double lnCentre = (std::log(0.25f) + std::log(5.0f)) / 2;
    // The leading rows with no defined vertex; X1 X2 Y1 Y2 Z1 Z2 step Distance target.
    const struct { const char* expression; int undefinedRows; double view[11]; } rows[] = {
        {"x*y", 0, {-6, 6, -6, 6, -27, 27, 1, 75, 0, 0, 0}},
        {"1000000*x", 0, {-100, 100, -100, 100, -1200, 1200, 100, 3000, 0, 0, 0}},  // z clamped
        {"ln(x)", 21, {-1, 6, -6, 6, -3, 3, 1, 15, 2.625, 0, lnCentre}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expression);
        TRebuild r;
        r.Run({Surface("1000000*x", false), Surface(row.expression)});  // a hidden function moves nothing
        const TMesh& mesh = r.Meshes[1];
        ASSERT_EQ(mesh.size(), 41u);
        for (const TPline& line : mesh) ASSERT_EQ(line.Count(), 41);
        for (int k = 0; k < 41 * 41; ++k) ASSERT_EQ(Undefined(mesh[k / 41], k % 41), k / 41 < row.undefinedRows) << k;
        EXPECT_TRUE(r.Report.Fitted);
        const TViewBox3D& v = r.View;
        const TCamera3D& c = v.Camera;
        const double got[] = {v.X1, v.X2, v.Y1, v.Y2, v.Z1, v.Z2, v.StepX, c.Distance, c.TargetX, c.TargetY, c.TargetZ};
        for (int i = 0; i < 11; ++i) EXPECT_NEAR(got[i], row.view[i], 1e-6) << "view field " << i;
        EXPECT_TRUE(v.StepY == v.StepX && v.StepZ == v.StepX);
        EXPECT_EQ(c.AngleX, TCamera3D{}.AngleX) << "the fit leaves the angles";
    }
}

TFuncItem Parametric(TFuncType type, const char* e1, const char* e2, const char* e) {
    TFuncItem f(e, true);
    f.FuncKind = TFuncKind::fkParametric, f.FuncType = type, f.Expression1 = e1, f.Expression2 = e2;
    return f;
}

TEST(RebuildMeshes, ZeroStepsAndMathErrorsShapeTheRows) {
    TFuncItem noStepY = Surface("x*y"), noStep = Surface("x*y");
    noStepY.StepY = 0;
    noStep.Step = 0;
    // The normal's z, 2.5e19 * 8.5e18 * ((u + 0.025)^3 - u^3), passes the
    // float range between u = 4.5 and u = 4.75: each row ends there.
    TFuncItem overflow = Parametric(TFuncType::ftOrtho3D, "1e21*t", "u^3*8.5e18", "0");
    overflow.FromY = 0;
    TRebuild r;
    r.Run({noStepY, noStep, overflow});
    ASSERT_EQ(r.Meshes[0].size(), 41u);
    for (const TPline& row : r.Meshes[0]) EXPECT_EQ(row.Count(), 1) << "StepY 0: one vertex per row";
    ASSERT_TRUE(r.Meshes[1].size() == 1 && r.Meshes[1][0].Count() == 41) << "Step 0: one row";
    const double* n = r.Meshes[1][0].GetVertex(3) + VertexNormal;
    EXPECT_TRUE(n[0] == 0 && n[1] == 0 && n[2] == 0) << "and no normals";
    for (const TPline& row : r.Meshes[2]) EXPECT_EQ(row.Count(), 19);
    EXPECT_EQ(r.Report.MathErrorRows, 41);
    EXPECT_TRUE(r.Report.Fitted);
}

TEST(RebuildMeshes, SphereFromDegreesHasInwardNormals) {
    TFuncItem sphere = Surface("2");  // a from 0 to 2 pi, f from 0 to pi
    sphere.FuncType = TFuncType::ftSpherical;
    sphere.ConvToDeg = sphere.ConvToDegY = true;
    sphere.From = 0, sphere.To = 360, sphere.Step = 10, sphere.FromY = 0, sphere.ToY = 180, sphere.StepY = 10;
    TRebuild r;
    r.Run({sphere});
    int inward = 0;
    for (const TPline& row : r.Meshes[0]) {
        ASSERT_EQ(row.Count(), 19);
        for (int j = 0; j < row.Count(); ++j) {
            // The poles are degenerate: no normal at f = 0, and the last f,
            // rounded to single precision, lies just past pi.
            if (j == 0 || j == 18) continue;
            const double *p = row.GetVertex(j), *n = p + VertexNormal;
            EXPECT_LT((n[0] * p[0] + n[1] * p[1] + n[2] * p[2]) / 2, -0.99) << "normal points to the centre";
            ++inward;
        }
    }
    EXPECT_EQ(inward, 37 * 17);
    EXPECT_NEAR(r.Meshes[0][0].GetVertex(18)[2], -2, 1e-6) << "f reaches pi";
}

// Hidden functions, implicit ones in spherical coordinates (not even
// compiled), 2D coordinate systems
// and empty texts are skipped; of the other three, a syntax error in the
// second stops the rebuild there.
TEST(RebuildMeshes, SkippedFunctionsAndASyntaxError) {
    TFuncItem implicit = Surface("x*("), planar = Surface("x");
    implicit.FuncKind = TFuncKind::fkImplicit;
    implicit.FuncType = TFuncType::ftSpherical;
    planar.FuncType = TFuncType::ftPolar;
    TRebuild r;
    r.Meshes.resize(7);
    for (TMesh& m : r.Meshes) m.emplace_back(MeshDimension);  // the previous meshes
    r.Meshes[6][0].SetTag(42);
    const std::vector<TFuncItem> funcs = {Surface("x", false), implicit, planar, Surface(""),
                                          Surface("x"), Surface("x*("), Surface("y")};
    EXPECT_THROW(r.Run(funcs), ESyntaxError);
    for (int i : {0, 1, 2, 3, 5}) EXPECT_TRUE(r.Meshes[i].empty()) << i;
    EXPECT_EQ(r.Report.SyntaxErrorFunction, 5);
    EXPECT_EQ(r.Meshes[4].size(), 41u);
    EXPECT_TRUE(r.Meshes[6].size() == 1 && r.Meshes[6][0].Tag() == 42) << "the third keeps its old mesh";
    EXPECT_EQ(r.View.X1, TViewBox3D{}.X1) << "no fit";
    EXPECT_FALSE(SharedEvaluatorsLeased());
}

TEST(RebuildMeshes, RefusesRangesThatCannotBeSampled) {
    const struct { double step, to; int asked, refused; const char* says; } rows[] = {
        {-0.25, 5, 0, 1, "first parameter of \"x*y\" is negative"},
        {0.25, INFINITY, 0, 1, "not finite"},
        {1e-30, 5, 0, 1, "too small"},
        {1e-5, 5, 0, 1, "more than 20000000 samples"},  // 1000001 x 41
        {1e-4, 5, 1, 0, ""},                            // 100001 x 41, declined
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.says);
        TFuncItem f = Surface("x*y");
        f.Step = row.step, f.To = row.to;
        TRebuild r;
        r.Long = false;
        r.Run({f});
        EXPECT_TRUE(r.Meshes[0].empty());
        EXPECT_EQ((std::array{r.LongAsked, r.Refused}), (std::array{row.asked, row.refused}));
        EXPECT_NE(r.LastRefusal.find(row.says), std::string::npos) << r.LastRefusal;
    }
}

TEST(RebuildMeshes, AnEmptyFirstRangeLaysOutNothingOfTheSecond) {
    // 1e9 values of the second parameter would take gigabytes before a
    // single row is known to be empty.
    TFuncItem f = Surface("x*y");
    f.From = 5, f.To = -5, f.StepY = 1e-8;
    TRebuild r;
    r.Run({f});
    EXPECT_TRUE(r.Meshes[0].empty());
    EXPECT_EQ((std::array{r.LongAsked, r.Refused}), (std::array{0, 0}));
}

// One sample evaluated point by point through Evaluate, P0, P1, P2 in turn,
// the first fault ending it: position and normal, or nothing.
std::optional<std::array<double, 6>> ReferenceSample(const TFuncItem& func, const std::vector<TCompiledFunction>& parts,
                                                     double u, double v) {
    std::array<std::array<float, 3>, 3> c;
    const double at[3][2] = {{u, v}, {u + func.Step / 10, v}, {u, v + func.Step / 10}};
    for (int p = 0; p < 3; ++p) {
        std::array<double, 3> t{at[p][0], at[p][1], 0};
        try {
            for (std::size_t q = 0; q < parts.size(); ++q)
                t[parts.size() == 1 ? 2 : q] = parts[q].Evaluate(at[p][0], at[p][1]);
        } catch (const Exception&) {
            return std::nullopt;
        }
        for (double x : t)
            if (!std::isfinite(static_cast<float>(x))) return std::nullopt;
        const double a = static_cast<float>(t[0]), b = static_cast<float>(t[1]), z = static_cast<float>(t[2]);
        c[p] = func.FuncType == TFuncType::ftCylindrical
                   ? std::array{float(b * std::cos(a)), float(b * std::sin(a)), float(z)}
                   : std::array{float(a), float(b), float(z)};
    }
    double d[2][3], n[3];
    for (int k = 0; k < 3; ++k) d[0][k] = c[1][k] - c[0][k], d[1][k] = c[2][k] - c[0][k];
    for (int k = 0; k < 3; ++k) n[k] = d[0][(k + 1) % 3] * d[1][(k + 2) % 3] - d[0][(k + 2) % 3] * d[1][(k + 1) % 3];
    const double length = std::hypot(n[0], n[1], n[2]);
    return std::array<double, 6>{c[0][0], c[0][1], c[0][2], n[0] / length, n[1] / length, n[2] / length};
}

TEST(RebuildMeshes, BatchesGiveWhatOneByOneEvaluationGives) {
    using enum TFormulaSlot;
    const TFuncItem rows[] = {
        // invalid operation, division by zero, single-precision overflow, Fact overflow
        Surface("sqrt(x*y)/(x-y)+exp(x*y*4)+Fact(y*40)"),
        // range error (an sfOther fault) beyond |x| 2.147, overflow for x > 0
        Surface("Fact(x*1e9)+y"),
        // faults in the second and third evaluators
        Parametric(TFuncType::ftCylindrical, "t", "ln(u)", "1/(t-u)"),
    };
    for (TFuncItem func : rows) {
        SCOPED_TRACE(func.Expression);
        func.StepY = 0.5;  // the probes still move by Step / 10
        std::vector<TCompiledFunction> parts;
        for (TFormulaSlot s : {fsExpression1, fsExpression2, fsExpression})
            if (func.FuncKind != TFuncKind::fkExplicit || s == fsExpression) parts.push_back(CompileFormula(func, s));
        TRebuild r;
        r.Run({func});
        const TMesh& mesh = r.Meshes[0];
        std::size_t k = 0, defined = 0, samples = 0;
        for (double u = func.From; u <= func.To; u += func.Step, ++k) {
            ASSERT_LT(k, mesh.size());
            int j = 0;
            for (double v = func.FromY; v <= func.ToY; v += func.StepY, ++j, ++samples) {
                SCOPED_TRACE(testing::Message() << "sample " << k << "," << j);
                ASSERT_LT(j, mesh[k].Count());
                const auto e = ReferenceSample(func, parts, u, v);
                ASSERT_EQ(Undefined(mesh[k], j), !e.has_value());
                if (!e) continue;
                ++defined;
                const double* p = mesh[k].GetVertex(j);
                for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i], static_cast<float>(p[i])) << "single precision";
                for (int i = 0; i < 3; ++i) EXPECT_EQ(p[i], (*e)[i]);
                for (int i = 3; i < 6; ++i) EXPECT_NEAR(p[i], (*e)[i], 1e-6);
            }
            EXPECT_EQ(j, mesh[k].Count());
        }
        EXPECT_EQ(k, mesh.size());
        EXPECT_TRUE(defined > 50 && defined + 50 < samples) << defined << " of " << samples;
    }
}

// Rays down onto a saddle under a plane: the first surface met wins, the z
// range passes over what lies outside it, a ray beside the square misses.
TEST(PickMeshes, FindsTheNearestSurfacePointWithinTheZRange) {
    TRebuild r;
    r.Run({Surface("x*y"), Surface("30")});
    const double inf = std::numeric_limits<double>::infinity();
    const struct { const char* Why; TVector3 Origin, Direction; double Low, High; int Mesh; double Z; } rows[] = {
        {"the plane above hides the saddle", {1.5, -2, 100}, {0, 0, -1}, -inf, inf, 1, 30},
        {"the plane clipped away", {1.5, -2, 100}, {0, 0, -1}, -25, 25, 0, -3},
        {"a slanted ray between samples", {2.1, 3.3, 40}, {0, 0, -1}, -25, 25, 0, 2.1 * 3.3},
        {"beside the square", {7, 0, 100}, {0, 0, -1}, -inf, inf, -1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TMeshHit hit = PickMeshes(r.Meshes, row.Origin, row.Direction, row.Low, row.High);
        EXPECT_EQ(hit.Mesh, row.Mesh);
        // Flat between samples: within the saddle's bend over a cell.
        if (hit.Mesh >= 0) {
            EXPECT_NEAR(hit.Point.Z, row.Z, 0.25 * 0.25);
        }
    }
}

}  // namespace
}  // namespace curvane
