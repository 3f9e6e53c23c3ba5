// SPDX-License-Identifier: GPL-3.0-or-later
// Per-point cost of evaluating formulas over 1,000,000 points of x in
// [-10, 10]: native code (batch entry and Evaluate), the interpreter, the
// same formula compiled by the C++ compiler and called through a pointer, and
// muparser; then the cost of compiling. Prints a table of ratios at the end.
#include <benchmark/benchmark.h>


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/evaluator/code_generator.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/rapid_evaluator.h"

#if defined(CURVANE_HAVE_MUPARSER)
#include <muParser.h>

using curvane::bench::ThreadSeconds;
#endif

using namespace curvane;

namespace {

constexpr std::size_t Points = 1000000;

struct TFormula {
    const char* Name;
    const char* Curvane;
    const char* MuParser;
    double (*Cpp)(double);
};

// "^" is written as std::pow, which is what the operator means; GCC turns
// pow(x, 2.0) into x*x by itself.
[[gnu::noinline]] double F1(double x) { return x * x + 2 * x + 1; }
[[gnu::noinline]] double F2(double x) { return std::sin(x) * x; }
[[gnu::noinline]] double F3(double x) { return std::sqrt(std::fabs(x)) + std::exp(-x * x); }
[[gnu::noinline]] double F4(double x) { return (std::pow(x, 3) - 2 * x) / (std::pow(x, 2) + 1); }
[[gnu::noinline]] double F5(double x) { return std::log(std::fabs(x) + 1) * std::cos(3 * x); }
[[gnu::noinline]] double F6(double x) {
    return std::sin(x) * std::cos(x / 2) + std::sqrt(x * x + 1) - std::exp(-x * x / 4) * 3 +
           std::log(std::fabs(x) + 2) / (std::pow(x, 2) + 1) - std::atan(x * 0.5) * 2 + std::fabs(x - 1) * 0.25 -
           x / 3 + 1.5 + x * x * x / 7 - std::cos(2 * x) * x;
}

const TFormula Formulas[] = {
    {"poly", "x*x+2*x+1", "x*x+2*x+1", &F1},
    {"sinx", "sin(x)*x", "sin(x)*x", &F2},
    {"sqrtexp", "sqrt(abs(x))+exp(-x*x)", "sqrt(abs(x))+exp(-x*x)", &F3},
    {"rational", "(x^3-2*x)/(x^2+1)", "(x^3-2*x)/(x^2+1)", &F4},
    {"lncos", "ln(abs(x)+1)*cos(3*x)", "ln(abs(x)+1)*cos(3*x)", &F5},
    {"long30",
     "sin(x)*cos(x/2)+sqrt(x*x+1)-exp(-x*x/4)*3+ln(abs(x)+2)/(x^2+1)-arctg(x*0.5)*2+abs(x-1)*0.25-x/3+1.5+x*x*x/7-"
     "cos(2*x)*x",
     "sin(x)*cos(x/2)+sqrt(x*x+1)-exp(-x*x/4)*3+ln(abs(x)+2)/(x^2+1)-atan(x*0.5)*2+abs(x-1)*0.25-x/3+1.5+x*x*x/7-"
     "cos(2*x)*x",
     &F6},
};

const std::vector<double>& Xs() {
    static const std::vector<double> xs = [] {
        std::vector<double> v(Points);
        for (std::size_t i = 0; i < Points; ++i) v[i] = -10 + 20.0 * static_cast<double>(i) / (Points - 1);
        return v;
    }();
    return xs;
}

enum TVariant { vCpp, vBatch, vRaw, vEvaluate, vInterpreter, vMuParser, VariantCount };
const char* const VariantNames[] = {"cpp", "batch", "raw", "evaluate", "interp", "muparser"};

// All variants over the same points, interleaved chunk by chunk and timed on
// this thread's CPU clock: the machine is shared, and this way whatever it
// does to one variant it does to the others too.
void BM_SideBySide(benchmark::State& state, const TFormula* f) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    std::vector<TEvalFault> faults(Points);
    double x = 0;

    double (*volatile cppPointer)(double) = f->Cpp;

    TRapidEvaluator jit, interpreter, single;
    for (TRapidEvaluator* e : {&jit, &interpreter}) {
        e->DeleteVariable("X");
        e->AddVariable("X", &x);
        e->SetFormula(f->Curvane);
    }
    interpreter.SetUseJit(false);
    jit.Compile();
    interpreter.Compile();
    single.SetFormula(f->Curvane);
    single.Compile();

    // The generated batch loop alone, with no fault flags touched: what the
    // batch entry's fault reporting is measured against.
    const std::vector<std::uint8_t> code = GenerateX64Loop(jit.Commands(), false);
    const std::shared_ptr<TCodeBlock> block = AcquireCode(code.data(), code.size());
    using TLoop = void (*)(double*, const double*, std::size_t, double*, std::int32_t*);
    auto loop = reinterpret_cast<TLoop>(const_cast<void*>(block->Seal()));

#if defined(CURVANE_HAVE_MUPARSER)
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.SetExpr(f->MuParser);
    parser.Eval();
#endif

