// SPDX-License-Identifier: GPL-3.0-or-later
// What the integral costs beyond its evaluations: sin(x)*x over [0, 100] by
// Simpson with 1,048,576 segments, three ways side by side in one run:
//   point: IntegratePass through a TRealFunction, one Evaluate per point
//          (3 per segment, 3,145,728 evaluations: a shared segment end is
//          evaluated for both of its segments);
//   pass:  IntegratePass through CompiledIntegrand, the batch road (each
//          distinct point once: 2,097,153 evaluations);
//   entry: EvaluateBatch alone over those same 2,097,153 points, 2,048 per
//          call as the pass makes them, with the evaluator's fault codes (the
//          entry the pass uses) and translated to TSampleFault.
// Prints the cost per evaluation of each and the ratio pass / entry: what the
// rule adds to the evaluations it asks for.
#include <benchmark/benchmark.h>


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/compiled_integrand.h"
#include "core/numeric/integration.h"

using curvane::bench::ThreadSeconds;

using namespace curvane;

namespace {

constexpr std::int64_t Segments = 1 << 20;
constexpr double PointEvaluations = 3.0 * Segments;
constexpr double BatchEvaluations = 2.0 * Segments + 1;
constexpr double From = 0, To = 100;
constexpr std::size_t Batch = 2 * IntegralStopPollSegments;

double PointSeconds = 0, PassSeconds = 0, EntrySeconds = 0, SampleEntrySeconds = 0;
int Runs = 0;

// Cost per evaluation in ns over all runs so far.
double PerEvaluation(double seconds, double evaluations) { return seconds / Runs / evaluations * 1e9; }

// The ways take turns within each iteration, timed on this thread's CPU
// clock: the machine is shared, and whatever it does to one it does to all.
void BM_SideBySide(benchmark::State& state) {
    const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), "sin(x)*x");
    // The distinct Simpson points in the order the batch road evaluates them.
    const double h = (To - From) / Segments;
    std::vector<double> xs{From};
    xs.reserve(static_cast<std::size_t>(BatchEvaluations));
    for (std::int64_t k = 0; k < Segments; ++k)
        xs.insert(xs.end(), {From + static_cast<double>(k) * h + h / 2, From + static_cast<double>(k + 1) * h});
    std::vector<double> out(Batch);
    std::vector<TEvalFault> faults(Batch);
    std::vector<TSampleFault> sampleFaults(Batch);
    const TRealFunction point = [&f](double x) { return f.Evaluate(x); };
    const TIntegrand integrand = CompiledIntegrand(f);
    const auto batchAlone = [&](auto& faultCodes) {
        for (std::size_t i = 0; i < xs.size(); i += Batch) {
            f.EvaluateBatch(xs.data() + i, std::min(Batch, xs.size() - i), out.data(), faultCodes.data());
            benchmark::DoNotOptimize(out.data());
        }
    };

    for (auto _ : state) {
        double t = ThreadSeconds();
        const TIntegralPass byPoint = IntegratePass(point, TIntegralMethod::imSimpson, From, To, Segments);
        benchmark::DoNotOptimize(byPoint.Value);
        double now = ThreadSeconds();
        PointSeconds += now - t;
        t = now;
        const TIntegralPass byBatch = IntegratePass(integrand, TIntegralMethod::imSimpson, From, To, Segments);
        benchmark::DoNotOptimize(byBatch.Value);
        now = ThreadSeconds();
        PassSeconds += now - t;
        t = now;
        batchAlone(faults);
        now = ThreadSeconds();
        EntrySeconds += now - t;
        t = now;
        batchAlone(sampleFaults);
        SampleEntrySeconds += ThreadSeconds() - t;
        ++Runs;
        // sin(x)*x integrates to sin(x) - x cos(x); both roads show the same digits.
        if (std::fabs(byPoint.Value - (std::sin(To) - To * std::cos(To))) > 1e-9) state.SkipWithError("wrong integral");
        if (byBatch.Value != byPoint.Value) state.SkipWithError("the batch road gave other digits");
    }
    const double entry = PerEvaluation(EntrySeconds, BatchEvaluations);
    state.counters["pass/entry"] = PerEvaluation(PassSeconds, BatchEvaluations) / entry;
    state.counters["point/entry"] = PerEvaluation(PointSeconds, PointEvaluations) / entry;
}

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    benchmark::RegisterBenchmark("numeric/simpson/sin(x)*x/1048576", BM_SideBySide)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(10);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double point = PerEvaluation(PointSeconds, PointEvaluations);
    const double pass = PerEvaluation(PassSeconds, BatchEvaluations);
    const double entry = PerEvaluation(EntrySeconds, BatchEvaluations);
    const double sampleEntry = PerEvaluation(SampleEntrySeconds, BatchEvaluations);
    std::printf("\nsin(x)*x, Simpson, 1,048,576 segments (CPU time, interleaved, all runs)\n");
    std::printf("                                    evaluations  ns each  ms a pass\n");
    std::printf("  IntegratePass, Evaluate per point   3,145,728   %6.2f    %7.2f\n", point, point * PointEvaluations * 1e-6);
    std::printf("  IntegratePass, batch road           2,097,153   %6.2f    %7.2f\n", pass, pass * BatchEvaluations * 1e-6);
    std::printf("  EvaluateBatch alone, TEvalFault     2,097,153   %6.2f\n", entry);
    std::printf("  EvaluateBatch alone, TSampleFault   2,097,153   %6.2f\n", sampleEntry);
    std::printf("  batch road / EvaluateBatch, per evaluation  %5.2fx\n", pass / entry);
    std::printf("  point road / EvaluateBatch, per evaluation  %5.2fx\n", point / entry);
    std::printf("  point road / batch road, whole pass         %5.2fx\n", point * PointEvaluations / (pass * BatchEvaluations));
    benchmark::Shutdown();
    return 0;
}
