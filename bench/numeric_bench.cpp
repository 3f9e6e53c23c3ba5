// What the integral costs beyond its evaluations: sin(x)*x over [0, 100] by
// Simpson with 1,048,576 segments (3,145,728 evaluations, one Evaluate call
// each through the std::function the rule takes), against the same points
// through the batch entry, 1,024 at a time. Prints the per-evaluation cost of
// each and their ratio.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/integration.h"

using namespace curvane;

namespace {

constexpr std::int64_t Segments = 1 << 20;
constexpr double Evaluations = 3.0 * Segments;
constexpr double From = 0, To = 100;
constexpr std::size_t Batch = 1024;

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double PointSeconds = 0, BatchSeconds = 0;
int Runs = 0;

// Both ways alternate per iteration, timed on this thread's CPU clock: the
// machine is shared, and whatever it does to one side it does to the other.
void BM_SideBySide(benchmark::State& state) {
    const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), "sin(x)*x");
    // The Simpson points in the order the rule visits them.
    const double h = (To - From) / Segments;
    std::vector<double> xs;
    xs.reserve(static_cast<std::size_t>(Evaluations));
    for (std::int64_t k = 0; k < Segments; ++k) {
        const double x = From + static_cast<double>(k) * h;
        xs.insert(xs.end(), {x, x + h / 2, From + static_cast<double>(k + 1) * h});
    }
    std::vector<double> out(Batch);
    std::vector<TSampleFault> faults(Batch);
    const TRealFunction point = [&f](double x) { return f.Evaluate(x); };

    for (auto _ : state) {
        double t = ThreadSeconds();
        const TIntegralPass pass = IntegratePass(point, TIntegralMethod::imSimpson, From, To, Segments);
        benchmark::DoNotOptimize(pass.Value);
        double now = ThreadSeconds();
        PointSeconds += now - t;
        t = now;
        for (std::size_t i = 0; i < xs.size(); i += Batch) {
            f.EvaluateBatch(xs.data() + i, Batch, out.data(), faults.data());
            benchmark::DoNotOptimize(out.data());
        }
        BatchSeconds += ThreadSeconds() - t;
        ++Runs;
        // sin(x)*x integrates to sin(x) - x cos(x).
        if (std::fabs(pass.Value - (std::sin(To) - To * std::cos(To))) > 1e-9) state.SkipWithError("wrong integral");
    }
}

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    benchmark::RegisterBenchmark("numeric/simpson/sin(x)*x/1048576", BM_SideBySide)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(10);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double point = PointSeconds / Runs / Evaluations * 1e9, batch = BatchSeconds / Runs / Evaluations * 1e9;
    std::printf("\nsin(x)*x, Simpson, 1,048,576 segments, 3,145,728 evaluations (CPU time, interleaved, all runs)\n");
    std::printf("  IntegratePass, Evaluate per point  %6.2f ns per evaluation\n", point);
    std::printf("  EvaluateBatch, 1,024 per call      %6.2f ns per evaluation\n", batch);
    std::printf("  per point / batch                  %6.2fx\n", point / batch);
    benchmark::Shutdown();
    return 0;
}
