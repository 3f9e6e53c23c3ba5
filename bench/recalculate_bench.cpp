// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of one frame of panning with Autoredraw on: every function of a
// 1920x1080 2D window sampled again over the new view, then the picture
// painted. Also the whole `curvane --render` process and its start-up share.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/document/func_item.h"
#include "core/plot/sampler2d.h"
#include "gui/document/document_owner.h"
#include "gui/export/render_command.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "render/fonts.h"
#include "render/plot2d/indicator.h"

using namespace curvane;

namespace {

const char* const Formulas[10] = {
    "sin(x)*x",         "x^2/8-4",           "cos(3*x)*4",          "exp(-x*x/8)*6",    "(x^3-2*x)/(x^2+1)",
    "sqrt(abs(x))*2",   "ln(abs(x)+1)*3",    "sin(x)+sin(2*x)/2",   "x/3-1",            "cos(x)^2*5-2",
};

// A 2D window whose plot is 1920x1080, holding the ten functions.
class TBenchWindow {
public:
    TBenchWindow() {
        TGraphHub::Instance().SetAutoredraw(false);  // the benchmark drives sampling itself
        Window.setAttribute(Qt::WA_DontShowOnScreen);
        Window.SetPlotSize(QSize(1920, 1080));
        Window.show();
        QCoreApplication::processEvents();
        TGraphDocument document = Window.Document();
        for (int i = 0; i < 10; ++i) {
            TFuncItem& f = AddFunction(document, Formulas[i]);
            f.Color = 0x202020 * (i + 1);
            f.Width = 1 + i % 2;
        }
        Window.Owner()->Reset(document);
        Window.Recalculate(TRecalc::rcAll);
    }
    // One pan step: the view moves by a few pixels without any redraw (the
    // picture of this frame is the one Recalculate paints).
    void Pan() {
        TIndicator& ind = Window.Indicator();
        FShift = -FShift;
        TScope& scope = *Window.Scope();
        scope.BeginUpdate();
        ind.SetXRange(ind.WorldLeft() + FShift, ind.WorldRight() + FShift);
        scope.EndUpdateSilently();
    }
    TfrmChild2D Window;

private:
    double FShift = 0.03;
};

TBenchWindow* Bench = nullptr;

void BM_RecalculateAndRepaint(benchmark::State& state) {
    for (auto _ : state) {
        Bench->Pan();
        Bench->Window.Recalculate(TRecalc::rcAll);
    }
    state.counters["points"] = Bench->Window.Indicator().Plines()[0].Pline().Count();
}
BENCHMARK(BM_RecalculateAndRepaint)->Unit(benchmark::kMillisecond);

void BM_SamplingOnly(benchmark::State& state) {
    TfrmChild2D& w = Bench->Window;
    const TIndicator& ind = w.Indicator();
    const TSampleView view{ind.WorldLeft(),   ind.WorldRight(), ind.Width(),
                           ind.WorldBottom(), ind.WorldTop(),   ind.Height()};
    struct TYes : TSamplerDialog {
        bool ConfirmSwap() override { return true; }
        void WarnEqual() override {}
        bool ConfirmLongDrawing() override { return true; }
        void RefuseRange(const std::string&) override {}
    } yes;
    TPline curve(3);
    std::vector<TSampleMark> marks;
    for (auto _ : state)
        for (int i = 0; i < w.FuncCount(); ++i) {
            TFuncItem f = *w.Func(i);
            SampleFunction2D(f, view, yes, curve, marks);
        }
}
BENCHMARK(BM_SamplingOnly)->Unit(benchmark::kMillisecond);

void BM_RepaintOnly(benchmark::State& state) {
    for (auto _ : state) Bench->Window.Redraw();
}
BENCHMARK(BM_RepaintOnly)->Unit(benchmark::kMillisecond);

double MedianMs(int runs, const std::function<void()>& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The figures for bench/README.md, measured side by side in this run.
void PrintSummary() {
    TfrmChild2D& w = Bench->Window;
    auto cpuMs = [] {
        timespec ts;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
    };
    const double cpu0 = cpuMs();
    const double frame = MedianMs(31, [&] { Bench->Pan(); w.Recalculate(TRecalc::rcAll); });
    const double frameCpu = (cpuMs() - cpu0) / 31;
    const double paint = MedianMs(31, [&] { w.Redraw(); });
    const double sampling = frame - paint;
    // The same window without curves: background, frame, ticks, axes, labels.
    TfrmChild2D empty;
    empty.setAttribute(Qt::WA_DontShowOnScreen);
    empty.SetPlotSize(QSize(1920, 1080));
    empty.show();
    QCoreApplication::processEvents();
    const double bare = MedianMs(31, [&] { empty.Redraw(); });
    std::printf("\nRecalculate + repaint, 1920x1080, 10 functions: median %.2f ms (target 16 ms: %.2fx of it)\n",
                frame, frame / 16.0);
    std::printf("  sampling (compile + evaluate + polyline): %.2f ms (%.0f%%)\n", sampling, 100 * sampling / frame);
    std::printf("  painting: %.2f ms (%.0f%%), of which the picture without curves (background, axes,\n"
                "  ticks, labels) %.2f ms and the ten curves %.2f ms\n",
                paint, 100 * paint / frame, bare, paint - bare);
    std::printf("  process CPU time per frame (mean): %.2f ms\n", frameCpu);

    const QString exe = QStringLiteral(CURVANE_EXE);
    const QString example = QStringLiteral(CURVANE_SOURCE_DIR "/examples/explicit.gfx");
    QTemporaryDir dir;
    const QString out = dir.filePath("bench.png");
    auto runProcess = [&](const QStringList& args) {
        QProcess p;
        p.start(exe, args);
        p.waitForFinished(60000);
    };
    const double whole =
        MedianMs(11, [&] { runProcess({"--render", example, "--output", out, "--size", "800x600"}); });
    const double version = MedianMs(11, [&] { runProcess({"--version"}); });
    QString errText;
    QTextStream err(&errText);
    const double inProcess =
        MedianMs(11, [&] { RunRenderCommand(example, out, QSize(800, 600), err); });
    std::printf("\ncurvane --render explicit.gfx --size 800x600, whole process: median %.1f ms\n", whole);
    std::printf("  the render itself (in-process RunRenderCommand): %.1f ms\n", inProcess);
    std::printf("  start-up and exit share: %.1f ms (%.0f%%); a bare `curvane --version` takes %.1f ms\n",
                whole - inProcess, 100 * (whole - inProcess) / whole, version);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    TBenchWindow window;
    Bench = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    PrintSummary();
    benchmark::Shutdown();
    Bench = nullptr;
    return 0;
}
