// SPDX-License-Identifier: GPL-3.0-or-later
// Many curves in one frame: a 1920 x 1080 plot of 200 Cartesian functions
// sampled again and painted, as a frame of panning with Autoredraw does it.
//
// Side by side in one run:
// - the whole frame (TPlot2D::Sample + TPlot2D::Paint into a QImage) with
//   200 functions and with the ten functions of the 2D window benchmark;
// - its two halves alone (sampling; painting), and the picture without
//   curves;
// - bare QPainter::drawPolyline of the same pixel points with the same pens,
//   which is what painting would cost if it only handed the curves to Qt.
// Each with the curves aliased (the second argument 0) and smoothed (1). The
// summary gives the ratios the smooth painter is held to: smooth frame over
// aliased frame, and the smooth frame of ten functions.
// - sampling the 200 functions on one thread and on two, against the batch
//   entry alone over as many points on as many threads (sample/batch).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <benchmark/benchmark.h>

#include "bench_scenes.h"
#include "core/document/compiled_function.h"
#include "core/document/func_item.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/work_pool.h"
#include "render/color.h"
#include "render/fonts.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

constexpr int ImageW = 1920, ImageH = 1080;

// The pool's own thread count, which the sampling rows change and restore.
const int DefaultThreads = SharedWorkPool().Threads();

using bench::TenFormulas;
using bench::TYes;

// A plot with the look a new 2D window takes from the default settings, and
// `count` functions: the ten of the window benchmark, or sin(x+k/10)*k/20
// for k = 1..count. Pen widths 1 and 2 alternate, or all are `width`.
struct TBenchPlot {
    TPlot2D Plot;
    TGraphDocument Document;
};

std::unique_ptr<TBenchPlot> MakePlot(int count, int width) {
    auto bench = std::make_unique<TBenchPlot>();
    TPlot2D* plot = &bench->Plot;
    plot->ApplySettings(TSettings());
    plot->Indicator().SetAntialiasing(false);
    plot->SetSize({ImageW, ImageH});
    plot->Indicator().ZoomToRect({-10, -10}, {10, 10});
    for (int k = 1; k <= count; ++k) {
        TFuncItem f(count == 10 ? std::string(TenFormulas[k - 1])
                                : "sin(x+" + std::to_string(k) + "/10)*" + std::to_string(k) + "/20");
        f.Color = static_cast<std::int32_t>(((37 * k + 80) & 0xFF) | (((91 * k + 40) & 0xFF) << 8) |
                                            (((53 * k + 160) & 0xFF) << 16));
        f.Width = width > 0 ? width : 1 + (k + 1) % 2;
        bench->Document.Functions.Add(std::move(f));
    }
    TYes yes;
    plot->Sample(bench->Document, std::nullopt, yes);
    return bench;
}

// The plots are made once: formulas compile on their first sampling.
TBenchPlot& Plot(int count, bool smooth, int width = 0) {
    static std::map<std::pair<int, int>, std::unique_ptr<TBenchPlot>> plots;
    auto& p = plots[{count, width}];
    if (!p) p = MakePlot(count, width);
    p->Plot.Indicator().SetAntialiasing(smooth);
    return *p;
}

void PaintInto(const TPlot2D& plot, QImage& image) {
    QPainter p(&image);
    plot.Paint(p);
}

