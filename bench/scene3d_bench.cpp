// SPDX-License-Identifier: GPL-3.0-or-later
// Frame time of the 3D scene while the camera turns, through the off-screen
// EGL context (Mesa llvmpipe on the machines we have), with every vertex
// sent in immediate mode and with the meshes kept in vertex arrays, and the
// arrays' frame again with height colours and level lines on the surface and
// the floor.
//
// The scene: z = sin(x)*cos(y) over -5..5 by 0.05 (201 x 201 samples), lit
// surface, grid, axes and labels on, 1280 x 960 pixels, as a maximised 3D
// window shows it. Each frame turns AngleX by one degree and ends with
// glFinish, so the time is the whole frame. The ways take turns frame by
// frame, so the load of the shared machine hits them alike; the medians of
// the wall times are compared.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <time.h>

#include <GL/gl.h>

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include "render/fonts.h"
#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/plot3d.h"

namespace curvane {
namespace {

constexpr int FrameW = 1280, FrameH = 960;

class TQuiet : public TMeshDialog {
public:
    bool ConfirmLongMesh(const std::string&, double) override { return true; }
    void RefuseRange(const std::string&) override {}
};

void SetUpScene(TPlot3D& plot) {
    TFuncItem f("sin(x)*cos(y)", true);
    f.Color = 0x3080FF;
    f.Step = f.StepY = 0.05;
    TGraphDocument document;
    document.WindowType = TWindowType::wt3D;
    document.Functions.Add(std::move(f));
    plot.Style().DrawType = 2;
    plot.Style().Background = 0xFFFFFF;
    TQuiet dialog;
    TMeshRebuildReport report;
    plot.Rebuild(document, dialog, report);
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall time of one frame; cpuMs receives what this thread spent on it (the
// rest is llvmpipe's rasteriser threads, or waiting for a core).
double FrameMs(TPlot3D& plot, double* cpuMs = nullptr) {
    plot.Camera().AngleX = std::fmod(plot.Camera().AngleX + 1, 360);
    const double cpuStart = ThreadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    plot.Paint(FrameW, FrameH);
    glFinish();
    if (cpuMs) *cpuMs = ThreadCpuMs() - cpuStart;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Height colours over the box's z range, level lines at the z grid steps on
// the surface and on the floor; or the function's one colour.
void SetHeightLook(TPlot3D& plot, bool on) {
    plot.Style().Coloring = on ? TMeshColoring::mcHeight : TMeshColoring::mcFunction;
    plot.Style().Contours = on ? TContourPlace::cpBoth : TContourPlace::cpNone;
}

// Arg 1 immediate, 0 arrays, 2 arrays with height colours and level lines.
void BM_RotateSurface(benchmark::State& state) {
    TOffscreenGL gl(QSize(FrameW, FrameH));
    TPlot3D plot;
    SetUpScene(plot);
    plot.InitializeGL();
    plot.SetImmediateMode(state.range(0) == 1);
    SetHeightLook(plot, state.range(0) == 2);
    for (auto _ : state) state.SetIterationTime(FrameMs(plot) / 1000);
    state.SetLabel(plot.ImmediateMode() ? "immediate" : state.range(0) == 2 ? "arrays, by height" : "arrays");
}
BENCHMARK(BM_RotateSurface)->Arg(1)->Arg(0)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond);

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The three ways frame by frame in turn, on one context.
void CompareInTurn(int frames) {
    TOffscreenGL gl(QSize(FrameW, FrameH));
    TPlot3D plot;
    SetUpScene(plot);
    plot.InitializeGL();
    std::vector<double> immediate, arrays, height, immediateCpu, arraysCpu, heightCpu;
    for (int i = 0; i < frames + 2; ++i) {
        double ca = 0, cb = 0, cc = 0;
        plot.SetImmediateMode(true);
        const double a = FrameMs(plot, &ca);
        plot.SetImmediateMode(false);
        const double b = FrameMs(plot, &cb);
        SetHeightLook(plot, true);
        const double c = FrameMs(plot, &cc);
        SetHeightLook(plot, false);
        if (i >= 2) {  // the first frames build the arrays, colours and lines and warm the driver
            immediate.push_back(a);
            arrays.push_back(b);
            height.push_back(c);
            immediateCpu.push_back(ca);
            arraysCpu.push_back(cb);
            heightCpu.push_back(cc);
        }
    }
    const int rows = static_cast<int>(plot.Meshes().front().size());
    const int columns = rows ? plot.Meshes().front().front().Count() : 0;
    const double mi = Median(immediate), ma = Median(arrays), mh = Median(height);
    std::printf("\n%s, %dx%d, %d x %d lit surface, %d frames each in turn\n",
                gl.Renderer().toLatin1().constData(), FrameW, FrameH, rows, columns, frames);
    std::printf("median frame: immediate %.1f ms, arrays %.1f ms; immediate / arrays = %.2fx (target <= 33 ms)\n",
                mi, ma, ma > 0 ? mi / ma : 0.0);
    std::printf("median frame by height with level lines: %.1f ms; / arrays = %.2fx (target <= 1.2x)\n", mh,
                ma > 0 ? mh / ma : 0.0);
    const double ci = Median(immediateCpu), ca = Median(arraysCpu), ch = Median(heightCpu);
    std::printf("median CPU of the drawing thread: immediate %.1f ms, arrays %.1f ms, by height %.1f ms; "
                "immediate / arrays %.2fx\n",
                ci, ca, ch, ca > 0 ? ci / ca : 0.0);
}

}  // namespace
}  // namespace curvane

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    curvane::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    try {
        benchmark::RunSpecifiedBenchmarks();
        curvane::CompareInTurn(60);
    } catch (const curvane::EOpenGLError& e) {
        std::fprintf(stderr, "scene3d_bench: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
