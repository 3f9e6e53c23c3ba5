// SPDX-License-Identifier: GPL-3.0-or-later
// One step of a parameter's slider, as the document change path runs it: the
// document with the new value, DescribeChange against the one before, the
// plot following the change (which functions to sample), those functions
// sampled again with the new value, and the picture painted.
//
// - 2D: a 1920 x 1080 plot of the ten functions of the 2D window benchmark,
//   each multiplied by k, with the default look (smooth curves) and aliased;
//   and 200 functions sin(x+j/10)*j/20*k aliased (Antialiasing=0). Timed on
//   the thread's CPU clock: the cost of a frame to the program, whatever
//   else shares the cores.
// - beside them, in the same run, the frame a pan makes (all sampled and
//   painted, no document path) and the document half of a step alone.
// - 3D: z = sin(k*x)*cos(y) over 101 x 101 samples: the meshes rebuilt, then
//   the scene drawn at 1280 x 960 through the off-screen EGL context, each
//   half timed alone (wall time; the drawing runs on llvmpipe's threads).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

#include <GL/gl.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "bench_scenes.h"
#include "core/document/document_change.h"
#include "core/document/graph_document.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "render/fonts.h"
#include "render/plot2d/plot2d.h"
#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/plot3d.h"

namespace curvane {
namespace {

constexpr int ImageW = 1920, ImageH = 1080;
constexpr int SceneW = 1280, SceneH = 960;
constexpr double Target2DSmoothMs = 16;    // ten functions: one frame at 60 Hz
constexpr double Target2DManyMs = 50;      // 200 functions, aliased
constexpr double Target3DMs = 33;          // the surface rebuilt and drawn

using bench::TenFormulas;
using bench::TYes;

struct TQuiet : TMeshDialog {
    bool ConfirmLongMesh(const std::string&, double) override { return true; }
    void RefuseRange(const std::string&) override {}
};

TParameter ParameterK() {
    TParameter k;
    k.Name = "k";
    return k;
}

// The next value of a drag: small moves over the range, as a hand makes them.
double NextValue(const TGraphDocument& document) {
    const double value = document.Parameters[0].Value + 0.01;
    return value > 2 ? 0.5 : value;
}

struct TSlider2D {
    TPlot2D Plot;
    TGraphDocument Document;
    QImage Image{ImageW, ImageH, QImage::Format_ARGB32_Premultiplied};
    TYes Yes;

    TSlider2D(int count, bool smooth) {
        Plot.ApplySettings(TSettings());
        Plot.Indicator().SetAntialiasing(smooth);
        Plot.SetSize({ImageW, ImageH});
        Plot.Indicator().ZoomToRect({-10, -10}, {10, 10});
        Document.Parameters.Add(ParameterK());
        for (int j = 1; j <= count; ++j) {
            TFuncItem f(count == 10 ? "(" + std::string(TenFormulas[j - 1]) + ")*k"
                                    : "sin(x+" + std::to_string(j) + "/10)*" + std::to_string(j) + "/20*k");
            f.Color = static_cast<std::int32_t>(((37 * j + 80) & 0xFF) | (((91 * j + 40) & 0xFF) << 8) |
                                                (((53 * j + 160) & 0xFF) << 16));
            f.Width = 1 + (j + 1) % 2;
            Document.Functions.Add(std::move(f));
        }
        Plot.ShowDocument(Document);
        Plot.Sample(Document, std::nullopt, Yes);
    }

