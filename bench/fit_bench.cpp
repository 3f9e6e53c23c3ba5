// SPDX-License-Identifier: GPL-3.0-or-later
// A four-unknown fit to 10,000 points, a peak on a baseline, from the
// starting values the Gaussian preset would guess; and, side by side, the
// two passes one iteration is made of: the residuals (one walk of the
// formula per point) and the Jacobian (one walk carrying the gradient of
// all four unknowns). Timed on the thread's CPU clock (the machine is shared).
#include <benchmark/benchmark.h>


#include <cmath>
#include <vector>

#include "bench_clock.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/fit.h"

using curvane::bench::ThreadSeconds;

using namespace curvane;

namespace {

constexpr const char* Model = "h*exp(-((x-m)^2)/(2*s^2))+c";
constexpr std::size_t Points = 10000;

// h = 4, m = 2.5, s = 0.8, c = 0.3, with a deterministic wobble of 1%.
TFitData PeakData() {
    TFitData data;
    for (std::size_t i = 0; i < Points; ++i) {
        const double x = 6.0 * static_cast<double>(i) / Points;
        data.X.push_back(x);
        data.Y.push_back(4 * std::exp(-(x - 2.5) * (x - 2.5) / (2 * 0.8 * 0.8)) + 0.3 +
                         0.04 * std::sin(12.9898 * static_cast<double>(i)));
    }
    return data;
}

const std::vector<std::string> Names{"h", "m", "s", "c"};

void BM_Fit(benchmark::State& state) {
    const TFitData data = PeakData();
    const TFitModel model = TFitModel::Make(EvalOrtho(), Model, Names);
    // The preset's rule: the largest y and its x, the spread about it; the
    // baseline from 0.
    const TPresetModel guess = PresetModel(TFitPreset::fpGaussian, data);
    const std::vector<double> start{guess.Start[0], guess.Start[1], guess.Start[2], 0};
    TFitResult result;
    for (auto _ : state) {
        const double t = ThreadSeconds();
        result = FitModel(model, data, start);
        state.SetIterationTime(ThreadSeconds() - t);
    }
    state.counters["iterations"] = static_cast<double>(result.Iterations);
    state.counters["converged"] = result.Succeeded() ? 1 : 0;
}

void BM_ResidualPass(benchmark::State& state) {
    const TFitData data = PeakData();
    const TFitModel model = TFitModel::Make(EvalOrtho(), Model, Names);
    const double p[4] = {4, 2.5, 0.8, 0.3};
    for (auto _ : state) {
        const double t = ThreadSeconds();
        double sum = 0;
        for (std::size_t i = 0; i < Points; ++i) sum += model.Value(data.X[i], p) - data.Y[i];
        benchmark::DoNotOptimize(sum);
        state.SetIterationTime(ThreadSeconds() - t);
    }
}

void BM_JacobianPass(benchmark::State& state) {
    const TFitData data = PeakData();
    const TFitModel model = TFitModel::Make(EvalOrtho(), Model, Names);
    const double p[4] = {4, 2.5, 0.8, 0.3};
    double gradient[4];
    for (auto _ : state) {
        const double t = ThreadSeconds();
        double sum = 0;
        for (std::size_t i = 0; i < Points; ++i) sum += model.Gradient(data.X[i], p, gradient) + gradient[2];
        benchmark::DoNotOptimize(sum);
        state.SetIterationTime(ThreadSeconds() - t);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    benchmark::RegisterBenchmark("fit/4 unknowns, 10000 points", BM_Fit)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pass/residuals", BM_ResidualPass)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pass/jacobian", BM_JacobianPass)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
