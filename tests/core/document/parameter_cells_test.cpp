// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameter_cells.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

TParameterList Parameters(std::initializer_list<std::pair<const char*, double>> values) {
    TParameterList list;
    for (const auto& [name, value] : values) list.Add({name, value});
    return list;
}

std::string CompileError(const char* formula) {
    try {
        CompileFormula(TFuncItem(formula), TFormulaSlot::fsExpression);
    } catch (const ESyntaxError& e) {
        return e.what();
    }
    return "(compiled)";
}

// Compiled code reads the cells it was bound to, by address, for as long as
// it lives; the names are gone for whatever is compiled after the binding.
TEST(ParameterCells, ABindingLendsTheNamesForItsLifeAndCompiledCodeKeepsTheCells) {
    std::optional<TCompiledFunction> shared, own;
    {
        const TParameterBinding binding(Parameters({{"k", 3}}));
        {
            const TParameterBinding inner(Parameters({{"k", 5}, {"m", 1}}));
            EXPECT_EQ(CompileFormula(TFuncItem("k+m"), TFormulaSlot::fsExpression).Evaluate(0), 6)
                << "the inner binding wins";
        }
        EXPECT_EQ(CompileError("m"), "Unknown function or variable \"m\"") << "the outer binding is back";
        shared = CompileFormula(TFuncItem("K*x^2"), TFormulaSlot::fsExpression);
        own = TCompiledFunction::Private(EvalPolar(), "k*a");
        binding.Cells()->TakeValues(Parameters({{"k", 4}}));
        EXPECT_EQ(own->Evaluate(2), 8) << "a new value needs no recompile";
    }
    EXPECT_EQ(shared->Evaluate(2), 16) << "the cells outlive the binding";
    EXPECT_EQ(own->Evaluate(1), 4);
    EXPECT_EQ(CompileError("k*x"), "Unknown function or variable \"k\"") << "another document does not see k";
}

TEST(ParameterCells, UnknownNamesAreTheVariablesAParameterCouldSupply) {
    TFuncItem parametric("k*t");
    parametric.FuncKind = TFuncKind::fkParametric;
    parametric.Expression1 = "K+m";
    const struct { TFuncItem Func; std::vector<std::string> Unknown; const char* Why; } rows[] = {
        {TFuncItem("k*x + m*sin(c)"), {"k", "c"}, "m is bound"},
        {TFuncItem("k(x) + 2"), {}, "a call stays an unknown function"},
        {TFuncItem("t*x"), {}, "the parameter of another kind is no parameter's name"},
        {TFuncItem("sin + pi*e"), {}, "built-in names, however misused"},
        {TFuncItem("k_2*x"), {}, "scanned as a name, but no parameter could have it"},
        {parametric, {"k"}, "every text of the kind, each name once"},
    };
    const TParameterBinding binding(Parameters({{"m", 1}}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EXPECT_EQ(UnknownVariableNames(row.Func), row.Unknown);
    }
}

}  // namespace
}  // namespace curvane
