// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameters.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/document/shared_evaluators.h"
#include "core/evaluator/formula_scanner.h"
#include "core/evaluator/lookup_table.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {

namespace {

constexpr const char* ParametersSection = "Parameters";

std::string ParameterSection(int index) { return "Parameter" + std::to_string(index + 1); }

bool IsIdentifier(std::string_view name) {
    if (name.empty() || !HasCharClass(name[0], ccLetter)) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return HasCharClass(c, ccLetter) || HasCharClass(c, ccDigit); });
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// What the evaluators already mean by `name`: the eight shared ones, and a
// plain evaluator for the default variables (X, Y, Z) that some kinds of
// function will bind again. Asked of their own tables, so a function added to
// the language is refused here without a second list to keep.
std::optional<std::string> EvaluatorClash(std::string_view name) {
    static TRapidEvaluator defaults;
    TRapidEvaluator* const evaluators[] = {&EvalOrtho(),  &EvalPolar(),  &EvalSpherical(), &EvalCylindrical(),
                                           &EvalParam1(), &EvalParam2(), &EvalParam3(),    &EvalImplicit3D(),
                                           &defaults};
    for (TRapidEvaluator* e : evaluators) {
        for (TLookupTable* table : {&e->IntFunctions(), &e->ExtFunctions()}) {
            if (const auto* f = static_cast<const TAbstractFunction*>(table->Find(name)))
                return Quoted(name) + (f->ParamCount == 0 ? " is the name of a built-in constant"
                                                          : " is the name of a built-in function");
        }
    }
    for (TRapidEvaluator* e : evaluators)
        if (e->Variables().Find(name)) return Quoted(name) + " is the name of a variable";
    return std::nullopt;
}

// A value outside the range takes the range with it: the value is what the
// document shows, the range only what the slider offers.
void Widen(TParameter& p) {
    p.Min = std::min(p.Min, p.Value);
    p.Max = std::max(p.Max, p.Value);
    // Near the end of the doubles a range across 0 can span more than a
    // double holds: the far end moves to 0, so that the range is usable and
    // reads back from a file as it was written.
    if (!std::isfinite(p.Max - p.Min)) (p.Value == p.Max ? p.Min : p.Max) = 0;
}

}  // namespace

void RepairParameter(TParameter& p) {
    if (std::isfinite(p.Min) && std::isfinite(p.Max) && p.Min > p.Max) std::swap(p.Min, p.Max);
    if (!(p.Min < p.Max && std::isfinite(p.Max - p.Min))) {
        p.Min = DefaultParamMin;
        p.Max = DefaultParamMax;
    }
    if (!std::isfinite(p.Value))
        p.Value = std::clamp(DefaultParamValue, p.Min, p.Max);
    else
        Widen(p);
    if (!(p.Step >= 0 && p.Step <= p.Max - p.Min)) p.Step = 0;
    if (static_cast<std::uint8_t>(p.Animation) > static_cast<std::uint8_t>(TParamAnimation::paBackAndForth))
        p.Animation = DefaultParamAnimation;
    if (!(p.Speed > 0 && std::isfinite(p.Speed))) p.Speed = DefaultParamSpeedPerSecond;
}

void TakeParameterValue(TParameter& parameter, double value) {
    if (!std::isfinite(value)) throw Exception("TakeParameterValue: the value is not a finite number");
    parameter.Value = value;
    Widen(parameter);
}

std::optional<std::string> CheckParameterName(std::string_view name, const TParameterList& parameters,
                                              int renamed) {
    if (name.empty()) return "A parameter needs a name";
    if (!IsIdentifier(name)) return Quoted(name) + " is no name: a name is a letter, then letters or digits";
    if (auto clash = EvaluatorClash(name)) return clash;
    const int existing = parameters.IndexOf(name);
    if (existing >= 0 && existing != renamed) return "There is already a parameter " + Quoted(parameters[existing].Name);
    return std::nullopt;
}

int TParameterList::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameName(FItems[static_cast<std::size_t>(i)].Name, name)) return i;
    return -1;
}

const TParameter* TParameterList::Find(std::string_view name) const {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[static_cast<std::size_t>(i)];
}

TParameter* TParameterList::Find(std::string_view name) {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[static_cast<std::size_t>(i)];
}

TParameter& TParameterList::Add(TParameter parameter) {
    if (Count() >= MaxParamCount)
        throw Exception("TParameterList.Add: more than " + std::to_string(MaxParamCount) + " parameters");
    if (auto refused = CheckParameterName(parameter.Name, *this)) throw Exception(*refused);
    return FItems.emplace_back(std::move(parameter));
}

