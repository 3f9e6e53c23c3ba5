#include "core/plot/mesh3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

class TScriptedMeshDialog : public TMeshDialog {
public:
    bool Long = true;
    int LongAsked = 0, Refused = 0;
    std::string LastRefusal;

    bool ConfirmLongMesh(const std::string&, double) override {
        ++LongAsked;
        return Long;
    }
    void RefuseRange(const std::string& message) override {
        ++Refused;
        LastRefusal = message;
    }
};

// An explicit Cartesian function over -5..5 by 0.25 on both parameters.
TFuncItem Surface(const char* expression) { return TFuncItem(expression, true); }

TFuncItem Parametric(TFuncType type, const char* e1, const char* e2, const char* e) {
    TFuncItem f(e, true);
    f.FuncKind = TFuncKind::fkParametric;
    f.FuncType = type;
    f.Expression1 = e1;
    f.Expression2 = e2;
    return f;
}

struct TRebuild {
    std::vector<TMesh> Meshes;
    TViewBox3D View;
    TScriptedMeshDialog Dialog;
    TMeshRebuildReport Report;

    void Run(const std::vector<TFuncItem>& funcs) {
        TFuncList list;
        for (const TFuncItem& f : funcs) list.Add(f);
        RebuildMeshes(list, Meshes, View, Dialog, Report);
    }
};

bool Undefined(const TPline& row, int j) { return row.GetVertex(j)[VertexUndefined] != 0; }

TEST(RebuildMeshes, BuildsFullGridsAndFitsTheViewToDefinedSamples) {
    struct Row {
        const char* why;
        const char* expression;
        int undefinedRows;  // leading rows with no defined vertex
        double x1, x2, y1, y2, z1, z2, step, distance, tx, tz;
    };
    // ln: the box spans x 0.25..5 and z ln 0.25..ln 5 only.
    const double lnCentre = (std::log(0.25f) + std::log(5.0f)) / 2;
    const Row rows[] = {
        {"saddle", "x*y", 0, -6, 6, -6, 6, -27, 27, 1, 75, 0, 0},
        {"z clamped at +-1000", "1000000*x", 0, -100, 100, -100, 100, -1200, 1200, 100, 3000, 0, 0},
        {"undefined for x <= 0", "ln(x)", 21, -1, 6, -6, 6, -3, 3, 1, 15, 2.625, lnCentre},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TRebuild r;
        r.Run({Surface(row.expression)});
        ASSERT_EQ(r.Meshes.size(), 1u);
        const TMesh& mesh = r.Meshes[0];
        ASSERT_EQ(mesh.size(), 41u);
        for (int k = 0; k < 41; ++k) {
            ASSERT_EQ(mesh[k].Count(), 41);
            ASSERT_EQ(mesh[k].Dimension(), MeshDimension);
            for (int j = 0; j < 41; ++j) ASSERT_EQ(Undefined(mesh[k], j), k < row.undefinedRows) << k << "," << j;
        }
        EXPECT_TRUE(r.Report.Fitted);
        EXPECT_EQ(r.Report.MathErrorRows, 0);
        const TViewBox3D& v = r.View;
        EXPECT_EQ(v.X1, row.x1);
        EXPECT_EQ(v.X2, row.x2);
        EXPECT_EQ(v.Y1, row.y1);
        EXPECT_EQ(v.Y2, row.y2);
        EXPECT_EQ(v.Z1, row.z1);
        EXPECT_EQ(v.Z2, row.z2);
        EXPECT_EQ(v.StepX, row.step);
        EXPECT_EQ(v.StepY, row.step);
        EXPECT_EQ(v.StepZ, row.step);
        EXPECT_DOUBLE_EQ(v.Camera.Distance, row.distance);
        EXPECT_DOUBLE_EQ(v.Camera.TargetX, row.tx);
        EXPECT_DOUBLE_EQ(v.Camera.TargetY, 0);
        EXPECT_NEAR(v.Camera.TargetZ, row.tz, 1e-6);
        EXPECT_EQ(v.Camera.AngleX, TCamera3D{}.AngleX) << "the fit leaves the angles";
    }
}

