// SPDX-License-Identifier: GPL-3.0-or-later
// The 2D engine against bare QPainter, and the cost of long curves.
//
// 1. One full paint of a 1920 x 1080 plot (full grid, labels, 20 curves of
//    1,920 vertices) next to drawing the same polylines, already in pixels,
//    with QPainter::drawPolyline and the same pens into the same image.
// 2. One curve that runs far beyond both sides of the view, painted with and
//    without OutPlineCut, for growing lengths.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <benchmark/benchmark.h>

#include "render/color.h"
#include "render/fonts.h"
#include "render/plot2d/indicator.h"

namespace curvane {
namespace {

constexpr int ImageW = 1920, ImageH = 1080;
constexpr int Curves = 20, Vertices = 1920;

TPlotColor CurveColor(int i) {
    return static_cast<TPlotColor>(((37 * i + 80) & 0xFF) | (((91 * i + 40) & 0xFF) << 8) |
                                   (((53 * i + 160) & 0xFF) << 16));
}

// The indicator of a 2D window with its settings' look: full dotted grid,
// labels, 20 curves sampled one vertex per pixel column.
void SetUpPlot(TIndicator& ind) {
    ind.Layout({0, 0, ImageW, ImageH});
    ind.SetXRange(-10, 10);
    ind.SetYRange(-6, 6);
    ind.SetFullGrid(true);
    ind.SetGridLineStyle(Qt::DotLine);
    ind.SetLabels(true);
    ind.SetGridFont(MakePlotFont("Terminal", 9, true));
    const double step = ind.WorldWidth() / Vertices;
    for (int c = 0; c < Curves; ++c) {
        TGraphPline& item = ind.Plines().Add();
        item.SetColor(CurveColor(c));
        item.SetWidth(1 + c % 2);
        for (int i = 0; i < Vertices; ++i) {
            const double x = ind.WorldLeft() + i * step;
            item.Pline().AddVertex({x, 5 * std::sin(x * (0.3 + 0.1 * c) + c), 0});
        }
    }
}

void BM_EnginePaint(benchmark::State& state) {
    TIndicator ind;
    SetUpPlot(ind);
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::lightGray);
        QPainter p(&image);
        ind.Paint(p);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_BareDrawPolyline(benchmark::State& state) {
    TIndicator ind;
    SetUpPlot(ind);
    std::vector<QPolygon> polygons;
    std::vector<QPen> pens;
    for (int c = 0; c < Curves; ++c) {
        const TGraphPline& item = ind.Plines()[c];
        QPolygon polygon;
        for (int i = 0; i < item.Pline().Count(); ++i) {
            const double* v = item.Pline().GetVertex(i);
            polygon << ind.WorldToScreen(v[0], v[1]);
        }
        polygons.push_back(polygon);
        const int w = item.Width();
        pens.push_back(w <= 1 ? QPen(ToQColor(item.Color()), 1, Qt::SolidLine, Qt::FlatCap)
                              : QPen(ToQColor(item.Color()), w, Qt::SolidLine, Qt::RoundCap,
                                     Qt::RoundJoin));
    }
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter p(&image);
        for (int c = 0; c < Curves; ++c) {
            p.setPen(pens[c]);
            p.drawPolyline(polygons[c]);
        }
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// One sine curve from -n/2 to n/2 world units at ten vertices a unit; the
// view shows -10..10 of it, 200 vertices.
void BM_LongCurve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool cut = state.range(1) != 0;
    TIndicator ind;
    ind.Layout({0, 0, ImageW, ImageH});
    ind.SetOutPlineCut(cut);
    ind.SetYRange(-2, 2);
    TGraphPline& item = ind.Plines().Add();
    for (int i = 0; i < n; ++i) {
        const double x = (i - n / 2) * 0.1;
        item.Pline().AddVertex({x, std::sin(x), 0});
    }
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        ind.Paint(p);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(cut ? "cut" : "whole");
}

BENCHMARK(BM_EnginePaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDrawPolyline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongCurve)
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

// Keeps the median (or the only) CPU time of every run for the ratios: the
// machine is shared, and painting runs on this one thread.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                const std::string name = run.run_name.str();
                if (median || !Times.count(name)) Times[name] = run.GetAdjustedCPUTime();
                if (median) Medians[name] = true;
            }
        }
    }
    std::map<std::string, double> Times;
    std::map<std::string, bool> Medians;
};

}  // namespace
}  // namespace curvane

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    curvane::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    curvane::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.Times;
    auto get = [&](const std::string& name) {
        const auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    const double engine = get("BM_EnginePaint"), bare = get("BM_BareDrawPolyline");
    if (engine > 0 && bare > 0)
        std::printf("\nfull paint / bare drawPolyline (CPU): %.3f ms / %.3f ms = %.2fx (target <= 1.30x)\n",
                    engine, bare, engine / bare);
    std::printf("\nlong curve, one paint (CPU us): vertices      cut    whole\n");
    for (int n : {1000, 10000, 100000, 1000000}) {
        const std::string base = "BM_LongCurve/" + std::to_string(n);
        const double cut = get(base + "/1"), whole = get(base + "/0");
        if (cut > 0 || whole > 0)
            std::printf("                             %8d %8.1f %8.1f\n", n, cut, whole);
    }
    return 0;
}
