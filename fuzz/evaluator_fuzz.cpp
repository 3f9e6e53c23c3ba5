// SPDX-License-Identifier: GPL-3.0-or-later
// Compiles arbitrary bytes as a formula and evaluates it with the native code
// and the interpreter: both must either reject it with a formula error or
// agree on the fault or the value (NaN equal to NaN, zeros of the same sign).
// The batch entry must give every point what Evaluate gave it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"

using namespace curvane;

namespace {

double Diff2(const double* a, std::int32_t*) { return a[0] - 2 * a[1]; }
double Fact(const double* a, std::int32_t* status) {
    if (!(a[0] >= 0 && a[0] <= 170) || a[0] != std::floor(a[0])) {
        *status = static_cast<std::int32_t>(TEvalFault::efRangeError);
        return NAN;
    }
    double r = 1;
    for (int i = 2; i <= static_cast<int>(a[0]); ++i) r *= i;
    return r;
}

struct TResult {
    int Fault = -1;  // -1: compile error
    double Value = 0;
    std::string Message;
};

TResult Try(const std::string& formula, bool jit, double x) {
    TRapidEvaluator e;
    e.SetUseJit(jit);
    e.AddFunction("diff2", &Diff2, 2);
    e.AddFunction("fact", &Fact, 1);
    TResult r;
    e.SetFormula(formula);
    try {
        e.Compile();
    } catch (const ESyntaxError& ex) {
        r.Message = ex.what();
        // The offending token lies within (or just past) the text.
        if (e.Position() < 1 || static_cast<std::size_t>(e.Position()) > formula.size() + 2) std::abort();
        return r;
    }
    const test::TOutcome outcome = test::OutcomeOf([&] { return e.EvaluateAt(x); });
    r.Fault = static_cast<int>(outcome.Fault);
    r.Value = outcome.Value;
    return r;
}

void CheckBatch(const std::string& formula, const double (&xs)[3], const TResult (&single)[3]) {
    TRapidEvaluator e;
    e.AddFunction("diff2", &Diff2, 2);
    e.AddFunction("fact", &Fact, 1);
    e.SetFormula(formula);
    e.Compile();
    double out[3];
    TEvalFault faults[3];
    e.EvaluateBatch(&GlobalX, xs, 3, out, faults);
    for (int i = 0; i < 3; ++i) {
        if (static_cast<int>(faults[i]) != single[i].Fault) std::abort();
        if (single[i].Fault == 0 && !test::SameValue(out[i], single[i].Value)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string formula(reinterpret_cast<const char*>(data), size);
    const double xs[3] = {0.0, -1.5, 2.0};
    TResult natives[3];
    for (int i = 0; i < 3; ++i) {
        const double x = xs[i];
        const TResult native = natives[i] = Try(formula, TRapidEvaluator::JitAvailable(), x);
        const TResult interpreted = Try(formula, false, x);
        if (native.Fault != interpreted.Fault || native.Message != interpreted.Message) std::abort();
        if (native.Fault == 0 && !test::SameValue(native.Value, interpreted.Value)) std::abort();
        if (native.Fault == -1) return 0;  // the same at every x
    }
    CheckBatch(formula, xs, natives);
    return 0;
}
