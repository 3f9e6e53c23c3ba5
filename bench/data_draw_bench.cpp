// SPDX-License-Identifier: GPL-3.0-or-later
// Data sets drawn into a 1920 x 1080 plot (TPlot2D::Paint into a QImage):
// - the picture without data, and with 1,000,000 points as markers of each
//   shape (size 5) in random order, as circles in ascending x, with error
//   bars and with a joining line (ascending x, as a measured series), and
//   with nine in ten points outside the view (culled);
// - the same million markers as circles drawn by QPainter::drawEllipse one
//   by one, over a tenth of the points and scaled up, which is what handing
//   every marker to Qt would cost.
// The summary gives the data's own share (the frame less the frame without
// data) against the 50 ms a million points may take.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "core/document/graph_document.h"
#include "core/settings/settings.h"
#include "render/fonts.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

constexpr int ImageW = 1920, ImageH = 1080;
constexpr std::size_t Points = 1000000;

// Points scattered about a sine across the view, or across ten times its
// width when `outside` (so nine in ten fall beside it); in random order, or
// ascending in x as a measured series comes.
TDataSet MakeSet(TMarkerShape shape, bool outside, bool sorted = false) {
    std::mt19937_64 random(27);
    std::uniform_real_distribution<double> x(outside ? -100 : -10, outside ? 100 : 10);
    std::normal_distribution<double> noise(0, 0.5);
    TDataSet set;
    set.Marker = shape;
    set.Color = 0x2040C0;
    std::vector<double> xs(Points), ys(Points);
    for (double& v : xs) v = x(random);
    if (sorted) std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i < Points; ++i) ys[i] = 5 * std::sin(xs[i]) + noise(random);
    set.X = std::move(xs);
    set.Y = std::move(ys);
    set.DY = std::vector<double>(Points, 0.3);
    return set;
}

enum TVariant { vMarkers, vSorted, vErrorBars, vBarsRandom, vLine, vOutside, vNoData, vHiDpi };

void PaintFrame(benchmark::State& state, TMarkerShape shape, TVariant variant) {
    TGraphDocument document;
    if (variant != vNoData) {
        const bool sorted = variant == vSorted || variant == vLine || variant == vErrorBars;
        TDataSet set = MakeSet(shape, variant == vOutside, sorted);
        set.ErrorBars = variant == vErrorBars || variant == vBarsRandom;
        set.Line = variant == vLine;
        if (!set.ErrorBars) set.DY = {};
        document.DataSets.push_back(std::move(set));
    }
    TPlot2D plot;
    plot.ApplySettings(TSettings());
    plot.SetSize({ImageW, ImageH});
    plot.ShowDocument(document);
    plot.Indicator().ZoomToRect({-10, -10}, {10, 10});
    // A display at 200%: the same plot on twice the device pixels each way.
    const int ratio = variant == vHiDpi ? 2 : 1;
    QImage image(ImageW * ratio, ImageH * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        QPainter p(&image);
        plot.Paint(p);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_NoData(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vNoData); }
void BM_Markers(benchmark::State& state) {
    PaintFrame(state, static_cast<TMarkerShape>(state.range(0)), vMarkers);
}
void BM_Sorted(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vSorted); }
void BM_ErrorBars(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vErrorBars); }
// Bars in no order: neighbours in a column seldom follow each other.
void BM_ErrorBarsRandom(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vBarsRandom); }
void BM_HiDpi(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vHiDpi); }
void BM_Line(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vLine); }
void BM_Outside(benchmark::State& state) { PaintFrame(state, TMarkerShape::msCircle, vOutside); }

// A tenth of the points, each a smoothed drawEllipse; the summary scales it
// by ten.
void BM_QPainterEllipses(benchmark::State& state) {
    const TDataSet set = MakeSet(TMarkerShape::msCircle, false);
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC0, 0x40, 0x20));
        for (std::size_t i = 0; i < Points / 10; ++i)
            p.drawEllipse(QPointF((set.X[i] + 10) * ImageW / 20, (10 - set.Y[i]) * ImageH / 20), 2.5, 2.5);
        benchmark::DoNotOptimize(image.constBits());
    }
}

constexpr auto Unit = benchmark::kMillisecond;
BENCHMARK(BM_NoData)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_Markers)->DenseRange(0, 5)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_Sorted)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_ErrorBars)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_ErrorBarsRandom)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_HiDpi)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_Line)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_Outside)->Unit(Unit)->MeasureProcessCPUTime();
BENCHMARK(BM_QPainterEllipses)->Unit(Unit)->MeasureProcessCPUTime();

// Keeps each run's CPU time (the median's, when repeated) for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.aggregate_name.empty() || r.aggregate_name == "median")
                Times[r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args)] =
                    r.GetAdjustedCPUTime();
    }
    std::map<std::string, double> Times;
};

}  // namespace
}  // namespace curvane

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    curvane::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    curvane::TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto& t = reporter.Times;
    auto get = [&](const std::string& n) { return t.contains(n) ? t.at(n) : 0.0; };
    const double none = get("BM_NoData");
    std::printf("\nCPU ms for 1,000,000 points at 1920 x 1080, less the frame without data (%.2f ms)\n", none);
    const char* shapes[] = {"circle", "square", "diamond", "triangle", "cross", "plus"};
    for (int s = 0; s < 6; ++s)
        std::printf("  markers, %-9s %8.2f\n", shapes[s], get("BM_Markers/" + std::to_string(s)) - none);
    std::printf("  circles, ascending x %5.2f\n  + error bars (ascending) %6.2f\n  + error bars (random) %9.2f\n"
                "  + line (ascending) %12.2f\n  circles, 9/10 outside %4.2f\n",
                get("BM_Sorted") - none, get("BM_ErrorBars") - none, get("BM_ErrorBarsRandom") - none,
                get("BM_Line") - none, get("BM_Outside") - none);
    std::printf("  circles at 200%% (whole frame) %9.2f\n", get("BM_HiDpi"));
    std::printf("  QPainter drawEllipse each (x10) %8.2f\n", get("BM_QPainterEllipses") * 10);
    return 0;
}
