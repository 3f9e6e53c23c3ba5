// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/support/exceptions.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"
#include "render/test_owner.h"

namespace curvane {
namespace {

using test::TTestOwner;

// A control of 442 x 222 pixels leaves a plot of exactly 400 x 200 with the
// default margins (35 + 5 + 2 across, 15 + 5 + 2 down).
constexpr int ControlW = 442, ControlH = 222;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// An indicator laid out on the control.
struct TLaidOut : TIndicator {
    TLaidOut() { Layout({0, 0, ControlW, ControlH}); }
};

std::array<double, 4> Edges(const TIndicator& ind) {
    return {ind.WorldLeft(), ind.WorldRight(), ind.WorldTop(), ind.WorldBottom()};
}

TEST(IndicatorLayout, ScalesAndPlotRectFollowTheControl) {
    TLaidOut ind;
    EXPECT_EQ(ind.PlotRect(), (TPixelRect{36, 16, 436, 216}));
    // The world's corners land on the plot's first pixel and just past its last.
    EXPECT_EQ(ind.WorldToScreen(10, -1), QPoint(436, 216));
    // An offset control rectangle shifts everything with it.
    ind.Layout({100, 50, 100 + ControlW, 50 + ControlH});
    EXPECT_EQ(ind.WorldToScreen(-10, 1), QPoint(136, 66));
    EXPECT_EQ(ind.ScreenToWorld(136, 66), QPointF(-10, 1));
    // The orientation moves the labels' margin; a caption takes a line off the plot.
    ind.SetOrientation(TDataOrientation::doTopToBottom);
    EXPECT_EQ((std::array{ind.MarginTop(), ind.Width(), ind.Height(), ind.PlotRect().Left}),
              (std::array{25, 430, 190, 106}));
    ind.SetCaption("f");
    EXPECT_EQ(ind.Height(), 180);
}

TEST(IndicatorLayout, UniformKeepsTheCentreAndWidensTheLongerSide) {
    // The control size; 0 x 0 has no plot yet and must keep the view.
    const struct { const char* Name; int W, H; std::array<double, 4> Edges; } rows[] = {
        {"wide: Y keeps -1..1, X spans 4", ControlW, ControlH, {-2, 2, 1, -1}},
        {"tall: X keeps -10..10, Y grows to 40", 242, 422, {-10, 10, 20, -20}},
        {"no size yet", 0, 0, {-10, 10, 1, -1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TIndicator ind;  // X -10..10, Y -1..1
        ind.SetUniform(true);
        ind.Layout({0, 0, row.W, row.H});
        EXPECT_EQ(Edges(ind), row.Edges);
        EXPECT_EQ(QPointF(ind.OriginX(), ind.OriginY()), QPointF(ind.WorldLeft(), ind.WorldTop()));
    }
}

TEST(IndicatorRanges, SetRangeTakesEitherOrderAndRefusesExtremeWidths) {
    // Left and right afterwards, from -10..10.
    const struct { const char* Name; double A, B, Left, Right; } rows[] = {
        {"reversed", 5, -5, -5, 5},
        {"narrowest allowed", 0, 1e-5, 0, 1e-5},
        {"too narrow", 1, 1.000001, -10, 10},
        {"too wide", -1e9, 1e9, -10, 10},
        {"not a number", NaN, 1, -10, 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestOwner owner(ControlW, ControlH);
        owner.Indicator.SetXRange(row.A, row.B);
        EXPECT_EQ(QPointF(owner.Indicator.WorldLeft(), owner.Indicator.WorldRight()), QPointF(row.Left, row.Right));
        EXPECT_EQ(owner.Count("owner:scale"), row.Left == -10 ? 0 : 1);  // a refused range is no change
    }
}

TEST(IndicatorRanges, ZoomToRect) {
    const struct { const char* Name; bool Uniform; QPointF A, B; std::array<double, 4> Edges; } rows[] = {
        {"free scales, corners in any order", false, {3, -2}, {1, 5}, {1, 3, 5, -2}},
        {"uniform, wide plot keeps the height", true, {0, 0}, {2, 4}, {-3, 5, 4, 0}},
        {"uniform, a point is no rectangle", true, {1, 1}, {1, 1}, {-2, 2, 1, -1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TLaidOut ind;
        ind.SetUniform(row.Uniform);
        int scaled = 0;
        ind.OnAfterScale = [&](TIndicator&) { ++scaled; };
        ind.ZoomToRect(row.A, row.B);
        EXPECT_EQ(Edges(ind), row.Edges);
        EXPECT_TRUE(row.Uniform ? ind.ScaleX() == ind.ScaleY() : scaled == 3);  // each range, then once more
    }
}

TEST(IndicatorMapping, InverseWithinOnePixelAndHugeValuesAsPoleValues) {
    TLaidOut ind;
    EXPECT_EQ(ind.WorldToScreen(0, -1e300).y(), ind.WorldToScreen(0, -1e5).y());
    // x is protected the same way: a parametric curve reaching 5e9 must not
    // take the picture down. 1e8 units at 20 px each still fit 32 bits.
    EXPECT_EQ(ind.WorldToScreen(5e9, 0).x(), ind.WorldToScreen(1e5, 0).x());
    EXPECT_EQ(ind.WorldToScreen(1e7, 0).x(), 36 + 200000200);
    ind.SetXRange(-10, 10.3);
    ind.SetYRange(-1.2, 1);
    for (QPointF p : {QPointF(-9.99, 0.99), QPointF(3.14159, -0.5), QPointF(-1000, 1000)}) {
        const QPointF back = ind.ScreenToWorld(ind.WorldToScreen(p));
        EXPECT_LE(std::fabs(back.x() - p.x()), 1 / ind.ScaleX()) << p.x();
        EXPECT_LE(std::fabs(back.y() - p.y()), 1 / ind.ScaleY()) << p.y();
    }
    // Where even the substitute has no pixel the mapping fails cleanly.
    ind.SetXRange(0, 1e-5);  // 4e7 px a unit
    EXPECT_FALSE(ind.ScreenX(NaN).has_value());
    EXPECT_THROW(ind.WorldToScreen(5e9, 0), ERangeError);
}

// The painters' vertex mappings place offsets below 2^30 pixels their own
// way: the aliased one must give ScreenX's and ScreenY's pixels on both
// sides of that, and the smooth one's point map VertexPoint's points.
TEST(IndicatorMapping, VertexPixelAgreesWithTheAxisMappings) {
    TLaidOut ind;
    ind.SetXRange(0, 400);  // 1 px a unit on both axes: values are offsets
    ind.SetYRange(-200, 0);
    ind.Layout({0, 0, ControlW, ControlH});
    const double limit = std::ldexp(1.0, 30);
    const struct {
        double X, Y;
        const char* Why;
    } rows[] = {
        {2.5, -3.5, "ties round to even on both axes (not half up)"},
        {3.5, 2.5, "and the other way"},
        {-7.49999, -2.50001, "just past a half"},
        {limit - 0.5, 0, "the last offset rounded the short way"},
        {limit + 0.5, 0, "the first one the long way"},
        {-limit - 0.5, 3e9, "far off to the left; y past 2e9 px takes the pole substitute"},
        {3e9, 0, "x beyond the pole limit"},
        {NaN, 0, "undefined x"},
        {0, NaN, "undefined y"},
    };
    for (const auto& r : rows) {
        const std::optional<int> x = ind.ScreenX(r.X), y = ind.ScreenY(r.Y);
        const double v[] = {r.X, r.Y};
        QPoint pixel;
        const bool mapped = ind.Mapping().VertexPixel(v, 2, pixel);
        ASSERT_EQ(mapped, x && y) << r.Why;
        if (mapped) {
            EXPECT_EQ(pixel, QPoint(*x, *y)) << r.Why;
        }
        QPointF point, mappedPoint;
        const bool placed = ind.Mapping().VertexPoint(v, 2, point);
        EXPECT_EQ(placed, mapped) << r.Why;
        ASSERT_EQ(TMapping2D::TPointMap(ind.Mapping())(v, 2, mappedPoint), placed) << r.Why;
        if (placed) {
            EXPECT_EQ(mappedPoint.x(), point.x()) << r.Why;
            EXPECT_EQ(mappedPoint.y(), point.y()) << r.Why;
        }
    }
}

TEST(IndicatorGrid, StepIsGranularityTimesAPowerOfTwo) {
    const double pi = 3.141592653589793;
    // 400 px wide: the step must come out 40..100 px long.
    const struct { const char* Name; double Granularity, FixedStep, From, To, Expected; } rows[] = {
        {"pi is 63 px: kept", pi, 0, -10, 10, pi},
        {"a narrow view halves", 1, 0, 0, 1e-4, 1.52587890625e-05},
        {"NaN granularity reads as 1", NaN, 0, -10, 10, 2},
        {"a fixed step below 2 px is automatic", 1, 1e-9, -10, 10, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TLaidOut ind;
        ind.SetGridGranularityX(row.Granularity);
        ind.SetGridStepX(row.FixedStep);
        ind.SetXRange(row.From, row.To);
        EXPECT_DOUBLE_EQ(ind.StepX(), row.Expected);
    }
    // Y uses 15..50 px: 100 px a unit halves to 0.5.
    TLaidOut ind;
    EXPECT_DOUBLE_EQ(ind.StepY(), 0.5);
    // The choice ends for degenerate scales: a 0 x 0 plot, then a negative one.
    ind.Layout({0, 0, 42, 22});
    EXPECT_EQ(ind.StepX(), 1);
    ind.Layout({0, 0, 10, 10});
    EXPECT_EQ(ind.StepY(), 1);
}

TEST(IndicatorSetters, ChangesAskForOneRedrawAndPlainFieldsNone) {
    TTestOwner owner(ControlW, ControlH);
    TIndicator& ind = owner.Indicator;
    const int requests = owner.Requests;
    ind.SetAxisColor(clWhite);
    ind.SetAxisColor(clWhite);   // unchanged: no second request
    ind.SetGridGranularityX(3);  // a plain field: none
    EXPECT_EQ(owner.Requests, requests + 1);
    // Grid steps follow a fixed step even while redraws are suspended.
    owner.BeginUpdate();
    ind.SetGridStepX(5);
    EXPECT_EQ(ind.StepX(), 5);
    owner.EndUpdate();

    // A batch draws once when it ends, also when a setter in it throws.
    const int draws = owner.Draws;
    EXPECT_THROW({
        TUpdateGuard<TTestOwner> guard(owner);
        ind.SetBackground(clWhite);
        ind.SetAutoScaleThreshold(101);
    }, Exception);
    EXPECT_EQ(owner.Depth, 0);
    EXPECT_EQ(owner.Draws, draws + 1);
}

TEST(IndicatorSetters, SetLookTakesTheWholeLookWithOneRedraw) {
    TTestOwner owner(ControlW, ControlH);
    TIndicator& ind = owner.Indicator;
    TLook2D look = ind.Look();
    look.AxisColor = clWhite;
    look.Uniform = true;
    look.Orientation = TDataOrientation::doTopToBottom;
    const int requests = owner.Requests;
    ind.SetLook(look);
    EXPECT_EQ(ind.Look(), look);
    EXPECT_EQ(owner.Requests, requests + 1);
    EXPECT_DOUBLE_EQ(ind.ScaleX(), ind.ScaleY()) << "a new Uniform lays the plot out";
    EXPECT_EQ(ind.MarginTop(), TIndicator::DefaultMarginTop + 10) << "the labels' new side";

    ind.SetLook(look);
    // Widths the single setters refuse keep the current ones; nothing else
    // changed, so nothing is drawn.
    look.GraphicWidth = 0;
    look.MarkWidth = 256;
    ind.SetLook(look);
    EXPECT_EQ(ind.Look().GraphicWidth, 1);
    EXPECT_EQ(ind.Look().MarkWidth, 1);
    EXPECT_EQ(owner.Requests, requests + 1);
}

TEST(GraphPlines, OrderIsRecomputedAfterMutableAccess) {
    TGraphPline item;
    item.Pline().AddVertex({0, 5, 0});
    item.Pline().AddVertex({1, 3, 0});
    EXPECT_TRUE(item.IsOrderedAlong(0) && !item.IsOrderedAlong(1));
    item.Pline().AddVertex({0.5, 9, 0});
    EXPECT_FALSE(item.IsOrderedAlong(0));
}

}  // namespace
}  // namespace curvane
