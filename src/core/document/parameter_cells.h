// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/parameters.h"
#include "core/evaluator/lookup_table.h"

namespace curvane {

class TRapidEvaluator;

// One double per parameter of a document, at addresses that stay where they
// are for the life of the block: a formula compiled while the block is bound
// loads its parameters straight from these cells, so a new value needs no
// recompile, and the cells must outlive every routine that reads them.
//
// A computation (a frame, an animation tick, a tool run) makes one from a
// copy of the document's values when it starts and holds it by shared_ptr;
// every TCompiledFunction compiled while it is bound holds it too.
class TParameterCells {
public:
    explicit TParameterCells(const TParameterList& parameters);
    TParameterCells(const TParameterCells&) = delete;
    TParameterCells& operator=(const TParameterCells&) = delete;

    int Count() const { return static_cast<int>(FNames.size()); }
    const std::string& Name(int index) const { return FNames.at(static_cast<std::size_t>(index)); }
    double Value(int index) const { return FCells[static_cast<std::size_t>(index)]; }
    // The cell of that name (compared without regard to case), or null.
    double* Cell(std::string_view name) const;
    // Writes the value of every parameter of `parameters` that has a cell
    // here: code compiled against these cells sees it at its next evaluation.
    void TakeValues(const TParameterList& parameters);

    // The names as variables bound to the cells, for evaluators to consult.
    TSharedVarTable& Table() { return FTable; }

private:
    std::vector<std::string> FNames;
    std::unique_ptr<double[]> FCells;
    TSharedVarTable FTable;
};

// While one lives, the eight shared evaluators, and every private evaluator
// made meanwhile by MakeEvaluatorLike, resolve the names of its cells as
// variables; a TCompiledFunction compiled meanwhile keeps the cells alive.
// It hands the evaluators back as it found them (bindings nest), so other
// documents do not see the names. One thread, as the shared evaluators.
//
// The lifetime rule: compiled code reads the cells by address. A
// TCompiledFunction owns its cells, and a shared evaluator keeps the cells of
// its last compile until the next one, so code reached through them never
// reads a freed cell. Whoever compiles into an evaluator of its own with
// SetFormula and Compile (a syntax check) must either not evaluate it or
// keep Cells() for as long as it does.
class TParameterBinding {
public:
    // Binds new cells holding a copy of the values of `parameters`.
    explicit TParameterBinding(const TParameterList& parameters);
    explicit TParameterBinding(std::shared_ptr<TParameterCells> cells);
    ~TParameterBinding();
    TParameterBinding(const TParameterBinding&) = delete;
    TParameterBinding& operator=(const TParameterBinding&) = delete;

    const std::shared_ptr<TParameterCells>& Cells() const { return FCells; }

private:
    std::shared_ptr<TParameterCells> FCells;
    std::shared_ptr<TParameterCells> FPrevious;
};

// The cells of the innermost binding alive, or null.
const std::shared_ptr<TParameterCells>& BoundParameterCells();

// The names a formula uses as variables that `evaluator` does not know (in
// its own tables or the parameters bound to it) and that could name a
// parameter: what creating parameters would make the formula compile. Names
// used as functions, such as "k(x)", are left to the compiler's "Unknown
// function or variable". In the order of their first use.
std::vector<std::string> UnknownVariableNames(std::string_view formula, TRapidEvaluator& evaluator);

// The same for every text the function's kind draws with, each judged by the
// shared evaluator that compiles it, under the binding in force; each name once.
std::vector<std::string> UnknownVariableNames(const TFuncItem& func);

}  // namespace curvane
