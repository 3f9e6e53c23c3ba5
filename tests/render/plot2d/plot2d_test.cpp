// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/plot2d.h"

#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/document/document_change.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "core/support/work_pool.h"
#include "render/color.h"
#include "render/plot2d/curve_layer.h"
#include "render/plot2d/curve_raster.h"
#include "render/test_owner.h"

namespace curvane {
namespace {

using test::PixelColor;

constexpr TPlotColor Around = 0x00FF00;  // green
constexpr TPlotColor Inside = 0x400000;  // dark blue

// Records whether the evaluators were held while the sampler asked.
struct TRecordingDialog : TSamplerDialog {
    bool ConfirmSwap() override { return Swap; }
    void WarnEqual() override { LeasedWhileAsking = SharedEvaluatorsLeased(); }
    bool ConfirmLongDrawing() override { return true; }
    void RefuseRange(const std::string&) override {}
    bool LeasedWhileAsking = false;
    bool Swap = true;  // false cancels the run at reversed limits
};

// With the default margins the frame of a 200 x 150 plot runs along column
// 35 and row 15; (50, 30) lies inside the plot, off the axes.
TEST(Plot2D, PaintIsOneDeviceIndependentPictureWithItsBackground) {
    TPlot2D plot;
    plot.SetBackground(Around);
    plot.Indicator().SetBackground(Inside);
    plot.SetSize({200, 150});
    const QImage picture = plot.Picture();
    ASSERT_EQ(picture.size(), QSize(200, 150));
    EXPECT_EQ(PixelColor(picture, 0, 0), Around);
    EXPECT_EQ(PixelColor(picture, 199, 149), Around);
    EXPECT_EQ(PixelColor(picture, 35, 15), clWhite);
    EXPECT_EQ(PixelColor(picture, 50, 30), Inside);

    // Recorded as drawing commands and played back, the same picture: Paint
    // reads nothing from the device it draws on.
    QPicture recording;
    {
        QPainter p(&recording);
        plot.Paint(p);
    }
    QImage replay(picture.size(), QImage::Format_RGB32);
    replay.fill(Qt::magenta);
    {
        QPainter p(&replay);
        recording.play(&p);
    }
    EXPECT_EQ(replay, picture);

    // A scaled painter draws the same layout twice as large.
    QImage doubled(picture.size() * 2, QImage::Format_RGB32);
    doubled.fill(Qt::magenta);
    {
        QPainter p(&doubled);
        p.scale(2, 2);
        plot.Paint(p);
    }
    EXPECT_EQ(plot.Size(), QSize(200, 150));
    EXPECT_EQ(PixelColor(doubled, 398, 298), Around);
    EXPECT_EQ(PixelColor(doubled, 69, 29), Around);
    EXPECT_EQ(PixelColor(doubled, 70, 30), clWhite);
    EXPECT_EQ(PixelColor(doubled, 101, 61), Inside);

    // At a device pixel ratio of 2: the same layout in twice the pixels, and
    // a line covers both device rows of its plot row.
    const QImage sharp = plot.Picture(2);
    ASSERT_EQ(sharp.size(), QSize(400, 300));
    const int x = *plot.Indicator().ScreenX(plot.Indicator().StepX() / 2), y = *plot.Indicator().ScreenY(0);
    EXPECT_EQ(PixelColor(picture, x, y), clRed);
    const TPlotColor column[] = {Inside, clRed, clRed, Inside};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(PixelColor(sharp, 2 * x, 2 * y - 1 + i), column[i]) << i;
}

// Labels that fit nowhere whole are moved or left out: the X label -2Pi of
// this view would be cut to "i" at the plot's left edge.
TEST(Plot2D, NoAxisLabelIsCut) {
    TPlot2D plot;
    plot.ApplySettings(TSettings{});
    plot.SetSize({320, 240});
    TGraphDocument document;
    document.LoadFromFile(CURVANE_SOURCE_DIR "/examples/units_pi.gfx");
    plot.ShowDocument(document);
    const QRect control(QPoint(0, 0), plot.Size());
    bool seen = false;
    for (const TAxisLabel& label : plot.Indicator().AxisLabels()) {
        SCOPED_TRACE(label.Text.toStdString());
        EXPECT_TRUE(label.Clip.contains(label.Rect));
        EXPECT_TRUE(control.contains(label.Rect));
        seen = seen || label.Text == "-2Pi";
    }
    EXPECT_TRUE(seen);
}

TEST(Plot2D, FailingFunctionIsNamedAndTheRunReleasesTheEvaluators) {
    TPlot2D plot;
    plot.SetSize({200, 150});
    TGraphDocument document;
    TFuncList& list = document.Functions;
    TFuncItem& point = *list.Add(TFuncItem("x"));
    point.ManualLimits = true;
    point.From = point.To = 1;
    TFuncItem& faulty = *list.Add(TFuncItem("2"));
    list.Add(TFuncItem("x/2"));
    plot.ShowDocument(document);
    TRecordingDialog dialog;
    plot.Sample(document, std::nullopt, dialog);
    EXPECT_TRUE(dialog.LeasedWhileAsking);
    EXPECT_EQ(plot.FailedFunction(), -1);
    const TGraphPlines& curves = plot.Indicator().Plines();
    const int third = curves[2].Pline().Count();
    ASSERT_GT(third, 100);

    faulty.Expression = "sin(";
    EXPECT_THROW(plot.Sample(document, std::nullopt, dialog), ESyntaxError);
    EXPECT_FALSE(SharedEvaluatorsLeased());
    EXPECT_EQ(plot.FailedFunction(), 1);
    EXPECT_EQ(curves[0].Pline().Count(), 1) << "functions before the faulty one are sampled";
    EXPECT_EQ(curves[1].Pline().Count(), 0);
    EXPECT_EQ(curves[2].Pline().Count(), third) << "functions after it keep their curves";

    // Only one function; an index naming none samples nothing.
    faulty.Expression = "3";
    plot.Sample(document, 1, dialog);
    EXPECT_EQ(curves[1].Pline().GetVertex(0)[1], 3);
    plot.Sample(document, 7, dialog);
    EXPECT_EQ(plot.FailedFunction(), -1);
}

// Everything a sampling run leaves behind, to compare runs on different
// thread counts: curves bit for bit (gap vertices are NaN), pens, marks,
// the ranges kept, the function that failed and the error's text.
struct TRunTrace {
    std::vector<std::vector<double>> Curves;
    std::vector<std::pair<TPlotColor, int>> Pens;
    std::vector<double> MarkPositions;
    QStringList MarkTexts;
    std::vector<std::vector<double>> Kept;  // function, From, To, Step
    int Failed = -1;
    std::string Error;

