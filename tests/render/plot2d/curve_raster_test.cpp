// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_raster.h"
#include "render/plot2d/smooth_curve_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include <QPainter>
#include <QPen>
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

TEST(CurveRaster, SmoothCurvesAtTwiceThePixels) {
    // A level line at y = 1 (row 31) on a picture of two device pixels a
    // pixel: the line is drawn in device pixels, twice the pen's width of
    // rows in the curve's own colour, over the aliased line's pixels.
    for (const int width : {1, 2, 3}) {
        SCOPED_TRACE(width);
        TPlot plot(true);
        plot.AddCurve(width, {{-8, 1}, {8, 1}});
        QImage image(2 * ControlW, 2 * ControlH, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        image.fill(Qt::darkGray);
        {
            QPainter p(&image);
            plot.Indicator.Paint(p);
        }
        int first = -1, count = 0;
        for (int y = 2 * CurveArea.top(); y < 2 * CurveArea.bottom() + 2; ++y) {
            const TPlotColor c = PixelColor(image, 2 * 60, y);
            if (c != Yellow) {
                EXPECT_EQ(c, clBlack) << "row " << y;  // nothing half covered
                continue;
            }
            if (first < 0) first = y;
            ++count;
        }
        EXPECT_EQ(count, 2 * width);
        // Centred on the middle of row 31 for odd widths, on its top for even.
        EXPECT_EQ(first, 2 * 31 + (width % 2) - width);
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


// Smoothed polylines drawn by the engine against Qt's own smoothed
// drawPolyline (round caps and joins) of the same points, compared by
// coverage (the alpha of white curves on a transparent image) over the
// pixels either one touched.
struct TShape {
    const char* Reason;
    int Width;
    std::vector<QPointF> Points;
    int Alpha = 255;
};

std::vector<QPointF> Sine(double amplitude, double period, double step) {
    std::vector<QPointF> points;
    for (double x = 4; x <= 156; x += step) points.emplace_back(x, 60 + amplitude * std::sin(x * 2 * M_PI / period));
    return points;
}

QImage Transparent() {
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage ByEngine(const QRect& area, int width, const std::vector<QPointF>& points, int alpha = 255) {
    QImage image = Transparent();
    TCurveLayer layer(area);
    EXPECT_TRUE(layer.Prepare());
    {
        TSmoothCurveRaster raster(layer, width, qPremultiply(qRgba(255, 255, 255, alpha)));
        // As the painter hands them over: in one batch.
        raster.LinesTo(points.data(), points.size());
    }
    QPainter painter(&image);
    layer.DrawOnto(painter);
    return image;
}

TEST(CurveRaster, SmoothCurvesCoverWhatQtCovers) {
    const std::vector<TShape> shapes = {
        {"a sine sampled once a pixel, thin", 1, Sine(40, 90, 1)},
        {"the same sine, an even width on pixel corners", 2, Sine(40, 90, 1)},
        {"the same sine, an odd width", 3, Sine(40, 90, 1)},
        {"a wide pen: discs at every vertex", 5, Sine(40, 90, 1)},
        {"a steep sine: columns of long segments", 2, Sine(55, 20, 1.3)},
        {"near vertical: one column, the mask across rows", 3, {{80.3, 5}, {81.1, 115}}},
        {"near horizontal: one row", 2, {{5, 60.2}, {155, 61.4}}},
        {"tight turns: joins must not darken", 3, {{10, 10}, {40, 100}, {45, 12}, {70, 110}, {72, 15}, {150, 20}}},
        {"sampled far more densely than the pixels", 2, Sine(30, 60, 0.07)},
        // A pixel blended twice where segments meet shows as more ink.
        {"translucent: no pixel blended twice", 3, Sine(40, 90, 1), 128},
        {"translucent and steep", 2, Sine(55, 20, 1.3), 128},
    };
    for (const TShape& shape : shapes) {
        SCOPED_TRACE(shape.Reason);
        const QImage ours = ByEngine(QRect(0, 0, 160, 120), shape.Width, shape.Points, shape.Alpha);
        QImage qt = Transparent();
        {
            QPainter p(&qt);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(255, 255, 255, shape.Alpha), shape.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(shape.Points.data(), static_cast<int>(shape.Points.size()));
        }
        long sum = 0, pixels = 0;
        int worst = 0;
        for (int y = 0; y < qt.height(); ++y)
            for (int x = 0; x < qt.width(); ++x) {
                const int a = qAlpha(ours.pixel(x, y)), b = qAlpha(qt.pixel(x, y));
                if (a == 0 && b == 0) continue;
                ++pixels;
                sum += std::abs(a - b);
                worst = std::max(worst, std::abs(a - b));
            }
        ASSERT_GT(pixels, 100);
        // Measured (of 255, per curve pixel): a mean of 1 to 5.3 from width
        // 2 up, at most 121 at a pixel (the ends of the wide sine). Thin
        // pens are stepped along their major axis, as Qt steps its thin
        // smoothed lines, but not from the same vertices (ours are merged
        // first) nor with the same rounding: a mean of 8.7 at width 1.
        EXPECT_LT(static_cast<double>(sum) / pixels, shape.Width == 1 ? 12.0 : 8.0);
        // Translucent: a pixel blended twice differs by at least 64.
        EXPECT_LT(worst, shape.Alpha < 255 ? 64 : 128);
    }
}

TEST(CurveRaster, SmoothCurvesStayInsideTheirLayer) {
    // Vertices two billion pixels away (a pole's), a curve across the whole
    // picture, and steep segments up and down along the layer's left and
    // right edges, whose rows the pen crosses: the layer's area is all that
    // changes.
    const QRect area(20, 15, 110, 80);
    const std::vector<QPointF> points = {{-2e9, 50},  {60, 40},    {70, 2e9},    {75, -2e9},  {200, 130}, {100, 60},
                                         {20.3, 100}, {20.8, 10},  {19.6, 90},   {129.7, 20}, {129.2, 95}, {130.4, 5}};
    for (const int width : {1, 2, 5}) {
        SCOPED_TRACE(width);
        const QImage image = ByEngine(area, width, points);
        int inside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool ink = qAlpha(image.pixel(x, y)) != 0;
                ASSERT_TRUE(!ink || area.contains(x, y)) << x << ", " << y;
                inside += ink;
            }
        EXPECT_GT(inside, 100 * width);
    }
}

}  // namespace
}  // namespace curvane