TEST(RebuildMeshes, ZeroAndEmptyRangesShapeTheMesh) {
    struct Row {
        const char* why;
        double step, stepY, fromY;
        std::size_t rows;
        int perRow;
    };
    const Row rows[] = {
        {"StepY 0: one vertex per row", 0.25, 0, -5, 41, 1},
        {"Step 0: one row", 0, 0.25, -5, 1, 41},
        {"both 0: one sample", 0, 0, -5, 1, 1},
        {"FromY above ToY: empty rows", 0.25, 0.25, 6, 41, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TFuncItem f = Surface("x*y");
        f.Step = row.step;
        f.StepY = row.stepY;
        f.FromY = row.fromY;
        TRebuild r;
        r.Run({f});
        ASSERT_EQ(r.Meshes[0].size(), row.rows);
        for (const TPline& line : r.Meshes[0]) ASSERT_EQ(line.Count(), row.perRow);
        // With Step 0 both probes coincide with the point: no normal.
        if (row.step == 0) {
            const double* n = r.Meshes[0][0].GetVertex(0) + VertexNormal;
            EXPECT_EQ(std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]), 0.0);
        }
    }
}

TEST(RebuildMeshes, ConvertsDegreesAndCoordinateSystems) {
    TFuncItem deg = Surface("x");
    deg.ConvToDeg = true;
    deg.From = 0, deg.To = 360, deg.Step = 10;
    deg.ConvToDegY = true;
    deg.FromY = 0, deg.ToY = 180, deg.StepY = 90;

    TFuncItem sphere = deg;  // a from 0 to 2 pi, f from 0 to pi
    sphere.Expression = "2";
    sphere.FuncType = TFuncType::ftSpherical;
    sphere.StepY = 10;

    TFuncItem cone = Surface("r");
    cone.FuncType = TFuncType::ftCylindrical;
    cone.ConvToDeg = true;
    cone.From = 0, cone.To = 90, cone.Step = 30;
    cone.FromY = 1, cone.ToY = 2, cone.StepY = 1;

    TRebuild r;
    r.Run({deg, sphere, cone});

    const TMesh& d = r.Meshes[0];
    ASSERT_EQ(d.size(), 37u);
    double u = 0;
    for (const TPline& row : d) {
        ASSERT_EQ(row.Count(), 3);
        EXPECT_EQ(row.GetVertex(0)[0], static_cast<float>(u));
        EXPECT_EQ(row.GetVertex(2)[1], static_cast<float>(std::numbers::pi));
        u += 10 * (std::numbers::pi / 180);
    }
    EXPECT_NEAR(d.back().GetVertex(0)[0], 2 * std::numbers::pi, 1e-6);

    int inward = 0;
    for (const TPline& row : r.Meshes[1]) {
        ASSERT_EQ(row.Count(), 19);
        for (int j = 0; j < row.Count(); ++j) {
            const double* p = row.GetVertex(j);
            ASSERT_FALSE(Undefined(row, j));
            EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 2, 1e-6);
            const double* n = p + VertexNormal;
            // The poles are degenerate: at f = 0 there is no normal, and the
            // last f, rounded to single precision, lies just past pi.
            if (j == 0 || j == 18) continue;
            EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1, 1e-6);
            EXPECT_LT((n[0] * p[0] + n[1] * p[1] + n[2] * p[2]) / 2, -0.99) << "normal points to the centre";
            ++inward;
        }
    }
    EXPECT_EQ(inward, 37 * 17);

    const TMesh& c = r.Meshes[2];
    ASSERT_EQ(c.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const double a = k * std::numbers::pi / 6;
        for (int j = 0; j < 2; ++j) {
            const double* p = c[k].GetVertex(j);
            const double radius = 1 + j;
            EXPECT_NEAR(p[0], radius * std::cos(a), 1e-6);
            EXPECT_NEAR(p[1], radius * std::sin(a), 1e-6);
            EXPECT_EQ(p[2], radius);
        }
    }
}

TEST(RebuildMeshes, SyntaxErrorStopsTheRebuildAtThatFunction) {
    TRebuild r;
    r.Meshes.resize(3);
    for (TMesh& m : r.Meshes) m.emplace_back(MeshDimension);  // "previous" meshes
    r.Meshes[2][0].SetTag(42);
    const TViewBox3D before = r.View;
    EXPECT_THROW(r.Run({Surface("x"), Surface("x*("), Surface("y")}), ESyntaxError);
    EXPECT_EQ(r.Report.SyntaxErrorFunction, 1);
    EXPECT_EQ(r.Meshes[0].size(), 41u);
    EXPECT_TRUE(r.Meshes[1].empty());
    ASSERT_EQ(r.Meshes[2].size(), 1u);
    EXPECT_EQ(r.Meshes[2][0].Tag(), 42);
    EXPECT_EQ(r.View.X1, before.X1);
    EXPECT_EQ(r.View.Camera.Distance, before.Camera.Distance);
    EXPECT_FALSE(SharedEvaluatorsLeased());
}

