// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of building a 3D mesh against the evaluations it is made of:
// sin(x)*cos(y) over a 200 x 200 grid (40,000 samples, three evaluations
// each: the point and two probes) through RebuildMeshes, and the same
// 120,000 evaluations through the batch entry alone. Prints the ratio (the
// mesh's positions, normals, rows and view fit on top of the evaluations)
// and evaluations per second.
#include <benchmark/benchmark.h>


#include <cmath>
#include <cstdio>
#include <map>
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

constexpr int Side = 200;
constexpr double Evaluations = 3.0 * Side * Side;

class TAnswerYes : public TMeshDialog {
public:
    bool ConfirmLongMesh(const std::string&, double) override { return true; }
    void RefuseRange(const std::string&) override {}
};

// Both ways over the same grid, alternating per iteration and timed on this
// thread's CPU clock: the machine is shared, and whatever it does to one
// side it does to the other too.
void BM_SideBySide(benchmark::State& state) {
    TFuncItem func("sin(x)*cos(y)", true);
    func.From = func.FromY = 0;
    func.To = func.ToY = Side - 1;
    func.Step = func.StepY = 1;
    TFuncList list;
    list.Add(func);
    std::vector<TMesh> meshes;
    TViewBox3D view;
    TAnswerYes dialog;
    TMeshRebuildReport report;

    std::vector<double> xs(Side), xsProbe(Side), out(Side);
    std::vector<TSampleFault> faults(Side);
    for (int i = 0; i < Side; ++i) {
        xs[i] = i;
        xsProbe[i] = i + func.Step / 10;
    }

    double seconds[2] = {};
    for (auto _ : state) {
        double t = ThreadSeconds();
        RebuildMeshes(list, meshes, view, dialog, report);
        benchmark::DoNotOptimize(meshes.data());
        double now = ThreadSeconds();
        seconds[0] += now - t;
        t = now;

        // What the mesh evaluates, one batch per probe and column.
        const TCompiledFunction f = CompileFormula(func, TFormulaSlot::fsExpression);
        for (int j = 0; j < Side; ++j) {
            const double y = j;
            f.EvaluateBatch(xs.data(), y, Side, out.data(), faults.data());
            benchmark::DoNotOptimize(out.data());
            f.EvaluateBatch(xsProbe.data(), y, Side, out.data(), faults.data());
            benchmark::DoNotOptimize(out.data());
            f.EvaluateBatch(xs.data(), y + func.Step / 10, Side, out.data(), faults.data());
            benchmark::DoNotOptimize(out.data());
        }
        now = ThreadSeconds();
        seconds[1] += now - t;
    }
    if (meshes[0].size() != Side || meshes[0][0].Count() != Side) state.SkipWithError("the mesh is not 200 x 200");
    const double runs = static_cast<double>(state.iterations());
    state.counters["mesh_ms"] = seconds[0] * 1e3 / runs;
    state.counters["batch_ms"] = seconds[1] * 1e3 / runs;
    state.counters["ratio"] = seconds[0] / seconds[1];
}

// Collects the median (or the single run's) counters.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            // A median overrides the repetitions it summarises.
            if (!median && !Values.empty()) continue;
            for (const auto& [key, counter] : r.counters) Values[key] = counter.value;
        }
    }
    std::map<std::string, double> Values;
};

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    benchmark::RegisterBenchmark("mesh3d/sin(x)*cos(y)/200x200", BM_SideBySide)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(40);
    benchmark::Initialize(&argc, argv);
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto value = [&](const char* key) {
        auto v = reporter.Values.find(key);
        return v == reporter.Values.end() ? NAN : v->second;
    };
    const double mesh = value("mesh_ms"), batch = value("batch_ms");
    std::printf("\nsin(x)*cos(y), 200 x 200 samples, 120,000 evaluations (CPU time, interleaved, medians)\n");
    std::printf("  mesh (RebuildMeshes)   %7.2f ms  %6.1f M evaluations/s\n", mesh, Evaluations / mesh / 1e3);
    std::printf("  batch entry alone      %7.2f ms  %6.1f M evaluations/s\n", batch, Evaluations / batch / 1e3);
    std::printf("  mesh / batch           %7.2fx (target at most 1.5x)\n", value("ratio"));
    benchmark::Shutdown();
    return 0;
}