    bool operator==(const TRunTrace& o) const {
        auto sameBits = [](const std::vector<double>& a, const std::vector<double>& b) {
            return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
        };
        return std::equal(Curves.begin(), Curves.end(), o.Curves.begin(), o.Curves.end(), sameBits) &&
               Pens == o.Pens && MarkPositions == o.MarkPositions && MarkTexts == o.MarkTexts && Kept == o.Kept &&
               Failed == o.Failed && Error == o.Error;
    }
};

TRunTrace SampleOn(int threads, TPlot2D& plot, const TGraphDocument& document) {
    SharedWorkPool().SetThreads(threads);
    TRunTrace trace;
    TRecordingDialog dialog;
    dialog.Swap = false;
    const auto keep = [&](int function, const TFuncItem& f) {
        trace.Kept.push_back({1.0 * function, f.From, f.To, f.Step});
    };
    try {
        plot.Sample(document, std::nullopt, dialog, keep);
    } catch (const std::exception& e) {
        trace.Error = e.what();
    }
    const TIndicator& ind = plot.Indicator();
    for (int i = 0; i < ind.Plines().Count(); ++i) {
        const TPline& curve = ind.Plines()[i].Pline();
        trace.Curves.emplace_back(curve.Data(), curve.Data() + curve.Count() * curve.Dimension());
        trace.Pens.emplace_back(ind.Plines()[i].Color(), ind.Plines()[i].Width());
    }
    for (int i = 0; i < ind.Marks().Count(); ++i) trace.MarkPositions.push_back(ind.Marks().GetVertex(i)[0]);
    trace.MarkTexts = ind.MarkTexts();
    trace.Failed = plot.FailedFunction();
    return trace;
}

TEST(Plot2D, SamplingOnSeveralThreadsLeavesWhatOneThreadLeaves) {
    TGraphDocument clean;
    clean.Parameters.Add({"k", 2});
    TFuncList& list = clean.Functions;
    auto add = [&](const char* formula) -> TFuncItem& { return *list.Add(TFuncItem(formula)); };
    add("sin(x)");
    TFuncItem& parametric = add("sin(2*t)");
    parametric.FuncKind = TFuncKind::fkParametric;
    parametric.Expression1 = "cos(3*t)";
    add("1+cos(a)").FuncType = TFuncType::ftPolar;
    add("x^3/20").Derivative = true;
    add("k*x");  // a parameter, read by every thread from the run's cells
    add("x^2+y^2-4").FuncKind = TFuncKind::fkImplicit;
    add("x").Active = false;
    add("ln(x)");  // undefined left of 0
    // Division by zero at 0 in two functions, and at 1: three marks, one each.
    for (const char* formula : {"1/x", "1/(x-1)", "2/x"}) {
        TFuncItem& f = add(formula);
        f.ManualLimits = true;
        f.From = -2;
        f.To = 2;
        f.Step = 0.125;
    }
    const int middle = list.Count();
    add("cos(x)*x");
    while (list.Count() < 20) add(("x/" + std::to_string(list.Count())).c_str());
    ASSERT_GE(static_cast<std::size_t>(list.Count()), TPlot2D::ThreadedSamplingMinFunctions);

    TGraphDocument syntaxError = clean;
    syntaxError.Functions[middle]->Expression = "cos(x";
    TGraphDocument rangeError = clean;  // Fact beyond 32 bits, for every x but 0
    rangeError.Functions[middle]->Expression = "Fact(x*1e10)";
    TGraphDocument cancel = clean;  // reversed limits, and the user cancels
    TFuncItem& reversed = *cancel.Functions[middle];
    reversed.ManualLimits = true;
    reversed.From = 1;
    reversed.To = -1;

    TPlot2D one, two;
    for (TPlot2D* plot : {&one, &two}) {
        plot->SetSize({200, 150});
        plot->ShowDocument(clean);
    }
    // The same sequence on each: the error runs find the curves of the run
    // before, and the functions after the failing one must keep them.
    for (const TGraphDocument* document : {&clean, &syntaxError, &rangeError, &cancel, &clean}) {
        const TRunTrace serial = SampleOn(1, one, *document);
        const TRunTrace pooled = SampleOn(2, two, *document);
        EXPECT_TRUE(serial == pooled) << "failed " << serial.Failed << "/" << pooled.Failed << ", error \""
                                      << serial.Error << "\" / \"" << pooled.Error << "\"";
        EXPECT_EQ(serial.MarkPositions, (std::vector<double>{0, 1}));
        EXPECT_EQ(serial.Failed, document == &clean || document == &cancel ? -1 : middle);
        EXPECT_EQ(serial.Kept.size(), document == &clean ? list.Count() : middle + 1);
        EXPECT_FALSE(SharedEvaluatorsLeased());
    }
    SharedWorkPool().SetThreads(static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u)));
}