    // Returns how many functions were sampled again.
    std::size_t Step() {
        TGraphDocument after = Document;
        after.Parameters[0].Value = NextValue(Document);
        const TDocumentChange change = DescribeChange(Document, after);
        Document = std::move(after);
        if (Plot.Follow(Document, change) == TPlotNeed::pnSampleListed) Plot.Sample(Document, change.Functions, Yes);
        QPainter painter(&Image);
        Plot.Paint(painter);
        return change.Functions.size();
    }
};

void BM_SliderStep2D(benchmark::State& state) {
    TSlider2D slider(static_cast<int>(state.range(0)), state.range(1) != 0);
    std::size_t sampled = 0;
    for (auto _ : state) sampled = slider.Step();
    if (sampled != static_cast<std::size_t>(state.range(0))) state.SkipWithError("not every function was resampled");
    state.SetLabel(state.range(1) ? "smooth" : "aliased");
}
BENCHMARK(BM_SliderStep2D)->Args({10, 1})->Args({10, 0})->Args({200, 0})->Unit(benchmark::kMillisecond);

// Beside it: the frame a pan makes (every function sampled, painted), with
// no document copied or compared; and the document half of a step alone
// (copy, new value, DescribeChange).
void BM_Frame2D(benchmark::State& state) {
    TSlider2D slider(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        slider.Plot.Sample(slider.Document, std::nullopt, slider.Yes);
        QPainter painter(&slider.Image);
        slider.Plot.Paint(painter);
    }
}
BENCHMARK(BM_Frame2D)->Args({10, 1})->Args({10, 0})->Args({200, 0})->Unit(benchmark::kMillisecond);

void BM_DescribeChange(benchmark::State& state) {
    TSlider2D slider(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        TGraphDocument after = slider.Document;
        after.Parameters[0].Value = NextValue(slider.Document);
        benchmark::DoNotOptimize(DescribeChange(slider.Document, after));
        slider.Document = std::move(after);
    }
}
BENCHMARK(BM_DescribeChange)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Argument 0: the rebuild alone; 1: the drawing alone; 2: both, one step.
void BM_SliderStep3D(benchmark::State& state) {
    TOffscreenGL gl(QSize(SceneW, SceneH));
    TPlot3D plot;
    TGraphDocument document;
    document.WindowType = TWindowType::wt3D;
    document.Parameters.Add(ParameterK());
    TFuncItem f("sin(k*x)*cos(y)", true);
    f.Color = 0x3080FF;
    f.Step = f.StepY = 0.1;
    document.Functions.Add(std::move(f));
    plot.Style().DrawType = 2;
    plot.ShowDocument(document);
    TQuiet quiet;
    TMeshRebuildReport report;
    plot.Rebuild(document, quiet, report);
    gl.MakeCurrent();
    plot.InitializeGL();
    const int part = static_cast<int>(state.range(0));
    double cpu = 0;
    for (auto _ : state) {
        TGraphDocument after = document;
        after.Parameters[0].Value = NextValue(document);
        const double wall0 = WallMs(), cpu0 = ThreadCpuMs();
        double rebuilt = 0, rebuiltCpu = 0;
        if (part != 1) {
            const TDocumentChange change = DescribeChange(document, after);
            if (plot.Follow(after, change) == TPlotNeed::pnSampleAll) plot.Rebuild(after, quiet, report);
            rebuilt = WallMs() - wall0;
            rebuiltCpu = ThreadCpuMs() - cpu0;
        }
        document = std::move(after);
        if (part == 0) {
            state.SetIterationTime(rebuilt / 1000);
            cpu += rebuiltCpu;
            continue;
        }
        if (part == 1) plot.MeshesChanged();  // the new meshes are laid out again, as after a rebuild
        const double draw0 = WallMs(), drawCpu0 = ThreadCpuMs();
        plot.Paint(SceneW, SceneH);
        glFinish();
        state.SetIterationTime((part == 1 ? WallMs() - draw0 : WallMs() - wall0) / 1000);
        cpu += part == 1 ? ThreadCpuMs() - drawCpu0 : ThreadCpuMs() - cpu0;
    }
    state.counters["thread_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.SetLabel(part == 0 ? "rebuild" : part == 1 ? "draw" : "rebuild + draw");
}
BENCHMARK(BM_SliderStep3D)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Keeps the median (or the only) time of every run for the summary: CPU
// time, or the manual (wall) time where the benchmark sets one.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median) continue;
            const std::string name = run.run_name.str();
            if (!median && Times.count(name)) continue;
            Times[name] = run.run_name.function_name == "BM_SliderStep3D" ? run.GetAdjustedRealTime()
                                                                          : run.GetAdjustedCPUTime();
        }
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

    const auto get = [&](const std::string& name) {
        const auto it = reporter.Times.find(name);
        return it == reporter.Times.end() ? 0.0 : it->second;
    };
    std::printf("\none slider step                                  ms   target   ms / target\n");
    const struct {
        const char* Name;
        const char* Run;
        double Target;
    } rows[] = {
        {"2D, 10 functions, smooth (CPU)", "BM_SliderStep2D/10/1", curvane::Target2DSmoothMs},
        {"2D, 10 functions, aliased (CPU)", "BM_SliderStep2D/10/0", curvane::Target2DSmoothMs},
        {"2D, 200 functions, aliased (CPU)", "BM_SliderStep2D/200/0", curvane::Target2DManyMs},
        {"3D, 101 x 101 surface, rebuild (wall)", "BM_SliderStep3D/0/manual_time", curvane::Target3DMs},
        {"3D, 101 x 101 surface, draw (wall)", "BM_SliderStep3D/1/manual_time", curvane::Target3DMs},
        {"3D, 101 x 101 surface, rebuild + draw (wall)", "BM_SliderStep3D/2/manual_time", curvane::Target3DMs},
    };
    for (const auto& row : rows) {
        const double ms = get(row.Run);
        if (ms <= 0) continue;
        std::printf("%-46s %7.2f %8.0f %12.2f\n", row.Name, ms, row.Target, ms / row.Target);
    }
    std::printf("\n2D, CPU ms                        step   pan frame   step / frame   of which document copy + DescribeChange\n");
    for (const char* args : {"10/1", "10/0", "200/0"}) {
        const std::string a = args;
        const double step = get("BM_SliderStep2D/" + a), frame = get("BM_Frame2D/" + a);
        const double describe = get("BM_DescribeChange/" + a.substr(0, a.find('/')));
        if (step <= 0 || frame <= 0) continue;
        std::printf("%-6s functions, %-12s %8.2f %11.2f %14.2f %10.2f\n", a.substr(0, a.find('/')).c_str(),
                    a.back() == '1' ? "smooth" : "aliased", step, frame, step / frame, describe);
    }
    return 0;
}