    double seconds[VariantCount] = {};
    constexpr std::size_t Chunk = 10000;
    for (auto _ : state) {
        for (std::size_t start = 0; start < Points; start += Chunk) {
            const std::size_t end = std::min(Points, start + Chunk);
            double t = ThreadSeconds();
            auto lap = [&](TVariant v) {
                const double now = ThreadSeconds();
                seconds[v] += now - t;
                t = now;
            };
            {
                double (*g)(double) = cppPointer;
                for (std::size_t i = start; i < end; ++i) out[i] = g(xs[i]);
                benchmark::DoNotOptimize(out.data());
            }
            lap(vCpp);
            jit.EvaluateBatch(&x, xs.data() + start, end - start, out.data() + start, faults.data() + start);
            benchmark::DoNotOptimize(out.data());
            lap(vBatch);
            {
                std::int32_t status = 0;
                loop(&x, xs.data() + start, end - start, out.data() + start, &status);
                benchmark::DoNotOptimize(out.data());
            }
            lap(vRaw);
            for (std::size_t i = start; i < end; ++i) out[i] = single.EvaluateAt(xs[i]);
            benchmark::DoNotOptimize(out.data());
            lap(vEvaluate);
            interpreter.EvaluateBatch(&x, xs.data() + start, end - start, out.data() + start, faults.data() + start);
            benchmark::DoNotOptimize(out.data());
            lap(vInterpreter);
#if defined(CURVANE_HAVE_MUPARSER)
            for (std::size_t i = start; i < end; ++i) {
                x = xs[i];
                out[i] = parser.Eval();
            }
            benchmark::DoNotOptimize(out.data());
            lap(vMuParser);
#endif
        }
    }
    const double points = static_cast<double>(state.iterations()) * Points;
    for (int v = 0; v < VariantCount; ++v) {
        if (seconds[v] > 0) state.counters[VariantNames[v]] = seconds[v] * 1e9 / points;
    }
}

void BM_Compile(benchmark::State& state, const TFormula* f) {
    TRapidEvaluator e;
    for (auto _ : state) {
        e.SetFormula(f->Curvane);
        e.Compile();
    }
}

void BM_Generate(benchmark::State& state, const TFormula* f) {
    TRapidEvaluator e;
    e.SetFormula(f->Curvane);
    e.Compile();
    for (auto _ : state) benchmark::DoNotOptimize(GenerateX64(e.Commands(), false));
}

// Collects the median (or the single run's) counters and CPU times.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            const std::string name = r.run_name.function_name;
            // A median overrides the repetitions it summarises.
            if (!median && Values.count(name)) continue;
            auto& values = Values[name];
            values["cpu_ns"] = r.GetAdjustedCPUTime();
            for (const auto& [key, counter] : r.counters) values[key] = counter.value;
        }
    }
    std::map<std::string, std::map<std::string, double>> Values;
};

}  // namespace

int main(int argc, char** argv) {
    for (const TFormula& f : Formulas) {
        const std::string n = f.Name;
        benchmark::RegisterBenchmark(("points/" + n).c_str(), BM_SideBySide, &f)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark(("compile/" + n).c_str(), BM_Compile, &f);
        benchmark::RegisterBenchmark(("generate/" + n).c_str(), BM_Generate, &f);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto value = [&](const std::string& run, const std::string& key) -> double {
        auto r = reporter.Values.find(run);
        if (r == reporter.Values.end()) return NAN;
        auto v = r->second.find(key);
        return v == r->second.end() ? NAN : v->second;
    };
    std::printf("\nns per point (1,000,000 points, x in [-10, 10], CPU time, interleaved); ratios to C++ -O2 "
                "called through a pointer\n");
    std::printf("%-9s %6s %6s %6s %6s %6s %6s | %6s %6s %6s %6s | %8s %8s\n", "formula", "C++", "batch", "raw",
                "eval", "interp", "muP", "b/C++", "e/C++", "muP/b", "b/raw", "compile", "generate");
    double logSum = 0, worst = 0;
    int counted = 0;
    for (const TFormula& f : Formulas) {
        const std::string run = std::string("points/") + f.Name;
        const double cpp = value(run, "cpp"), batch = value(run, "batch"), raw = value(run, "raw");
        const double eval = value(run, "evaluate"), interp = value(run, "interp"), mup = value(run, "muparser");
        const double compile = value(std::string("compile/") + f.Name, "cpu_ns");
        const double generate = value(std::string("generate/") + f.Name, "cpu_ns");
        std::printf("%-9s %6.2f %6.2f %6.2f %6.1f %6.1f %6.2f | %6.2f %6.2f %6.2f %6.2f | %6.0fns %6.0fns\n", f.Name,
                    cpp, batch, raw, eval, interp, mup, batch / cpp, eval / cpp, mup / batch, batch / raw, compile,
                    generate);
        if (std::isfinite(batch / cpp)) {
            logSum += std::log(batch / cpp);
            worst = std::max(worst, batch / cpp);
            ++counted;
        }
    }
    if (counted) std::printf("batch / C++: geometric mean %.2f, worst %.2f\n", std::exp(logSum / counted), worst);
    benchmark::Shutdown();
    return 0;
}
