// SPDX-License-Identifier: GPL-3.0-or-later
// All points of interest of one function over the x range of its view: the
// roots, the extrema and the y-intercept of every explicit Y(x) function of
// the example documents (a derivative drawn as one searches the derivative
// curve), with the document's parameters at their values. Then formulas
// that run into the work limit, which must still return promptly.
// Timed on the thread's CPU clock (the machine is shared).
#include <benchmark/benchmark.h>


#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/document/graph_document.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/point_search.h"

using curvane::bench::ThreadSeconds;

using namespace curvane;

namespace {

struct TCase {
    std::string Name;
    std::string Formula;
    TCurveOrder Order = TCurveOrder::coValue;
    TParameterList Parameters;
    double From = -10, To = 10;
};

std::vector<TCase> ExampleCases() {
    std::vector<TCase> cases;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(CURVANE_SOURCE_DIR "/examples"))
        if (entry.path().extension() == ".gfx") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        TGraphDocument doc;
        doc.LoadFromFile(path.string());
        for (int i = 0; i < doc.Functions.Count(); ++i) {
            const TFuncItem& f = *doc.Functions[i];
            if (f.FuncKind != TFuncKind::fkExplicit || f.FuncType != TFuncType::ftOrtho2D) continue;
            cases.push_back({path.stem().string() + ":" + f.Expression + (f.Derivative ? "'" : ""), f.Expression,
                             f.Derivative ? TCurveOrder::coDerivative : TCurveOrder::coValue, doc.Parameters,
                             doc.View2D.Left, doc.View2D.Right});
        }
    }
    return cases;
}

// Everything the graph marks for the function: roots, extrema, y-intercept.
std::size_t AllPoints(const TPointFormula& f, double from, double to, bool& limit) {
    const TPointSearch roots = FindRoots(f, from, to);
    const TPointSearch extrema = FindExtrema(f, from, to);
    limit = roots.WorkLimitReached || extrema.WorkLimitReached;
    return roots.Points.size() + extrema.Points.size() + (FindYIntercept(f) ? 1 : 0);
}

void BM_AllPoints(benchmark::State& state, const TCase& c) {
    const TParameterBinding binding(c.Parameters);
    const TPointFormula f = TPointFormula::Make(EvalOrtho(), c.Formula, c.Order);
    std::size_t points = 0;
    bool limit = false;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        points = AllPoints(f, c.From, c.To, limit);
        state.SetIterationTime(ThreadSeconds() - start);
    }
    state.counters["points"] = static_cast<double>(points);
    state.counters["limit"] = limit ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    CreateSharedEvaluators();
    for (const TCase& c : ExampleCases())
        benchmark::RegisterBenchmark(("points/" + c.Name).c_str(), BM_AllPoints, c)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    // Formulas with more roots or flat stretches than the work limit allows.
    const TCase limited[] = {
        {"limit:sin(1/x)", "sin(1/x)", TCurveOrder::coValue, {}, -1, 1},
        {"limit:x-x", "x-x", TCurveOrder::coValue, {}, -10, 10},
        {"limit:long", "sin(1/x)*exp(x)+cos(3/x)^2*ln(abs(x)+1)-tg(x/7)*sqrt(abs(x))", TCurveOrder::coValue, {}, -1, 1},
    };
    for (const TCase& c : limited)
        benchmark::RegisterBenchmark(c.Name.c_str(), BM_AllPoints, c)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