TEST(RebuildMeshes, SkippedFunctionsKeepEmptyMeshesAndTheView) {
    TFuncItem hidden = Surface("1000000*x");
    hidden.Active = false;
    TFuncItem implicit = Surface("x*(");  // not even compiled
    implicit.FuncKind = TFuncKind::fkImplicit;
    TFuncItem planar = Surface("x");
    planar.FuncType = TFuncType::ftPolar;

    TRebuild r;
    r.Run({hidden, implicit, planar, Surface("")});
    for (const TMesh& m : r.Meshes) EXPECT_TRUE(m.empty());
    EXPECT_FALSE(r.Report.Fitted);
    EXPECT_EQ(r.View.X1, TViewBox3D{}.X1);

    r.Run({hidden, Surface("x*y")});
    EXPECT_TRUE(r.Meshes[0].empty());
    EXPECT_EQ(r.View.Z1, -27) << "the hidden function does not move the view";
}

TEST(RebuildMeshes, RefusesRangesThatCannotBeSampled) {
    struct Row {
        const char* why;
        double step, stepY, to;
        bool answer;
        int asked, refused;
        const char* says;
    };
    const Row rows[] = {
        {"negative Step", -0.25, 0.25, 5, true, 0, 1, "first parameter of \"x*y\" is negative"},
        {"negative StepY", 0.25, -0.25, 5, true, 0, 1, "second parameter of \"x*y\" is negative"},
        {"infinite To", 0.25, 0.25, INFINITY, true, 0, 1, "not finite"},
        {"step below the spacing of doubles", 1e-30, 0.25, 5, true, 0, 1, "too small"},
        {"more than 20000000 samples", 1e-5, 0.25, 5, true, 0, 1, "more than 20000000"},
        {"long mesh declined", 0.005, 0.005, 5, false, 1, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TFuncItem f = Surface("x*y");
        f.Step = row.step;
        f.StepY = row.stepY;
        f.To = row.to;
        TRebuild r;
        r.Dialog.Long = row.answer;
        r.Run({f});
        EXPECT_TRUE(r.Meshes[0].empty());
        EXPECT_EQ(r.Dialog.LongAsked, row.asked);
        EXPECT_EQ(r.Dialog.Refused, row.refused);
        EXPECT_NE(r.Dialog.LastRefusal.find(row.says), std::string::npos) << r.Dialog.LastRefusal;
    }
}

TEST(RebuildMeshes, MathErrorEndsTheRowAndIsCountedPerRebuild) {
    // The normal's z component, 2.5e19 * 8.5e18 * ((u + 0.025)^3 - u^3),
    // passes the float range between u = 4.5 and u = 4.75.
    TFuncItem f = Parametric(TFuncType::ftOrtho3D, "1e21*t", "u^3*8.5e18", "0");
    f.FromY = 0;
    TRebuild r;
    r.Run({f});
    ASSERT_EQ(r.Meshes[0].size(), 41u);
    for (const TPline& row : r.Meshes[0]) {
        ASSERT_EQ(row.Count(), 19);
        for (int j = 0; j < row.Count(); ++j) EXPECT_FALSE(Undefined(row, j));
    }
    EXPECT_EQ(r.Report.MathErrorRows, 41);
    EXPECT_TRUE(r.Report.Fitted);
}

// The vertex of one sample evaluated one point at a time through Evaluate,
// P0, P1, P2 in turn, the first fault ending the sample.
std::optional<std::array<double, 6>> ReferenceSample(const TFuncItem& func,
                                                     const std::vector<TCompiledFunction>& parts, double u, double v) {
    std::array<std::array<float, 3>, 3> c;
    const double probe = func.Step / 10;
    const double at[3][2] = {{u, v}, {u + probe, v}, {u, v + probe}};
    for (int p = 0; p < 3; ++p) {
        std::array<double, 3> t{at[p][0], at[p][1], 0};
        try {
            if (parts.size() == 1) {
                t[2] = parts[0].Evaluate(at[p][0], at[p][1]);
            } else {
                for (int q = 0; q < 3; ++q) t[q] = parts[q].Evaluate(at[p][0], at[p][1]);
            }
        } catch (const Exception&) {
            return std::nullopt;
        }
        for (double x : t)
            if (!std::isfinite(static_cast<float>(x))) return std::nullopt;
        const double a = static_cast<float>(t[0]), f = static_cast<float>(t[1]), r = static_cast<float>(t[2]);
        if (func.FuncType == TFuncType::ftSpherical) {
            c[p] = {float(r * std::cos(a) * std::sin(f)), float(r * std::sin(a) * std::sin(f)), float(r * std::cos(f))};
        } else {
            c[p] = {float(a), float(f), float(r)};
        }
    }
    double d[2][3], n[3];
    for (int k = 0; k < 3; ++k) d[0][k] = c[1][k] - c[0][k], d[1][k] = c[2][k] - c[0][k];
    for (int k = 0; k < 3; ++k)
        n[k] = d[0][(k + 1) % 3] * d[1][(k + 2) % 3] - d[0][(k + 2) % 3] * d[1][(k + 1) % 3];
    const double length = std::hypot(n[0], n[1], n[2]);
    return std::array<double, 6>{c[0][0], c[0][1], c[0][2], n[0] / length, n[1] / length, n[2] / length};
}

TEST(RebuildMeshes, BatchesGiveWhatOneByOneEvaluationGives) {
    const TFuncItem rows[] = {
        // invalid operation, division by zero, single-precision overflow, Fact overflow
        Surface("sqrt(x*y)/(x-y)+exp(x*y*4)+Fact(y*40)"),
        // range error (an sfOther fault) beyond |x| 2.147, overflow for x > 0
        Surface("Fact(x*1e9)+y"),
        // faults in the second and third evaluators; the probes cross t = u
        Parametric(TFuncType::ftSpherical, "t", "ln(u)", "1/(t-u)"),
    };
    for (TFuncItem func : rows) {
        SCOPED_TRACE(func.Expression);
        func.StepY = 0.5;  // the probes still move by Step / 10
        std::vector<TCompiledFunction> parts;
        if (func.FuncKind == TFuncKind::fkExplicit) {
            parts.push_back(CompileFormula(func, TFormulaSlot::fsExpression));
        } else {
            for (TFormulaSlot s : {TFormulaSlot::fsExpression1, TFormulaSlot::fsExpression2,
                                   TFormulaSlot::fsExpression})
                parts.push_back(CompileFormula(func, s));
        }
        std::vector<std::vector<std::optional<std::array<double, 6>>>> expected;
        for (double u = func.From; u <= func.To; u += func.Step) {
            expected.emplace_back();
            for (double v = func.FromY; v <= func.ToY; v += func.StepY)
                expected.back().push_back(ReferenceSample(func, parts, u, v));
        }

        TRebuild r;
        r.Run({func});
        const TMesh& mesh = r.Meshes[0];
        ASSERT_EQ(mesh.size(), expected.size());
        int defined = 0, undefined = 0;
        for (std::size_t k = 0; k < mesh.size(); ++k) {
            ASSERT_EQ(static_cast<std::size_t>(mesh[k].Count()), expected[k].size());
            for (int j = 0; j < mesh[k].Count(); ++j) {
                SCOPED_TRACE(testing::Message() << "sample " << k << "," << j);
                const auto& e = expected[k][j];
                ASSERT_EQ(Undefined(mesh[k], j), !e.has_value());
                if (!e) {
                    ++undefined;
                    continue;
                }
                ++defined;
                const double* p = mesh[k].GetVertex(j);
                for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i], static_cast<float>(p[i])) << "single precision";
                for (int i = 0; i < 3; ++i) EXPECT_EQ(p[i], (*e)[i]);
                for (int i = 3; i < 6; ++i) EXPECT_NEAR(p[i], (*e)[i], 1e-6);
            }
        }
        EXPECT_GT(defined, 50);
        EXPECT_GT(undefined, 50);
    }
}

TEST(FitViewBox, ClampsAndRefusesBoxesBeyondTheLimits) {
    struct Row {
        const char* why;
        TBoundingBox3D box;
        bool fitted;
        double x1, x2, step, distance;
    };
    const Row rows[] = {
        {"empty box", {}, false, -10, 10, 1, 30},
        {"all x beyond +1000", {false, 1500, 2000, 0, 1, 0, 1}, false, -10, 10, 1, 30},
        {"a flat point gets extent 1", {false, 3, 3, 3, 3, 3, 3}, true, 2.4, 3.6, 0.1, 1.5},
        {"extent 0.05 steps 0.01", {false, 0, 0.05f, 0, 0.05f, 0, 0.05f}, true, -0.01, 0.06, 0.01, 0.075},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TViewBox3D view;
        EXPECT_EQ(FitViewBox(row.box, view), row.fitted);
        EXPECT_NEAR(view.X1, row.x1, 1e-9);
        EXPECT_NEAR(view.X2, row.x2, 1e-9);
        EXPECT_NEAR(view.StepX, row.step, 1e-9);
        EXPECT_NEAR(view.Camera.Distance, row.distance, 1e-6);
    }
}

}  // namespace
}  // namespace curvane
