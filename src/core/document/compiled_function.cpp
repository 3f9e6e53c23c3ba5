// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/compiled_function.h"

#include <algorithm>
#include <array>

#include "core/document/parameter_cells.h"
#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {

struct TCompiledFunction::TPrivate {
    double Arg1 = 0;
    double Arg2 = 0;
    std::unique_ptr<TRapidEvaluator> Evaluator;
};

TCompiledFunction::TCompiledFunction(TRapidEvaluator& evaluator, const std::string& formula, double* arg1,
                                     double* arg2)
    : FEvaluator(&evaluator), FArg1(arg1), FArg2(arg2) {
    evaluator.SetFormula(formula);
    evaluator.Compile();
    // The routine loads the bound cells by address: they live as long as
    // this object, and as long as a shared evaluator keeps the routine.
    const std::shared_ptr<TParameterCells>& cells = BoundParameterCells();
    if (cells && evaluator.SharedVarTable() == &cells->Table()) FCells = cells;
    RetainWithRoutine(evaluator, FCells);
}

TCompiledFunction::TCompiledFunction(std::shared_ptr<TPrivate> owned, const std::string& formula)
    : TCompiledFunction(*owned->Evaluator, formula, &owned->Arg1, &owned->Arg2) {
    FOwned = std::move(owned);
}

TCompiledFunction TCompiledFunction::Private(const TRapidEvaluator& like, const std::string& formula) {
    auto owned = std::make_shared<TPrivate>();
    owned->Evaluator = MakeEvaluatorLike(like, &owned->Arg1, &owned->Arg2);
    return TCompiledFunction(std::move(owned), formula);
}

double TCompiledFunction::Evaluate(double arg1) const {
    *FArg1 = arg1;
    return FEvaluator->Evaluate();
}

double TCompiledFunction::Evaluate(double arg1, double arg2) const {
    *FArg2 = arg2;
    return Evaluate(arg1);
}

namespace {

TSampleFault Translate(TEvalFault fault) {
    switch (fault) {
        case TEvalFault::efNone: return TSampleFault::sfNone;
        case TEvalFault::efInvalidOp: return TSampleFault::sfInvalidOp;
        case TEvalFault::efZeroDivide: return TSampleFault::sfZeroDivide;
        case TEvalFault::efOverflow: return TSampleFault::sfOverflow;
        case TEvalFault::efRangeError: break;
    }
    return TSampleFault::sfOther;
}

}  // namespace

void TCompiledFunction::EvaluateBatch(const double* args1, std::size_t n, double* out,
                                      TSampleFault* faults) const {
    // The evaluator reports its own fault codes; they are translated a
    // stack-sized run at a time.
    constexpr std::size_t Run = 512;
    std::array<TEvalFault, Run> raw;
    for (std::size_t start = 0; start < n; start += Run) {
        const std::size_t m = std::min(Run, n - start);
        FEvaluator->EvaluateBatch(FArg1, args1 + start, m, out + start, raw.data());
        std::transform(raw.begin(), raw.begin() + m, faults + start, Translate);
    }
}

void TCompiledFunction::EvaluateBatch(const double* args1, double arg2, std::size_t n, double* out,
                                      TSampleFault* faults) const {
    *FArg2 = arg2;
    EvaluateBatch(args1, n, out, faults);
}

void TCompiledFunction::EvaluateBatch(const double* args1, std::size_t n, double* out, TEvalFault* faults) const {
    FEvaluator->EvaluateBatch(FArg1, args1, n, out, faults);
}

TCompiledFunction CompileFormula(const TFuncItem& func, TFormulaSlot slot) {
    TRapidEvaluator* evaluator = SharedEvaluatorFor(func.FuncKind, func.FuncType, slot);
    if (evaluator == nullptr)
        throw Exception("CompileFormula: this kind of function has no such formula text");
    return TCompiledFunction(*evaluator, FormulaText(func, slot));
}

}  // namespace curvane
