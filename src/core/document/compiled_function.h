// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/evaluator_types.h"

namespace curvane {

class TParameterCells;
class TRapidEvaluator;

// How the evaluation of one point ended.
enum class TSampleFault : std::uint8_t {
    sfNone,
    sfInvalidOp,   // EInvalidOp: log or root of a negative number, 0/0, ...
    sfZeroDivide,  // EZeroDivide
    sfOverflow,    // EOverflow
    sfOther,       // anything else (ERangeError from Fact): Evaluate raises it
};

// A formula of one or two parameters, compiled and ready to evaluate: what
// samplers and numerical tools call. The first parameter (X, A or T) is
// written into one cell and the second (Y, F, R or U) into another before
// each evaluation.
//
// Compiled while a TParameterBinding is alive, its formula may use the
// bound parameters; it then holds their cells (TParameterCells) for as long
// as any copy of it lives, so it never reads a freed cell, and it reads the
// values those cells hold at each evaluation.
//
// It refers to an evaluator; compiling another formula into that evaluator
// changes what this object computes. A computation that may be interrupted
// by a nested event loop holds a TSharedEvaluatorLease, or compiles into a
// private evaluator (Private) that nothing else touches. A copy refers to
// the same evaluator.
class TCompiledFunction {
public:
    // Compiles formula into evaluator, whose variables read arg1 and arg2
    // (the shared evaluators read EvalArg1 and EvalArg2). Raises ESyntaxError
    // as Compile does; the evaluator then keeps its previous routine.
    TCompiledFunction(TRapidEvaluator& evaluator, const std::string& formula, double* arg1 = &EvalArg1,
                      double* arg2 = &EvalArg2);

    // Compiles formula into a private evaluator that knows what the shared
    // evaluator `like` knows (MakeEvaluatorLike), with cells of its own. The
    // evaluator lives as long as the last copy of the result.
    static TCompiledFunction Private(const TRapidEvaluator& like, const std::string& formula);

    // The value at one point; raises EInvalidOp, EZeroDivide, EOverflow or
    // ERangeError as TRapidEvaluator::Evaluate does. The one-argument form
    // leaves the second cell as it is.
    double Evaluate(double arg1) const;
    double Evaluate(double arg1, double arg2) const;

    // For each i: out[i] is the value at args1[i] (and arg2) and faults[i] the
    // fault Evaluate would have raised there (sfNone if none); out[i] is
    // undefined where faults[i] is not sfNone. Nothing is raised for a faulty
    // point. out must not overlap args1.
    void EvaluateBatch(const double* args1, std::size_t n, double* out, TSampleFault* faults) const;
    void EvaluateBatch(const double* args1, double arg2, std::size_t n, double* out, TSampleFault* faults) const;
    // The same with the evaluator's own fault codes, as they come (no
    // translation pass): for callers that speak TEvalFault, like the
    // numerical rules.
    void EvaluateBatch(const double* args1, std::size_t n, double* out, TEvalFault* faults) const;

    TRapidEvaluator& Evaluator() const { return *FEvaluator; }
    // The parameter cells the formula was compiled against, or null.
    const std::shared_ptr<TParameterCells>& ParameterCells() const { return FCells; }

private:
    struct TPrivate;
    TCompiledFunction(std::shared_ptr<TPrivate> owned, const std::string& formula);

    std::shared_ptr<TPrivate> FOwned;  // null for an evaluator the caller owns
    std::shared_ptr<TParameterCells> FCells;
    TRapidEvaluator* FEvaluator;
    double* FArg1;
    double* FArg2;
};

// Compiles one text of a function with the shared evaluator that
// SharedEvaluatorFor names for it, with the parameters of the binding in
// force (TParameterBinding). Raises ESyntaxError for a formula error,
// and Exception for a text the function's kind does not use.
TCompiledFunction CompileFormula(const TFuncItem& func, TFormulaSlot slot);

}  // namespace curvane