TEST(Plot2D, SettingsGranularityCountsOnDimensionlessAxesOnly) {
    const struct {
        const char* Why;
        TUnits Units;
        double Stored;
        double Expected;
        const char* LabelOfHalfPi;
    } rows[] = {
        {"dimensionless takes the stored value", TUnits::uDimensionless, 0.5, 0.5, ""},
        {"radians keep pi", TUnits::uRadians, 1.0, std::numbers::pi, "Pi/2"},
        {"degrees keep pi whatever is stored", TUnits::uDegrees, 0.5, std::numbers::pi, "90"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TSettings settings;
        settings.Window2D.UnitsX = settings.Window2D.UnitsY = row.Units;
        settings.Window2D.GranularityX = settings.Window2D.GranularityY = row.Stored;
        TPlot2D plot;
        plot.ApplySettings(settings);
        EXPECT_EQ(plot.UnitsXMode(), row.Units);
        EXPECT_DOUBLE_EQ(plot.Indicator().GridGranularityX(), row.Expected);
        EXPECT_DOUBLE_EQ(plot.Indicator().GridGranularityY(), row.Expected);
        // The headless plot labels its axes in its units, as a window does.
        QString label;
        plot.Indicator().OnGetAxisLabel(std::numbers::pi / 2, TAxis::axX, label);
        EXPECT_EQ(label, row.LabelOfHalfPi);
    }
}

// Marked points are hollow circles drawn over the curves and nowhere else; a
// pinned label joins the picture (and so pictures and prints), kept inside
// the plot even for a point at its right edge.
TEST(Plot2D, PointMarksAreHollowCirclesAndThePinnedLabelIsPartOfThePicture) {
    constexpr TPlotColor Ring = 0x0000C0;
    TPlot2D plot;
    plot.Indicator().SetBackground(Inside);
    plot.SetSize({200, 150});
    const QImage bare = plot.Picture();
    const TIndicator& ind = plot.Indicator();
    TPointLayer& points = plot.Points();
    points.SetMarks({{5, 0.5, Ring, "Maximum: x = 5, y = 0.5"}, {-5, 3, Ring, "above the view"},
                     {9.9, -0.5, Ring, "Root: x = 9.9, y = 0"}});
    ASSERT_TRUE(points.Centre(ind, 0));
    EXPECT_FALSE(points.Centre(ind, 1)) << "a point above the view has no pixel";
    const QPoint c = *points.Centre(ind, 0), edge = *points.Centre(ind, 2);
    const auto changed = [&bare](const QImage& picture) {
        std::vector<QPoint> pixels;
        for (int y = 0; y < bare.height(); ++y)
            for (int x = 0; x < bare.width(); ++x)
                if (picture.pixel(x, y) != bare.pixel(x, y)) pixels.emplace_back(x, y);
        return pixels;
    };
    const auto onRing = [&](QPoint p) {
        return std::max(std::abs(p.x() - c.x()), std::abs(p.y() - c.y())) <= TPointLayer::Radius + 1 ||
               std::max(std::abs(p.x() - edge.x()), std::abs(p.y() - edge.y())) <= TPointLayer::Radius + 1;
    };

    const QImage marked = plot.Picture();
    EXPECT_EQ(PixelColor(marked, c.x(), c.y()), Inside) << "hollow";
    EXPECT_EQ(PixelColor(marked, c.x() + TPointLayer::Radius, c.y()), Ring);
    EXPECT_EQ(PixelColor(marked, c.x(), c.y() - TPointLayer::Radius), Ring);
    const std::vector<QPoint> ringPixels = changed(marked);
    EXPECT_TRUE(std::all_of(ringPixels.begin(), ringPixels.end(), onRing));

    // Hovering and pinning find the nearest mark within reach, on either axis.
    EXPECT_EQ(points.MarkAt(ind, c + QPoint(TPointLayer::ReachPixels, -2)), 0u);
    EXPECT_FALSE(points.MarkAt(ind, c + QPoint(0, TPointLayer::ReachPixels + 1)));

    const TPixelRect& r = ind.PlotRect();
    const QRect plotArea(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    for (const std::size_t pinned : {0u, 2u}) {
        SCOPED_TRACE(pinned);
        points.SetPinned(pinned);
        const QRect label = points.LabelRect(ind, pinned);
        EXPECT_TRUE(plotArea.contains(label)) << "the label stays inside the plot";
        int inLabel = 0;
        for (const QPoint p : changed(plot.Picture())) {
            EXPECT_TRUE(onRing(p) || label.contains(p)) << p.x() << "," << p.y();
            inLabel += label.contains(p) && !onRing(p);
        }
        EXPECT_GT(inLabel, label.width()) << "the box and its text are drawn";
    }
    points.Clear();
    EXPECT_EQ(plot.Picture(), bare);
}

// Data sets over the curves: a marker in its colour at its point's pixel,
// error bars reaching y +- dy and no further, the joining line between the
// points, hidden sets not at all; a scaled painter (printing, vector files)
// draws the same places. A change of the data sets reaches the picture.
TEST(Plot2D, DataSetsDrawMarkersErrorBarsAndLines) {
    constexpr TPlotColor Red = 0x0000FF, Blue = 0xFF0000, Olive = 0x008080;
    TGraphDocument document;
    document.View2D.FullGrid = false;
    TPlot2D plot;
    plot.Indicator().SetBackground(Inside);
    plot.SetSize({200, 150});
    plot.ShowDocument(document);
    const QImage bare = plot.Picture();

    TDataSet bars{.Name = "bars", .X = {4}, .Y = {4}, .DY = {3}, .Marker = TMarkerShape::msSquare,
                  .MarkerSize = 7, .Color = Red};
    TDataSet hidden{.Name = "hidden", .X = {-5}, .Y = {5}, .DY = {}, .Color = Blue, .Visible = false};
    TDataSet joined{.Name = "joined", .X = {-8, -2, 50}, .Y = {-6, -6, 1e300}, .DY = {}, .Marker = TMarkerShape::msPlus,
                    .Color = Olive, .Line = true};
    TGraphDocument withData = document;
    withData.DataSets = {bars, hidden, joined};
    plot.Follow(withData, DescribeChange(document, withData));
    const TMapping2D& m = plot.Indicator().Mapping();
    const QPoint centre = m.WorldToScreen(4, 4), top = m.WorldToScreen(4, 7), bottom = m.WorldToScreen(4, 1);
    const QPoint hiddenAt = m.WorldToScreen(-5, 5), lineMiddle = m.WorldToScreen(-5, -6);

    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage picture = plot.Picture(ratio);
        const auto at = [&](QPoint p) {
            return PixelColor(picture, static_cast<int>(p.x() * ratio), static_cast<int>(p.y() * ratio));
        };
        struct TRow {
            QPoint Pixel;
            TPlotColor Expected;
            const char* Reason;
        } rows[] = {
            {centre, Red, "the marker's centre"},
            {centre + QPoint(3, 3), Red, "the square's corner, 7 pixels across"},
            {centre + QPoint(6, 0), Inside, "beside the marker"},
            {(centre + top) / 2, Red, "the bar above the marker"},
            {top + QPoint(2, 0), Red, "the upper cap"},
            {top - QPoint(0, 3), Inside, "above the bar's end"},
            {bottom + QPoint(0, 3), Inside, "below the bar's end"},
            {hiddenAt, Inside, "a hidden set"},
            {lineMiddle, Olive, "the joining line between two points"},
        };
        for (const TRow& row : rows) EXPECT_EQ(at(row.Pixel), row.Expected) << row.Reason;
    }

    plot.Follow(document, DescribeChange(withData, document));
    EXPECT_EQ(plot.Picture(), bare) << "removed sets are gone";
}

// Bars and joining lines of a dense sorted series leave out what earlier
// ones of the set already covered: away from the markers the picture is
// pixel for pixel that of every segment handed to the curve rasteriser.
TEST(Plot2D, DenseBarsAndLinesMatchEverySegmentRasterised) {
    TGraphDocument document;
    document.View2D.FullGrid = false;
    TPlot2D plot;
    plot.Indicator().SetBackground(Inside);
    plot.SetSize({200, 150});
    plot.ShowDocument(document);
    const QImage bare = plot.Picture();
    TDataSet line{.Name = "line", .X = {}, .Y = {}, .DY = {}, .Marker = TMarkerShape::msDiamond, .MarkerSize = 3,
                  .Color = 0x00C0FF, .Line = true, .LineWidth = 1};
    TDataSet bars{.Name = "bars", .X = {}, .Y = {}, .DY = {}, .MarkerSize = 3, .Color = 0xFF80FF};
    std::srand(28);
    for (int i = 0; i < 4000; ++i) {
        const double x = -14 + 28.0 * i / 4000;  // beyond the view on both sides
        for (TDataSet* set : {&line, &bars}) set->X.Edit().push_back(x);
        line.Y.Edit().push_back(6 * std::sin(x) + 8.0 * std::rand() / RAND_MAX - 4);
        bars.Y.Edit().push_back(6 * std::cos(x) + 8.0 * std::rand() / RAND_MAX - 4);
        bars.DY.Edit().push_back(0.05 + 1.0 * std::rand() / RAND_MAX);
    }
    TGraphDocument withData = document;
    withData.DataSets = {line, bars};
    plot.Follow(withData, DescribeChange(document, withData));
    const QImage drawn = plot.Picture();
    withData.DataSets[0].Line = withData.DataSets[1].ErrorBars = false;
    plot.Follow(withData, DescribeChange(document, withData));
    const QImage markers = plot.Picture();

    const TIndicator& indicator = plot.Indicator();
    const TPixelRect r = indicator.CurveRect();
    TCurveLayer layer(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    ASSERT_TRUE(layer.Prepare());
    {
        const auto pixel = [&](double x, double y) {
            const double v[2] = {x, y};
            QPoint p;
            EXPECT_TRUE(indicator.Mapping().VertexPixel(v, 2, p));
            return p;
        };
        TCurveRaster lines(layer, line.LineWidth, qPremultiply(ToQColor(line.Color).rgba()));
        for (std::size_t i = 0; i < line.Count(); ++i) lines.LineTo(pixel(line.X[i], line.Y[i]));
        lines.Flush();
        TCurveRaster bar(layer, 1, qPremultiply(ToQColor(bars.Color).rgba()));
        const QPoint cap(bars.MarkerSize / 2, 0);
        for (std::size_t i = 0; i < bars.Count(); ++i) {
            const QPoint low = pixel(bars.X[i], bars.Y[i] - bars.DY[i]);
            const QPoint high = pixel(bars.X[i], bars.Y[i] + bars.DY[i]);
            for (const auto& [a, b] : {std::pair{low, high}, std::pair{low - cap, low + cap},
                                       std::pair{high - cap, high + cap}}) {
                bar.Break();
                bar.LineTo(a);
                bar.LineTo(b);
            }
        }
    }
    QImage expected = bare;
    {
        QPainter painter(&expected);
        layer.DrawOnto(painter);
    }
    int compared = 0, differ = 0;
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x)
            if (markers.pixel(x, y) == bare.pixel(x, y)) {
                ++compared;
                differ += drawn.pixel(x, y) != expected.pixel(x, y);
            }
    EXPECT_GT(compared, 1000);
    EXPECT_EQ(differ, 0);
    EXPECT_NE(drawn, markers) << "bars and a line were drawn at all";
}

}  // namespace
}  // namespace curvane
