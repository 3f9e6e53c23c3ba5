// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/parameter_settings.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/cli/command_line.h"
#include "core/document/constant_formula.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"

namespace curvane {

namespace {

// "a=min(1,2),b=3" -> "a=min(1,2)", "b=3". An unbalanced ")" does not make
// the depth negative: the pair then fails as a constant, with its text shown.
std::vector<std::string_view> SplitPairs(std::string_view text) {
    std::vector<std::string_view> pairs;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || (text[i] == ',' && depth == 0)) {
            pairs.push_back(text.substr(start, i - start));
            start = i + 1;
        } else if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')') {
            depth = std::max(depth - 1, 0);
        }
    }
    return pairs;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool Used(const std::vector<std::string>& formulas, std::string_view name) {
    return std::any_of(formulas.begin(), formulas.end(),
                       [&](const std::string& formula) { return FormulaUsesName(formula, name); });
}

}  // namespace

std::vector<TParameterSetting> ParseParameterSettings(const std::vector<std::string>& texts, int usageStatus,
                                                      std::string_view option) {
    const std::string shown(option);
    std::vector<TParameterSetting> settings;
    // Only the names matter here: the list catches a name given twice, and
    // CheckParameterName judges each against the built-in names.
    TParameterList seen;
    for (const std::string& text : texts)
        for (const std::string_view pair : SplitPairs(text)) {
            const std::size_t eq = pair.find('=');
            if (eq == std::string_view::npos)
                throw ECommandLine(shown + " takes NAME=VALUE pairs, not \"" + std::string(pair) + "\"", usageStatus);
            const std::string name(Trimmed(pair.substr(0, eq)));
            const std::string_view valueText = pair.substr(eq + 1);
            if (const std::optional<std::string> refused = CheckParameterName(name, seen)) {
                const bool twice = seen.IndexOf(name) >= 0;
                throw ECommandLine(twice ? shown + " gives " + name + " twice" : shown + ": " + *refused, usageStatus);
            }
            const std::optional<double> value = ParseConstant(valueText);
            if (!value)
                throw ECommandLine(shown + " " + name + " needs a number, not \"" + std::string(valueText) + "\"",
                                   usageStatus);
            TParameter parameter;
            parameter.Name = name;
            seen.Add(parameter);
            settings.push_back({name, *value});
        }
    return settings;
}

void ApplyParameterSettings(const std::vector<TParameterSetting>& settings, const TFuncList& functions,
                            TParameterList& parameters, int usageStatus, std::string_view option) {
    TParameterList result = parameters;
    for (const TParameterSetting& s : settings) {
        if (TParameter* existing = result.Find(s.Name)) {
            TakeParameterValue(*existing, s.Value);
            continue;
        }
        if (FunctionsUsingName(functions, s.Name).empty())
            throw ECommandLine(std::string(option) + ": " + s.Name +
                                   " is neither a parameter of the document nor used by its formulas",
                               usageStatus);
        TParameter parameter;
        parameter.Name = s.Name;
        TakeParameterValue(parameter, s.Value);
        result.Add(parameter);
    }
    parameters = std::move(result);
}

TParameterList ParametersForFormulas(const std::vector<TParameterSetting>& settings,
                                     const std::vector<std::string>& formulas, int usageStatus) {
    TParameterList parameters;
    for (const TParameterSetting& s : settings) {
        if (!Used(formulas, s.Name))
            throw ECommandLine("--set: " + s.Name + (formulas.size() > 1 ? " is used by neither formula"
                                                                        : " is not used by the formula"),
                               usageStatus);
        TParameter parameter;
        parameter.Name = s.Name;
        TakeParameterValue(parameter, s.Value);
        parameters.Add(parameter);
    }
    return parameters;
}

TCompiledFunction CompileCommandFormula(const std::string& formula, const TParameterList& parameters) {
    // Private: the two formulas of --root --with must not compile over each
    // other. The compiled function keeps the cells of the binding.
    const TParameterBinding binding(parameters);
    return TCompiledFunction::Private(EvalOrtho(), formula);
}

}  // namespace curvane
