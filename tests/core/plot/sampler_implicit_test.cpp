// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/sampler_implicit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/support/number_format.h"

namespace curvane {
namespace {

struct TPoint {
    double X, Y;
};
using TPiece = std::vector<TPoint>;

// 800 x 600 pixels over x -10..10, y -7.5..7.5: one pixel is 0.025 both ways.
constexpr TSampleView View{-10, 10, 800, -7.5, 7.5, 600};
constexpr double Pixel = 0.025;

// The curve split at its gap vertices; checks that gaps stand alone between
// pieces of two vertices or more.
std::vector<TPiece> Pieces(const TPline& curve) {
    std::vector<TPiece> pieces(1);
    for (int i = 0; i < curve.Count(); ++i) {
        const double* v = curve.GetVertex(i);
        EXPECT_EQ(v[2], 0);
        if (std::isnan(v[0])) {
            EXPECT_TRUE(std::isnan(v[1]));
            pieces.emplace_back();
        } else {
            pieces.back().push_back({v[0], v[1]});
        }
    }
    if (pieces.back().empty()) pieces.pop_back();
    for (const TPiece& p : pieces) EXPECT_GE(p.size(), 2u);
    return pieces;
}

std::vector<TPiece> Trace(const std::string& formula, TFuncItem item = TFuncItem{}, const TSampleView& view = View) {
    item.Expression = formula;
    item.FuncKind = TFuncKind::fkImplicit;
    test::TNoQuestions dialog;
    TPline curve(3);
    std::vector<TSampleMark> marks;
    EXPECT_EQ(SampleFunction2D(item, view, dialog, curve, marks), TRangeOutcome::roSample);
    return Pieces(curve);
}

bool Closed(const TPiece& p) { return p.front().X == p.back().X && p.front().Y == p.back().Y; }

double LongestStep(const TPiece& p) {
    double longest = 0;
    for (std::size_t i = 1; i < p.size(); ++i)
        longest = std::max(longest, std::hypot(p[i].X - p[i - 1].X, p[i].Y - p[i - 1].Y));
    return longest;
}

TEST(SampleImplicit, CirclesAreClosedLoopsOnTheirRadius) {
    const struct { double Cx, Cy, R; } rows[] = {{0, 0, 1}, {0.17, 0.13, 0.05}, {1.3, -2.1, 3.7}, {0.5, 0, 7}};
    for (const auto& row : rows) {
        const std::string formula = "(x-" + FormatShortest(row.Cx) + ")^2+(y-" + FormatShortest(row.Cy) + ")^2-" +
                                    FormatShortest(row.R * row.R);
        SCOPED_TRACE(formula);
        const std::vector<TPiece> pieces = Trace(formula);
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_TRUE(Closed(pieces[0]));
        EXPECT_LT(LongestStep(pieces[0]), 1.5 * Pixel) << "cells are refined below a pixel";
        for (const TPoint& p : pieces[0]) ASSERT_NEAR(std::hypot(p.X - row.Cx, p.Y - row.Cy), row.R, 1e-6);
    }

    // Manual limits cut the circle to its right half: one open arc inside them.
    TFuncItem limited;
    limited.ManualLimits = true;
    limited.From = 0;
    limited.FromY = -10;
    limited.ToY = 10;
    const std::vector<TPiece> half = Trace("x^2+y^2-9", limited);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_FALSE(Closed(half[0]));
    for (const TPoint& p : half[0]) EXPECT_GE(p.X, 0);
    EXPECT_NEAR(std::fabs(half[0].front().Y), 3, 0.05);
}

// Both curves cross themselves at the origin. With the origin on a grid vertex
// and inside a cell (the saddle cell then decides by its centre), every branch
// still reaches it from its quadrant, and no chain is left open.
TEST(SampleImplicit, CrossingsKeepBothBranches) {
    const TSampleView shifted{-3.1, 2.9, 800, -2.3, 2.2, 600};
    const std::function<double(double, double)> lemniscate = [](double x, double y) {
        return std::pow(x * x + y * y, 2) - 8 * (x * x - y * y);
    };
    const std::function<double(double, double)> saddle = [](double x, double y) { return x * x - y * y; };
    const struct { const char* Formula; std::function<double(double, double)> F; TSampleView View; bool Closed; } rows[] = {
        {"(x^2+y^2)^2-8*(x^2-y^2)", lemniscate, View, true},
        {"(x^2+y^2)^2-8*(x^2-y^2)", lemniscate, shifted, true},
        {"x^2-y^2", saddle, shifted, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.Formula) + " from x = " + FormatShortest(row.View.WorldLeft));
        const double pixel = (row.View.WorldRight - row.View.WorldLeft) / row.View.Width;
        bool quadrants[4] = {};
        for (const TPiece& piece : Trace(row.Formula, TFuncItem{}, row.View)) {
            EXPECT_EQ(Closed(piece), row.Closed);
            for (const TPoint& p : piece) {
                ASSERT_NEAR(row.F(p.X, p.Y), 0, 1e-9);
                if (std::hypot(p.X, p.Y) < 3 * pixel) quadrants[(p.X < 0) + 2 * (p.Y < 0)] = true;
            }
        }
        for (bool reached : quadrants) EXPECT_TRUE(reached);
    }
}

TEST(SampleImplicit, PolesEmptyViewsAndFaultsDrawNothingFalse) {
    // tg(x) changes sign through its poles at +-pi/2 for every y; only the
    // branches y = tg(x) are drawn, and no segment spans a pole.
    const double halfPi = std::numbers::pi / 2;
    const std::vector<TPiece> tangent = Trace("tg(x)-y");
    ASSERT_FALSE(tangent.empty());
    int nearPole = 0;
    for (const TPiece& piece : tangent)
        for (std::size_t i = 0; i < piece.size(); ++i) {
            EXPECT_NEAR(std::tan(piece[i].X), piece[i].Y, 1e-6);
            if (std::fabs(piece[i].X - halfPi) < 0.2) ++nearPole;
            if (i == 0) continue;
            for (double pole : {-halfPi, halfPi})
                ASSERT_FALSE((piece[i - 1].X - pole) * (piece[i].X - pole) < 0) << "joined across x = " << pole;
        }
    EXPECT_GT(nearPole, 0) << "the branches run up to the edge of the view beside the pole";

    EXPECT_TRUE(Trace("x^2+y^2+1").empty());
    EXPECT_TRUE(Trace("ln(-1-x^2)+y").empty());

    // A polar record is skipped: its evaluator has no y.
    TFuncItem polar("a^2-1", false);
    polar.FuncKind = TFuncKind::fkImplicit;
    polar.FuncType = TFuncType::ftPolar;
    test::TNoQuestions dialog;
    TPline curve(3);
    std::vector<TSampleMark> marks;
    EXPECT_EQ(SampleFunction2D(polar, View, dialog, curve, marks), TRangeOutcome::roSkip);
}

}  // namespace
}  // namespace curvane