void BM_Frame(benchmark::State& state) {
    TBenchPlot& bench = Plot(static_cast<int>(state.range(0)), state.range(1) != 0);
    TPlot2D& plot = bench.Plot;
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    TYes yes;
    for (auto _ : state) {
        plot.Sample(bench.Document, std::nullopt, yes);
        PaintInto(plot, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The second argument is the number of threads sampling (SharedWorkPool).
void BM_Sample(benchmark::State& state) {
    TBenchPlot& bench = Plot(static_cast<int>(state.range(0)), false);
    SharedWorkPool().SetThreads(static_cast<int>(state.range(1)));
    TYes yes;
    const std::uint64_t before = bench.Plot.EvaluatedPoints();
    for (auto _ : state) bench.Plot.Sample(bench.Document, std::nullopt, yes);
    state.counters["points"] =
        static_cast<double>(bench.Plot.EvaluatedPoints() - before) / static_cast<double>(state.iterations());
    SharedWorkPool().SetThreads(DefaultThreads);
}

// The batch entry alone (TCompiledFunction::EvaluateBatch) over as many points
// as one sampling of the 200 functions evaluates, each formula compiled once
// into an evaluator of its own, over the same range in runs of SampleChunk,
// and shared out between the same number of threads as BM_Sample: what the
// formulas cost without the sampler around them.
void BM_BatchEntry(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TBenchPlot& bench = Plot(count, false);
    TYes yes;
    const std::uint64_t before = bench.Plot.EvaluatedPoints();
    bench.Plot.Sample(bench.Document, std::nullopt, yes);
    const std::size_t perFunction = (bench.Plot.EvaluatedPoints() - before) / static_cast<std::size_t>(count);
    const TParameterBinding binding(bench.Document.Parameters);
    std::vector<TCompiledFunction> formulas;
    for (int k = 0; k < count; ++k)
        formulas.push_back(TCompiledFunction::Private(EvalOrtho(), bench.Document.Functions[k]->Expression));
    std::vector<double> params(perFunction);
    for (std::size_t i = 0; i < perFunction; ++i) params[i] = -10 + 20.0 * static_cast<double>(i) / perFunction;
    SharedWorkPool().SetThreads(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        SharedWorkPool().Run(formulas.size(), [&](std::size_t k) {
            std::array<double, SampleChunk> out;
            std::array<TSampleFault, SampleChunk> faults;
            for (std::size_t start = 0; start < perFunction; start += SampleChunk) {
                const std::size_t n = std::min(SampleChunk, perFunction - start);
                formulas[k].EvaluateBatch(params.data() + start, n, out.data(), faults.data());
                benchmark::DoNotOptimize(out.data());
            }
        });
    }
    state.counters["points"] = static_cast<double>(perFunction * formulas.size());
    SharedWorkPool().SetThreads(DefaultThreads);
}

void BM_Paint(benchmark::State& state) {
    TPlot2D& plot = Plot(static_cast<int>(state.range(0)), state.range(1) != 0).Plot;
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintInto(plot, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The 200 functions all drawn with one pen width: where the painting goes.
void BM_PaintWidth(benchmark::State& state) {
    TPlot2D& plot = Plot(200, state.range(1) != 0, static_cast<int>(state.range(0))).Plot;
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintInto(plot, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The same plot's look with no curves: background, frame, grid, labels.
void BM_PaintNoCurves(benchmark::State& state) {
    TPlot2D plot;
    plot.ApplySettings(TSettings());
    plot.SetSize({ImageW, ImageH});
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        PaintInto(plot, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Every curve's vertices in pixels, drawn whole with drawPolyline and the
// pens the engine uses (a vertex with no pixel is left out).
void BM_BareDrawPolyline(benchmark::State& state) {
    const bool smooth = state.range(1) != 0;
    const TPlot2D& plot = Plot(static_cast<int>(state.range(0)), smooth).Plot;
    const TIndicator& ind = plot.Indicator();
    std::vector<QPolygon> polygons;
    std::vector<QPen> pens;
    for (int c = 0; c < ind.Plines().Count(); ++c) {
        const TGraphPline& item = ind.Plines()[c];
        QPolygon polygon;
        for (int i = 0; i < item.Pline().Count(); ++i) {
            const double* v = item.Pline().GetVertex(i);
            const std::optional<int> x = ind.ScreenX(v[0]), y = ind.ScreenY(v[1]);
            if (x && y) polygon << QPoint(*x, *y);
        }
        polygons.push_back(polygon);
        const int w = item.Width();
        pens.push_back(w <= 1 ? QPen(ToQColor(item.Color()), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin)
                              : QPen(ToQColor(item.Color()), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    QImage image(ImageW, ImageH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, smooth);
        for (std::size_t c = 0; c < polygons.size(); ++c) {
            p.setPen(pens[c]);
            p.drawPolyline(polygons[c]);
        }
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_Frame)->ArgsProduct({{10, 200}, {0, 1}})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
// Real time, and the CPU time of every thread of the process: with threads
// sampling, the calling thread's own time would leave the workers' out.
BENCHMARK(BM_Sample)
    ->Args({10, 1})
    ->Args({200, 1})
    ->Args({200, 2})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_BatchEntry)
    ->Args({200, 1})
    ->Args({200, 2})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Paint)->ArgsProduct({{10, 200}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWidth)->ArgsProduct({{1, 2, 5}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintNoCurves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDrawPolyline)->ArgsProduct({{10, 200}, {0, 1}})->Unit(benchmark::kMillisecond);

// Keeps the median (or the only) CPU time of every run for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                // Without the "/process_time/real_time" that some rows add.
                const std::string& args = run.run_name.args;
                const std::string name = run.run_name.function_name + (args.empty() ? "" : "/" + args);
                if (median || !Times.count(name)) {
                    Times[name] = run.GetAdjustedCPUTime();
                    RealTimes[name] = run.GetAdjustedRealTime();
                    if (const auto points = run.counters.find("points"); points != run.counters.end())
                        Points[name] = points->second;
                }
            }
        }
    }
    std::map<std::string, double> Times;
    std::map<std::string, double> RealTimes;
    std::map<std::string, double> Points;
};

}  // namespace
}  // namespace curvane

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    curvane::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    curvane::TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto get = [&](const std::string& name) {
        const auto it = reporter.Times.find(name);
        return it == reporter.Times.end() ? 0.0 : it->second;
    };
    const double none = get("BM_PaintNoCurves");
    std::printf("\nCPU ms per frame (1920 x 1080)  curves    frame  sample   paint  curves  bare drawPolyline"
                "  curves/bare\n");
    for (const char* n : {"10", "200"})
        for (const char* smooth : {"0", "1"}) {
            const std::string s = std::string("/") + n + "/" + smooth;
            const double frame = get("BM_Frame" + s), sample = get(std::string("BM_Sample/") + n + "/1");
            const double paint = get("BM_Paint" + s), bare = get("BM_BareDrawPolyline" + s);
            if (frame <= 0) continue;
            std::printf("%3s functions                 %-8s %7.2f %7.2f %7.2f %7.2f %18.2f %11.2fx\n", n,
                        *smooth == '1' ? "smooth" : "aliased", frame, sample, paint, paint - none, bare,
                        bare > 0 ? (paint - none) / bare : 0.0);
        }
    std::printf("picture without curves: %.2f ms; target for 200 aliased functions: 33 ms\n", none);
    const double aliased200 = get("BM_Frame/200/0"), smooth200 = get("BM_Frame/200/1");
    if (aliased200 > 0 && smooth200 > 0)
        std::printf("200 functions, smooth frame / aliased frame: %.2fx (target at most 1.5x)\n", smooth200 / aliased200);
    if (get("BM_Paint/200/0") > none && get("BM_Paint/200/1") > none)
        std::printf("200 functions, painting the curves smooth / aliased: %.2fx\n",
                    (get("BM_Paint/200/1") - none) / (get("BM_Paint/200/0") - none));
    if (get("BM_Frame/10/1") > 0)
        std::printf("10 functions, smooth frame: %.2f ms (target at most 6 ms)\n", get("BM_Frame/10/1"));
    for (const char* smooth : {"0", "1"})
        std::printf("painting 200 functions all of pen width 1 / 2 / 5, %s: %.2f / %.2f / %.2f ms\n",
                    *smooth == '1' ? "smooth" : "aliased", get(std::string("BM_PaintWidth/1/") + smooth),
                    get(std::string("BM_PaintWidth/2/") + smooth), get(std::string("BM_PaintWidth/5/") + smooth));
    auto real = [&](const std::string& name) {
        const auto it = reporter.RealTimes.find(name);
        return it == reporter.RealTimes.end() ? 0.0 : it->second;
    };
    std::printf("\nsampling 200 functions  threads  real ms  CPU ms  ns/point  batch entry real ms  sample/batch\n");
    for (const char* threads : {"1", "2"}) {
        const std::string args = std::string("/200/") + threads;
        const double sample = real("BM_Sample" + args), batch = real("BM_BatchEntry" + args);
        if (sample <= 0) continue;
        const double points = reporter.Points["BM_Sample" + args];
        std::printf("%32s %8.2f %7.2f %9.1f %20.2f %12.2fx\n", threads, sample, get("BM_Sample" + args),
                    points > 0 ? sample * 1e6 / points : 0.0, batch, batch > 0 ? sample / batch : 0.0);
    }
    return 0;
}