void TParameterList::Rename(int index, const std::string& name) {
    TParameter& p = (*this)[index];
    if (auto refused = CheckParameterName(name, *this, index)) throw Exception(*refused);
    p.Name = name;
}

void TParameterList::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("TParameterList.Delete: Index out of bounds");
    FItems.erase(FItems.begin() + index);
}

void SaveParameters(TIniFile& ini, const TParameterList& parameters) {
    if (parameters.Empty() && !ini.SectionExists(ParametersSection)) return;
    ini.WriteInteger(ParametersSection, "Count", parameters.Count());
    for (int i = 0; i < parameters.Count(); ++i) {
        const TParameter& p = parameters[i];
        const std::string s = ParameterSection(i);
        ini.WriteStringExact(s, "Name", p.Name);
        ini.WriteFloat(s, "Value", p.Value);
        ini.WriteFloat(s, "Min", p.Min);
        ini.WriteFloat(s, "Max", p.Max);
        ini.WriteFloat(s, "Step", p.Step);
        ini.WriteInteger(s, "Animation", static_cast<std::int32_t>(p.Animation));
        ini.WriteFloat(s, "Speed", p.Speed);
    }
}

std::vector<std::string> LoadParameters(const TIniFile& ini, TParameterList& parameters) {
    const std::int32_t count = ini.ReadInteger(ParametersSection, "Count", 0);
    if (count > MaxParamCount)
        throw EFileError("Unable to read from " + ini.FileName() + ": \"Count\" of \"Parameters\" is " +
                         std::to_string(count) + ", more than " + std::to_string(MaxParamCount) + " parameters");
    std::vector<std::string> notes;
    TParameterList loaded;
    for (int i = 0; i < count; ++i) {
        const std::string s = ParameterSection(i);
        TParameter p;
        p.Name = ini.ReadString(s, "Name", "");
        // Missing or unreadable: RepairParameter puts the default into the range.
        p.Value = ini.ReadFloat(s, "Value", std::numeric_limits<double>::quiet_NaN());
        p.Min = ini.ReadFloat(s, "Min", p.Min);
        p.Max = ini.ReadFloat(s, "Max", p.Max);
        p.Step = ini.ReadFloat(s, "Step", p.Step);
        const std::int32_t animation = ini.ReadInteger(s, "Animation", static_cast<std::int32_t>(p.Animation));
        // Out of the enumeration, even in the low 8 bits: RepairParameter
        // gives it the default.
        p.Animation = animation >= 0 && animation <= 2 ? static_cast<TParamAnimation>(animation)
                                                       : static_cast<TParamAnimation>(0xFF);
        p.Speed = ini.ReadFloat(s, "Speed", p.Speed);
        RepairParameter(p);
        if (auto refused = CheckParameterName(p.Name, loaded)) {
            notes.push_back(s + " left out: " + *refused);
            continue;
        }
        loaded.Add(std::move(p));
    }
    parameters = std::move(loaded);
    return notes;
}

std::vector<std::string> VariableNames(std::string_view formula) {
    std::vector<std::string> names;
    int position = 1;
    TScanToken token = ScanToken(formula, position);
    while (token.Kind != TScanKind::skEnd && token.Kind != TScanKind::skInvalid) {
        const TScanToken next = ScanToken(formula, position);
        const bool call = next.Kind == TScanKind::skOperator && next.Text == "(";
        if (token.Kind == TScanKind::skName && !call &&
            std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, token.Text); }))
            names.emplace_back(token.Text);
        token = next;
    }
    return names;
}

bool FormulaUsesName(std::string_view formula, std::string_view name) {
    int position = 1;
    TScanToken token = ScanToken(formula, position);
    while (token.Kind != TScanKind::skEnd && token.Kind != TScanKind::skInvalid) {
        const TScanToken next = ScanToken(formula, position);
        if (token.Kind == TScanKind::skName && SameName(token.Text, name) &&
            !(next.Kind == TScanKind::skOperator && next.Text == "("))
            return true;
        token = next;
    }
    return false;
}

bool FunctionUsesName(const TFuncItem& func, std::string_view name) {
    for (const TFormulaSlot slot : {TFormulaSlot::fsExpression, TFormulaSlot::fsExpression1, TFormulaSlot::fsExpression2})
        if (SharedEvaluatorFor(func.FuncKind, func.FuncType, slot) && FormulaUsesName(FormulaText(func, slot), name))
            return true;
    return false;
}

std::vector<int> FunctionsUsingName(const TFuncList& functions, std::string_view name) {
    std::vector<int> users;
    for (int i = 0; i < functions.Count(); ++i)
        if (FunctionUsesName(*functions[i], name)) users.push_back(i);
    return users;
}

}  // namespace curvane
