// Per-point cost of evaluating formulas over 1,000,000 points of x in
// [-10, 10]: native code (batch entry and Evaluate), the interpreter, the
// same formula compiled by the C++ compiler and called through a pointer, and
// muparser; then the cost of compiling. Prints a table of ratios at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/evaluator/code_generator.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/rapid_evaluator.h"

#if defined(CURVANE_HAVE_MUPARSER)
#include <muParser.h>
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

void SetPerPoint(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Points));
}

void BM_Cpp(benchmark::State& state, const TFormula* f) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    double (*volatile fn)(double) = f->Cpp;
    for (auto _ : state) {
        double (*g)(double) = fn;
        for (std::size_t i = 0; i < Points; ++i) out[i] = g(xs[i]);
        benchmark::DoNotOptimize(out.data());
    }
    SetPerPoint(state);
}

void BM_JitBatch(benchmark::State& state, const TFormula* f, bool interpreter) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    std::vector<TEvalFault> faults(Points);
    double x = 0;
    TRapidEvaluator e;
    e.SetUseJit(!interpreter);
    e.DeleteVariable("X");
    e.AddVariable("X", &x);
    e.SetFormula(f->Curvane);
    e.Compile();
    for (auto _ : state) {
        e.EvaluateBatch(&x, xs.data(), Points, out.data(), faults.data());
        benchmark::DoNotOptimize(out.data());
    }
    SetPerPoint(state);
}

// The routine alone, called in a loop with no fault flags touched: what the
// batch entry's fault reporting is measured against.
void BM_JitRaw(benchmark::State& state, const TFormula* f) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    double x = 0;
    TRapidEvaluator e;
    e.DeleteVariable("X");
    e.AddVariable("X", &x);
    e.SetFormula(f->Curvane);
    e.Compile();
    const std::vector<std::uint8_t> code = GenerateX64(e.Commands(), false);
    const std::shared_ptr<TCodeBlock> block = AcquireCode(code.data(), code.size());
    auto routine = reinterpret_cast<double (*)(std::int32_t*)>(const_cast<void*>(block->Seal()));
    std::int32_t status = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < Points; ++i) {
            x = xs[i];
            out[i] = routine(&status);
        }
        benchmark::DoNotOptimize(out.data());
    }
    SetPerPoint(state);
}

void BM_JitEvaluate(benchmark::State& state, const TFormula* f) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    TRapidEvaluator e;
    e.SetFormula(f->Curvane);
    e.Compile();
    for (auto _ : state) {
        for (std::size_t i = 0; i < Points; ++i) out[i] = e.EvaluateAt(xs[i]);
        benchmark::DoNotOptimize(out.data());
    }
    SetPerPoint(state);
}

#if defined(CURVANE_HAVE_MUPARSER)
void BM_MuParser(benchmark::State& state, const TFormula* f) {
    const std::vector<double>& xs = Xs();
    std::vector<double> out(Points);
    double x = 0;
    mu::Parser p;
    p.DefineVar("x", &x);
    p.SetExpr(f->MuParser);
    p.Eval();
    for (auto _ : state) {
        for (std::size_t i = 0; i < Points; ++i) {
            x = xs[i];
            out[i] = p.Eval();
        }
        benchmark::DoNotOptimize(out.data());
    }
    SetPerPoint(state);
}
#endif

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

// Collects the median (or the single run's) CPU time in ns of every run.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            // CPU time: the machine is shared, and wall time also counts the
            // time other processes had the core.
            const double ns = r.GetAdjustedCPUTime() * (r.time_unit == benchmark::kMillisecond ? 1e6 : 1.0);
            const std::string name = r.run_name.function_name;
            // A median overrides the repetitions it summarises.
            if (median || !Times.count(name)) Times[name] = ns;
        }
    }
    std::map<std::string, double> Times;
};

}  // namespace

int main(int argc, char** argv) {
    for (const TFormula& f : Formulas) {
        const std::string n = f.Name;
        benchmark::RegisterBenchmark(("cpp/" + n).c_str(), BM_Cpp, &f)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("jit_batch/" + n).c_str(), BM_JitBatch, &f, false)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("jit_raw/" + n).c_str(), BM_JitRaw, &f)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("jit_evaluate/" + n).c_str(), BM_JitEvaluate, &f)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("interpreter/" + n).c_str(), BM_JitBatch, &f, true)->Unit(benchmark::kMillisecond);
#if defined(CURVANE_HAVE_MUPARSER)
        benchmark::RegisterBenchmark(("muparser/" + n).c_str(), BM_MuParser, &f)->Unit(benchmark::kMillisecond);
#endif
        benchmark::RegisterBenchmark(("compile/" + n).c_str(), BM_Compile, &f);
        benchmark::RegisterBenchmark(("generate/" + n).c_str(), BM_Generate, &f);
    }
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto perPoint = [&](const std::string& kind, const std::string& name) {
        auto it = reporter.Times.find(kind + "/" + name);
        return it == reporter.Times.end() ? NAN : it->second / Points;
    };
    std::printf("\nns per point (1,000,000 points, x in [-10, 10]); ratios to C++ -O2 through a pointer\n");
    std::printf("%-9s %7s %7s %7s %7s %7s %7s | %6s %6s %6s %6s | %8s %8s\n", "formula", "C++", "batch", "raw",
                "eval", "interp", "muP", "b/C++", "e/C++", "muP/b", "b/raw", "compile", "generate");
    double logSum = 0, worst = 0;
    int counted = 0;
    for (const TFormula& f : Formulas) {
        const std::string n = f.Name;
        const double cpp = perPoint("cpp", n), batch = perPoint("jit_batch", n), raw = perPoint("jit_raw", n);
        const double eval = perPoint("jit_evaluate", n), interp = perPoint("interpreter", n);
        const double mup = perPoint("muparser", n);
        const double compile = reporter.Times.count("compile/" + n) ? reporter.Times["compile/" + n] : NAN;
        const double generate = reporter.Times.count("generate/" + n) ? reporter.Times["generate/" + n] : NAN;
        std::printf("%-9s %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f | %6.2f %6.2f %6.2f %6.2f | %6.0fns %6.0fns\n",
                    f.Name, cpp, batch, raw, eval, interp, mup, batch / cpp, eval / cpp, mup / batch, batch / raw,
                    compile, generate);
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
