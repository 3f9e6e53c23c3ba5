// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <vector>

#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include "render/color.h"
#include "render/fonts.h"
#include "render/plot2d/indicator.h"
#include "render/test_owner.h"

namespace curvane {
namespace {

using test::PixelColor;
using test::TTestOwner;

// A 142 x 82 control: the plot is 100 x 60 pixels, PlotRect (36, 16, 136, 76),
// the frame on columns 35 and 137 and rows 15 and 77. With X -10..10 and
// Y -2..2 one unit is 5 px across and 15 px down; the origin is (86, 46).
constexpr int ControlW = 142, ControlH = 82;
constexpr TPlotColor Outside = 0x808080;  // what the owner fills around the frame
constexpr TPlotColor AxisRed = 0x0000FF;
constexpr TPlotColor LabelGreen = 0x00FF00;
constexpr TPlotColor MarkYellow = 0x00FFFF;

struct TPlot : TTestOwner {
    TPlot() : TTestOwner(ControlW, ControlH) {
        Indicator.SetYRange(-2, 2);
        Indicator.SetLabels(false);
        Indicator.SetGridFontColor(LabelGreen);
        Indicator.SetMarkColor(MarkYellow);
        Indicator.SetGridFont(MakePlotFont("Terminal", 7));
    }
    void Paint() { DrawBuffer(); }
    TPlotColor At(int x, int y) const { return PixelColor(Image, x, y); }
    // The number of pixels in the region whose colour passes the test.
    int Ink(QRect region, const std::function<bool(TPlotColor)>& isInk) const {
        int n = 0;
        region = region.intersected(Image.rect());
        for (int y = region.top(); y <= region.bottom(); ++y)
            for (int x = region.left(); x <= region.right(); ++x) n += isInk(At(x, y));
        return n;
    }
    // Anti-aliased text: mostly green (labels) or mostly yellow (marks), as 0x00BBGGRR.
    int Green(QRect r) const { return Ink(r, [](TPlotColor c) { return (c >> 8 & 0xFF) > 100 && (c & 0xFF) < 60; }); }
    int Yellow(QRect r) const {
        return Ink(r, [](TPlotColor c) { return (c & 0xFF) > 100 && (c >> 8 & 0xFF) > 100 && (c >> 16 & 0xFF) < 60; });
    }
    QFontMetrics GridMetrics() const { return QFontMetrics(Indicator.GridFont(), &Image); }
};

struct TPixelRow { const char* What; int X, Y; TPlotColor Expected; };

void ExpectPixels(const TPlot& plot, std::initializer_list<TPixelRow> rows) {
    for (const TPixelRow& r : rows) EXPECT_EQ(plot.At(r.X, r.Y), r.Expected) << r.What << " at " << r.X << ", " << r.Y;
}

TEST(IndicatorPaint, FrameAxesAndTicks) {
    TPlot plot;
    plot.Paint();
    ExpectPixels(plot, {
        {"frame corner", 35, 15, clWhite}, {"Y axis top", 86, 17, AxisRed},
        {"Y axis leaves the first row", 86, 16, clBlack}, {"Y axis ends before PlotRect.Bottom", 86, 76, clBlack},
        {"X axis leaves the first column", 36, 46, clBlack}, {"X axis ends before PlotRect.Right", 136, 46, clBlack},
        // Step 8 (40 px): ticks at x = -8 and 8, from 2 above to 3 below the axis.
        {"tick -8 top", 46, 44, AxisRed},
        {"no tick at x = 4", 106, 44, clBlack},
        // Step 1 (15 px): ticks at y = 1 (row 31) and -1 (row 61).
        {"tick y=1 right", 88, 31, AxisRed},
        {"right of tick y=1", 89, 31, clBlack},
        {"margin tick y=1 end", 33, 31, AxisRed},
        {"margin tick ends", 32, 31, Outside},
    });
}

TEST(IndicatorPaint, FullGridLinesAndTheirStyles) {
    const struct { const char* Why; Qt::PenStyle Style; bool Slide, Gaps; } rows[] = {
        {"solid", Qt::SolidLine, false, false},
        {"dotted", Qt::DotLine, false, true},
        {"dotted but sliding: solid", Qt::DotLine, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TPlot plot;
        plot.Indicator.SetFullGrid(true);
        plot.Indicator.SetGridLineStyle(row.Style);
        plot.Indicator.SetSlide(row.Slide);
        plot.Paint();
        const TPlotColor grid = plot.Indicator.GridColor();
        const int gaps = plot.Ink(QRect(46, 17, 1, 59), [&](TPlotColor c) { return c != grid && c != AxisRed; });
        EXPECT_TRUE(row.Gaps ? gaps > 20 : gaps == 0) << gaps;
        if (row.Gaps) continue;
        ExpectPixels(plot, {
            {"vertical line ends", 46, 76, clBlack},
            {"horizontal line left end", 37, 31, grid},
            {"horizontal line leaves PlotRect.Left", 36, 31, clBlack},
            {"no tick in the margin", 34, 31, Outside},
            {"axis over the grid", 86, 31, AxisRed},
        });
    }
}

TEST(IndicatorPaint, LabelsSitBesideTheirTicks) {
    TPlot plot;
    plot.Indicator.SetLabels(true);
    plot.Paint();
    const QFontMetrics fm = plot.GridMetrics();
    const int h = fm.height();
    const int w8 = fm.horizontalAdvance("8"), w0 = fm.horizontalAdvance("0"), w1 = fm.horizontalAdvance("1");
    // X label 8 ends one pixel left of its tick, just above the axis.
    EXPECT_GT(plot.Green(QRect(126 - w8 - 1, 46 - h - 2, w8, h)), 0);
    EXPECT_EQ(plot.Green(QRect(126, 46 - h - 2, 10, h)), 0);
    // The single "0" at the origin belongs to X; the Y label 0 is left out.
    EXPECT_GT(plot.Green(QRect(86 - w0 - 1, 46 - h - 2, w0, h)), 0);
    EXPECT_EQ(plot.Green(QRect(88, 46 - h / 2, w0, h)), 0);
    // Y label 1 right of the axis, centred on its row.
    EXPECT_GT(plot.Green(QRect(88, 31 - h / 2, w1, h)), 0);
    // Nothing lands in the left margin without the full grid.
    EXPECT_EQ(plot.Green(QRect(0, 16, 35, 60)), 0);

    plot.Indicator.SetFullGrid(true);
    plot.Paint();
    // Full grid: Y labels go into the margin, X labels along the top.
    EXPECT_GT(plot.Green(QRect(36 - w1 - 2, 31 - h / 2, w1, h)), 0);
    EXPECT_GT(plot.Green(QRect(126 - w8 - 1, 18, w8, h)), 0);
}

TEST(IndicatorPaint, YLabelsWiderThanTheMarginWidenIt) {
    TPlot plot;
    TIndicator& ind = plot.Indicator;
    ind.SetLabels(true);
    ind.SetFullGrid(true);
    ind.SetGridFont(MakePlotFont("Terminal", 9));
    EXPECT_EQ(ind.MarginLeft(), TIndicator::DefaultMarginLeft);  // "-1" fits
    // 240 px a unit: a step of 0.125 and labels "-0.875", wider than 35 px.
    ind.SetYRange(-1, -0.75);
    EXPECT_GT(ind.MarginLeft(), TIndicator::DefaultMarginLeft);
    EXPECT_EQ(ind.PlotRect().Left, ind.MarginLeft() + 1);
    plot.Paint();
    const QRect control(0, 0, ControlW, ControlH);
    bool seen = false;
    for (const TAxisLabel& label : ind.AxisLabels(plot.GridMetrics())) {
        SCOPED_TRACE(label.Text.toStdString());
        EXPECT_TRUE(control.contains(label.Rect));
        if (label.Text != "-0.875") continue;
        seen = true;
        // The minus sign is painted.
        EXPECT_GT(plot.Green(QRect(label.Rect.topLeft(), QSize(3, label.Rect.height()))), 0);
    }
    EXPECT_TRUE(seen);
    ind.SetYRange(-2, 2);
    EXPECT_EQ(ind.MarginLeft(), TIndicator::DefaultMarginLeft);
}

TEST(IndicatorPaint, LabelTextsAndHandlers) {
    TPlot plot;
    TIndicator& ind = plot.Indicator;
    ind.SetLabels(true);
    ind.SetUnitsX("m");
    ind.SetYRange(0, 1);  // 60 px a unit
    ind.SetGridStepY(0.1);
    std::map<std::pair<TAxis, double>, QString> seen;
    ind.OnGetAxisLabel = [&](double v, TAxis axis, QString& text) { seen[{axis, v}] = text; };
    plot.Paint();
    EXPECT_EQ((seen[{TAxis::axX, -8.0}]), "-8m");
    // 0.1 + 0.1 + 0.1 is rounded to six places before it is shown.
    EXPECT_EQ((seen[{TAxis::axY, 0.3}]), "0.3");
    EXPECT_FALSE(seen.count({TAxis::axY, 1.0}));  // the loop stops before the top edge
}

TEST(IndicatorPaint, UnitsLabels) {
    const double pi = std::numbers::pi;
    // Dimensionless keeps the text. The suffix the indicator added is
    // replaced, not extended.
    using enum TUnits;
    const struct { double Value; TUnits Mode; const char* Text; const char* Expected; } rows[] = {
        {-pi / 2, uRadians, "", "-Pi/2"}, {-2.5 * pi, uRadians, "", "-2.5Pi"}, {1e-7, uRadians, "", "0"},
        {1.5 * pi, uDegrees, "", "270"}, {1.25, uDimensionless, "kept", "kept"}, {pi, uRadians, "3.14159265rad", "Pi"}};
    for (const auto& row : rows) {
        QString text = row.Text;
        UnitsAxisLabel(row.Value, row.Mode, text);
        EXPECT_EQ(text, row.Expected) << row.Value;
    }
}

TEST(IndicatorPaint, MarkTextsThatWouldCollideAreLeftOut) {
    // The second mark 10 px on (its text would run into the first), or 40 px on.
    for (const double second : {2.0, 8.0}) {
        SCOPED_TRACE(second);
        TPlot plot;
        plot.Indicator.AddMark("WWW", 0);
        plot.Indicator.AddMark("WWW", second);
        plot.Paint();
        const QFontMetrics fm = plot.GridMetrics();
        const int w = fm.horizontalAdvance("WWW"), h = fm.height();
        ASSERT_GT(w, 12);
        const int sx = 86 + static_cast<int>(second * 5);
        ExpectPixels(plot, {{"mark line top", 86, 16, MarkYellow}, {"mark line bottom", 86, 76, MarkYellow},
                            {"second mark line", sx, 40, MarkYellow}});
        // The first text ends left of its line, above the bottom margin.
        EXPECT_GT(plot.Yellow(QRect(86 - w - 3, 76 - h, w, h)), 0);
        // Between the first line and the second text's end only the second
        // text can leave ink.
        EXPECT_EQ(plot.Yellow(QRect(87, 76 - h, sx - 3 - 87, h)) > 0, second == 8.0);
    }
    // Marks outside the range draw nothing; at the lower end counts as outside.
    TPlot plot;
    plot.Indicator.AddMark("", -10);
    plot.Indicator.AddMark("", 11);
    plot.Paint();
    EXPECT_EQ(plot.Yellow(QRect(0, 0, ControlW, ControlH)), 0);
}

TEST(IndicatorPaint, ClippedSegments) {
    // The clip rectangle is the frame's inside: columns 36..136, rows 16..75;
    // "off" pixels lie inside.
    const struct { const char* Name; QPoint P1, P2; std::vector<QPoint> On, Off; } rows[] = {
        {"outside to inside is drawn from the inside end", {200, 30}, {100, 30}, {{136, 30}, {100, 30}}, {{99, 30}}},
        {"inside to above", {50, 40}, {50, 0}, {{50, 40}, {50, 17}}, {{50, 16}}},
        {"diagonal to the bottom edge", {100, 60}, {300, 260}, {{100, 60}, {115, 75}}, {}},
        {"both ends outside, crossing the plot", {0, 30}, {200, 30}, {}, {{80, 30}}},
        // Coordinates near the int limits must not overflow out of the frame.
        {"far ends, level", {-2000000000, 30}, {2000000000, 30}, {}, {}},
        {"far ends, steep", {-2000000000, -1999999000}, {2000000000, 2000000000}, {}, {}},
        {"one end far", {100, 30}, {-2000000000, 2000000000}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        plot.Indicator.SetAxisColor(clBlack);
        plot.Paint();
        const QImage before = plot.Image;
        {
            QPainter p(&plot.Image);
            p.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::FlatCap));
            plot.Indicator.DrawClippedSegment(p, row.P1, row.P2);
        }
        // Only the inside of the frame (columns 36..136, rows 16..75) may change.
        for (int y = 0; y < ControlH; ++y)
            for (int x = 0; x < ControlW; ++x)
                ASSERT_TRUE((x >= 36 && x <= 136 && y >= 16 && y <= 75) || plot.Image.pixel(x, y) == before.pixel(x, y))
                    << x << ", " << y;
        for (QPoint q : row.On) EXPECT_EQ(plot.At(q.x(), q.y()), clWhite) << "on " << q.x() << ", " << q.y();
        for (QPoint q : row.Off) EXPECT_EQ(plot.At(q.x(), q.y()), clBlack) << "off " << q.x() << ", " << q.y();
    }
}

// Cutting the points outside the view off ordered data before drawing must
// give the same picture as drawing them all.
TEST(IndicatorPaint, CuttingOrderedDataChangesNothingVisible) {
    using enum TDataOrientation;
    // The curve's points, their number, the order, and whether any lands in the plot.
    const struct { const char* Name; QPointF (*P)(int); int N; TDataOrientation O; bool Ink; } rows[] = {
        {"sine far beyond both sides", [](int i) { return QPointF(-1000 + i * 0.37, std::sin(i * 0.37)); }, 5400,
         doLeftToRight, true},
        {"two vertices across the view: neither end inside, nothing drawn",
         [](int i) { return QPointF(i ? 50.3 : -50.3, i); }, 2, doLeftToRight, false},
        {"parametric circle leaving the view: not ordered, drawn whole",
         [](int i) { return QPointF(15 * std::cos(i * 0.01), 1.5 * std::sin(i * 0.01)); }, 629, doLeftToRight, true},
        {"top to bottom, ordered along y", [](int i) { return QPointF(std::sin(i * 0.05) * 8, -7.03 + i * 0.05); },
         280, doTopToBottom, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plots[2];
        for (const bool cut : {false, true}) {
            TIndicator& ind = plots[cut].Indicator;
            ind.SetAxisColor(clBlack);
            ind.SetOutPlineCut(cut);
            ind.SetOrientation(row.O);
            TGraphPline& item = ind.Plines().Add();
            item.SetColor(clWhite);
            for (int i = 0; i < row.N; ++i) item.Pline().AddVertex({row.P(i).x(), row.P(i).y(), 0});
            plots[cut].Paint();
        }
        EXPECT_TRUE(plots[0].Image == plots[1].Image);
        EXPECT_EQ(plots[1].Ink(QRect(36, 16, 101, 60), [](TPlotColor c) { return c == clWhite; }) > 0, row.Ink);
    }
}

TEST(IndicatorPaint, PolesAndUndefinedPointsNeverFailThePicture) {
    for (bool tinyView : {false, true}) {
        SCOPED_TRACE(tinyView ? "view 1e-5 wide: even the substitutes have no pixel" : "normal view");
        TPlot plot;
        if (tinyView) plot.Indicator.SetXRange(0, 1e-5);
        TGraphPline& item = plot.Indicator.Plines().Add();
        for (double x : {-5e9, -1.0, 0.0, 1e300, 5e9, double(NAN), 2.0, HUGE_VAL})
            item.Pline().AddVertex({x, 1 / (x - 1), 0});
        plot.Indicator.Data().AddVertex({NAN, NAN, 1e30});
        plot.Indicator.Data().AddVertex({1, 1, 1e30});
        EXPECT_NO_THROW(plot.Paint());
        EXPECT_EQ(plot.At(35, 15), clWhite);  // the frame is there
    }
}

TEST(IndicatorPaint, GapVertexBreaksTheCurve) {
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "ordered, cut to the view by bisection" : "drawn whole");
        TPlot plot;
        plot.Indicator.SetAxisColor(clBlack);
        plot.Indicator.SetOutPlineCut(cut);
        TGraphPline& item = plot.Indicator.Plines().Add();
        item.SetColor(clWhite);
        // y = 1 is row 31; x = -2 is column 76 and x = 2 column 96. The
        // bisection probes the gap vertex first.
        for (double x : {-30.0, -8.0, -2.0}) item.Pline().AddVertex({x, 1, 0});
        AddGapVertex(item.Pline());
        for (double x : {2.0, 8.0, 30.0, 40.0, 50.0}) item.Pline().AddVertex({x, 1, 0});
        EXPECT_TRUE(item.IsOrderedAlong(0));
        plot.Paint();
        auto white = [&](int from, int to) {
            return plot.Ink(QRect(from, 16, to - from + 1, 60), [](TPlotColor c) { return c == clWhite; });
        };
        EXPECT_GT(white(36, 76), 30);
        EXPECT_EQ(white(78, 94), 0);
        EXPECT_GT(white(96, 136), 30);
    }
}

TEST(IndicatorPaint, DrawTypesAndChartTypes) {
    // Points in their own colours, only inside PlotRect.
    TPlot points;
    points.Indicator.SetDrawType(TDrawType::dtPoints);
    points.Indicator.Data().AddVertex({2, 1, static_cast<double>(0x00FF00)});        // (96, 31)
    points.Indicator.Data().AddVertex({-10.4, 0.5, static_cast<double>(clWhite)});  // column 34: outside
    points.Paint();
    ExpectPixels(points, {{"point", 96, 31, 0x00FF00}, {"outside point not set", 34, 38, Outside}});

    // Bars from the low to the high value with open and close ticks.
    TPlot bars;
    bars.Indicator.SetScopeType(TScopeType::stChart2);
    bars.Indicator.SetGraphicColor(0x00FF00);
    bars.Indicator.SetBranchLength(1);  // 5 px
    TGraphPline& item = bars.Indicator.Plines().Add();
    for (double y : {-1.0, 1.0, 0.2, 0.5}) item.Pline().AddVertex({2, y, 0});  // x = 2: column 96
    item.Pline().AddVertex({4, 1, 0});  // an incomplete group draws nothing
    bars.Paint();
    ExpectPixels(bars, {
        {"bar bottom", 96, 61, 0x00FF00}, {"bar top", 96, 32, 0x00FF00},
        {"open tick", 92, 43, 0x00FF00},  {"close tick", 100, 38, 0x00FF00},
        {"no second bar", 106, 40, clBlack},
    });
}

}  // namespace
}  // namespace curvane
