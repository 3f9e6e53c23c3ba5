// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_raster.h"

#include <cmath>
#include <initializer_list>
#include <vector>

#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

#include "render/plot2d/indicator.h"
#include "render/test_owner.h"

namespace curvane {
namespace {

using test::PixelColor;

// A 142 x 82 control: curves may set columns 36..136 and rows 16..75. With X
// -10..10 and Y -2..2 one unit is 5 px across and 15 px down; the origin is
// (86, 46). Everything but the curve is black inside the frame.
constexpr int ControlW = 142, ControlH = 82;
constexpr TPlotColor Yellow = 0x00FFFF;
const QRect CurveArea(36, 16, 101, 60);

struct TPlot : test::TTestOwner {
    explicit TPlot(bool smooth) : TTestOwner(ControlW, ControlH) {
        Indicator.SetYRange(-2, 2);
        Indicator.SetLabels(false);
        Indicator.SetAxisColor(clBlack);
        Indicator.SetBackground(clBlack);
        Indicator.SetAntialiasing(smooth);
    }
    void AddCurve(int width, const std::vector<QPointF>& points) {
        TGraphPline& item = Indicator.Plines().Add();
        item.SetColor(Yellow);
        item.SetWidth(width);
        for (QPointF p : points) item.Pline().AddVertex({p.x(), p.y(), 0});
    }
    // Pixels of the curve's colour in column x, and in the whole picture.
    int InkInColumn(int x) const {
        int n = 0;
        for (int y = 0; y < ControlH; ++y) n += PixelColor(Image, x, y) == Yellow;
        return n;
    }
    // Pixels that are neither the background nor the curve's colour.
    int Blended() const {
        int n = 0;
        for (int y = CurveArea.top(); y <= CurveArea.bottom(); ++y)
            for (int x = CurveArea.left(); x <= CurveArea.right(); ++x) {
                const TPlotColor c = PixelColor(Image, x, y);
                n += c != Yellow && c != clBlack;
            }
        return n;
    }
};

const bool SmoothAndNot[] = {false, true};

TEST(CurveRaster, NoCurvePixelLeavesTheFrame) {
    // A steep sine running out at the top and bottom, one vertex far
    // beyond the left edge, one taken for a pole, one that has no pixel.
    std::vector<QPointF> points;
    for (int i = -60; i <= 60; ++i) points.emplace_back(i / 5.0, 6 * std::sin(i / 2.0));
    points.insert(points.begin(), {-1e7, 1.0});
    points.insert(points.begin() + 30, {0.5, 1e300});
    points.insert(points.begin() + 60, {NAN, 0.0});
    for (const bool smooth : SmoothAndNot)
        for (const int width : {1, 2, 5}) {
            SCOPED_TRACE(testing::Message() << (smooth ? "smooth" : "aliased") << ", width " << width);
            TPlot empty(smooth), plot(smooth);
            plot.AddCurve(width, points);
            empty.DrawBuffer();
            plot.DrawBuffer();
            int inside = 0;
            for (int y = 0; y < ControlH; ++y)
                for (int x = 0; x < ControlW; ++x) {
                    const bool changed = plot.Image.pixel(x, y) != empty.Image.pixel(x, y);
                    ASSERT_TRUE(!changed || CurveArea.contains(x, y)) << x << ", " << y;
                    inside += changed;
                }
            EXPECT_GT(inside, 100 * width);
        }
}

TEST(CurveRaster, AGapMarkerIsNeverBridged) {
    // A level line at y = 1 (row 31) from x = -8 to 8, broken between
    // columns 76 and 96 by a vertex whose x and y are NaN.
    for (const bool smooth : SmoothAndNot)
        for (const int width : {1, 2}) {
            SCOPED_TRACE(testing::Message() << (smooth ? "smooth" : "aliased") << ", width " << width);
            TPlot plot(smooth);
            plot.AddCurve(width, {{-8, 1}, {-2, 1}, {NAN, NAN}, {2, 1}, {8, 1}});
            plot.DrawBuffer();
            for (int x = 80; x <= 92; ++x) EXPECT_EQ(plot.InkInColumn(x), 0) << "column " << x;
            // Either side a line of the pen's width, in the curve's own colour.
            EXPECT_EQ(plot.InkInColumn(60), width);
            EXPECT_EQ(plot.InkInColumn(110), width);
        }
}

TEST(CurveRaster, SmoothingOnlyWhenAsked) {
    for (const bool smooth : SmoothAndNot) {
        SCOPED_TRACE(smooth ? "smooth" : "aliased");
        TPlot plot(smooth);
        plot.AddCurve(1, {{-9, -1.7}, {9, 1.3}});
        plot.AddCurve(2, {{-9, 1.8}, {3, -1.9}, {9, 1}});
        plot.DrawBuffer();
        if (smooth) EXPECT_GT(plot.Blended(), 100);
        else EXPECT_EQ(plot.Blended(), 0);
    }
}

// Recorded and played back, the curves are the same: a recording gets them
// as the image they were drawn into, at the same place.
TEST(CurveRaster, ARecordingShowsTheSameCurves) {
    TPlot plot(false);
    plot.AddCurve(2, {{-9, -1.7}, {0, 1.5}, {9, -1}});
    plot.DrawBuffer();
    QPicture recording;
    {
        QPainter p(&recording);
        plot.Indicator.Paint(p);
    }
    QImage replay(plot.Image.size(), QImage::Format_RGB32);
    replay.fill(Qt::darkGray);
    {
        QPainter p(&replay);
        recording.play(&p);
    }
    EXPECT_EQ(replay, plot.Image);
}

}  // namespace
}  // namespace curvane
