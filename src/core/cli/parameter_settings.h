// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/document/parameters.h"

namespace curvane {

// One NAME=VALUE pair of --set, its value computed.
struct TParameterSetting {
    std::string Name;
    double Value = 0;
};

// Reads the texts of every --set ("k=2,m=0.5", "a=min(1,2)"): pairs are
// separated by commas outside parentheses, each value is a constant formula
// (ParseConstant). Raises ECommandLine with `usageStatus` naming the pair for
// a pair without "=", a value that does not read, a name refused by
// CheckParameterName as a name of its own (not a name, a built-in function
// or constant, a variable of a function kind) and a name given twice; the
// messages name `option`.
std::vector<TParameterSetting> ParseParameterSettings(const std::vector<std::string>& texts, int usageStatus,
                                                      std::string_view option = "--set");

// Applies the settings to a document's parameters: a parameter of that name
// takes the value (its range widens to it, as a typed value widens it); a
// name no parameter has but a formula of `functions` uses becomes a
// parameter with that value. Any other name raises ECommandLine with
// `usageStatus`, naming it and `option`, before anything changes.
void ApplyParameterSettings(const std::vector<TParameterSetting>& settings, const TFuncList& functions,
                            TParameterList& parameters, int usageStatus, std::string_view option = "--set");

// The parameters of formulas given on the command line: one per setting,
// whose name one of `formulas` must use, else ECommandLine with `usageStatus`
// naming it.
TParameterList ParametersForFormulas(const std::vector<TParameterSetting>& settings,
                                     const std::vector<std::string>& formulas, int usageStatus);

// Compiles a formula of the command line into an evaluator of its own that
// knows what a plotted Y(x) knows, and the parameters with their values.
// Raises ESyntaxError as TCompiledFunction does.
TCompiledFunction CompileCommandFormula(const std::string& formula, const TParameterList& parameters);

}  // namespace curvane
