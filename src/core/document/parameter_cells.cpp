// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameter_cells.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {

TParameterCells::TParameterCells(const TParameterList& parameters)
    : FCells(std::make_unique<double[]>(static_cast<std::size_t>(parameters.Count()))) {
    FNames.reserve(static_cast<std::size_t>(parameters.Count()));
    for (const TParameter& p : parameters) {
        double* cell = &FCells[FNames.size()];
        *cell = p.Value;
        FNames.push_back(p.Name);
        FTable.AddVariable(p.Name, cell);
    }
}

double* TParameterCells::Cell(std::string_view name) const {
    for (std::size_t i = 0; i < FNames.size(); ++i)
        if (SameName(FNames[i], name)) return &FCells[i];
    return nullptr;
}

void TParameterCells::TakeValues(const TParameterList& parameters) {
    for (const TParameter& p : parameters)
        if (double* cell = Cell(p.Name)) *cell = p.Value;
}

namespace {

// The innermost binding's cells; one thread, as the shared evaluators.
std::shared_ptr<TParameterCells>& Bound() {
    static std::shared_ptr<TParameterCells> cells;
    return cells;
}

void BindShared(TParameterCells* cells) {
    TSharedVarTable* table = cells ? &cells->Table() : nullptr;
    for (TRapidEvaluator* e : {&EvalOrtho(), &EvalPolar(), &EvalSpherical(), &EvalCylindrical(), &EvalParam1(),
                               &EvalParam2(), &EvalParam3(), &EvalImplicit3D()})
        e->SetSharedVarTable(table);
}

}  // namespace

TParameterBinding::TParameterBinding(const TParameterList& parameters)
    : TParameterBinding(std::make_shared<TParameterCells>(parameters)) {}

TParameterBinding::TParameterBinding(std::shared_ptr<TParameterCells> cells)
    : FCells(std::move(cells)), FPrevious(Bound()) {
    assert(FCells && "a binding binds cells");
    Bound() = FCells;
    BindShared(FCells.get());
}

TParameterBinding::~TParameterBinding() {
    assert(Bound() == FCells && "bindings end in the reverse order of their start");
    Bound() = FPrevious;
    BindShared(FPrevious.get());
}

const std::shared_ptr<TParameterCells>& BoundParameterCells() { return Bound(); }

std::vector<std::string> UnknownVariableNames(std::string_view formula, TRapidEvaluator& evaluator) {
    std::vector<std::string> unknown;
    const TParameterList none;
    for (std::string& name : VariableNames(formula)) {
        const bool known = evaluator.IntFunctions().Find(name) || evaluator.ExtFunctions().Find(name) ||
                           evaluator.Variables().Find(name) ||
                           (evaluator.SharedVarTable() && evaluator.SharedVarTable()->Table.Find(name));
        // "k.5" scans as one name but could never be a parameter's.
        if (!known && !CheckParameterName(name, none)) unknown.push_back(std::move(name));
    }
    return unknown;
}

std::vector<std::string> UnknownVariableNames(const TFuncItem& func) {
    std::vector<std::string> unknown;
    for (const TFormulaSlot slot : {TFormulaSlot::fsExpression, TFormulaSlot::fsExpression1, TFormulaSlot::fsExpression2}) {
        TRapidEvaluator* evaluator = SharedEvaluatorFor(func.FuncKind, func.FuncType, slot);
        if (!evaluator) continue;
        for (std::string& name : UnknownVariableNames(FormulaText(func, slot), *evaluator))
            if (std::none_of(unknown.begin(), unknown.end(), [&](const std::string& n) { return SameName(n, name); }))
                unknown.push_back(std::move(name));
    }
    return unknown;
}

}  // namespace curvane
