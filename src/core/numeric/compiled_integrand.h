// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/document/compiled_function.h"
#include "core/numeric/integration.h"

namespace curvane {

// A compiled formula of one parameter for the numerical rules: its batch
// entry for the points, Evaluate for a point that faulted. Like a copy of f
// it refers to f's evaluator, which must keep this formula while the rules
// run. Kept out of integration.h so that the rules themselves know nothing of
// documents.
inline TIntegrand CompiledIntegrand(const TCompiledFunction& f) {
    return {[f](double x) { return f.Evaluate(x); },
            [f](const double* xs, std::size_t n, double* out, TEvalFault* faults) {
                f.EvaluateBatch(xs, n, out, faults);
            }};
}

}  // namespace curvane
