// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of an implicit surface at a new function's resolution (x, y and z
// -5..5 by 0.25: a 41^3 grid, 68,921 points) through RebuildMeshes, for a
// sphere of radius 2 and a torus, against the grid's evaluations alone (the
// same points through the batch entry): what the tetrahedra, the solved
// crossings and the gradients add. CPU time of this thread, interleaved.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/document/compiled_function.h"
#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/mesh3d.h"

using curvane::bench::ThreadSeconds;

using namespace curvane;

namespace {

class TAnswerYes : public TMeshDialog {
public:
    bool ConfirmLongMesh(const std::string&, double) override { return true; }
    void RefuseRange(const std::string&) override {}
};

void BM_Surface(benchmark::State& state, const char* formula) {
    TFuncItem func(formula, true);
    func.FuncKind = TFuncKind::fkImplicit;
    TFuncList list;
    list.Add(func);
    std::vector<TMesh> meshes;
    TViewBox3D view;
    TAnswerYes dialog;
    TMeshRebuildReport report;

    std::vector<double> xs, out(41);
    std::vector<TSampleFault> faults(41);
    for (int i = 0; i <= 40; ++i) xs.push_back(-5 + 0.25 * i);

    double seconds[2] = {};
    for (auto _ : state) {
        double t = ThreadSeconds();
        RebuildMeshes(list, meshes, view, dialog, report);
        benchmark::DoNotOptimize(meshes.data());
        double now = ThreadSeconds();
        seconds[0] += now - t;
        t = now;

        const TCompiledFunction f = CompileFormula(func, TFormulaSlot::fsExpression);
        for (double z : xs) {
            EvalArg3 = z;
            for (double y : xs) {
                f.EvaluateBatch(xs.data(), y, xs.size(), out.data(), faults.data());
                benchmark::DoNotOptimize(out.data());
            }
        }
        now = ThreadSeconds();
        seconds[1] += now - t;
    }
    if (meshes[0].empty()) state.SkipWithError("no surface");
    const double runs = static_cast<double>(state.iterations());
    state.counters["mesh_ms"] = seconds[0] * 1e3 / runs;
    state.counters["grid_ms"] = seconds[1] * 1e3 / runs;
    // Rows: an empty one, then three per triangle.
    state.counters["triangles"] = static_cast<double>((meshes[0].size() - 1) / 3);
}

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    for (const char* formula : {"x^2+y^2+z^2-4", "(sqrt(x^2+y^2)-2)^2+z^2-1"})
        benchmark::RegisterBenchmark((std::string("implicit/") + formula + "/41^3").c_str(), BM_Surface, formula)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    benchmark::Initialize(&argc, argv);
    std::printf("Target: mesh_ms at most 100 (CPU ms per rebuild, medians)\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
