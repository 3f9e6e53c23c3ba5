// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/func_item.h"

namespace curvane {

class TIniFile;

// How a playing parameter walks its range; stored in files as the number.
enum class TParamAnimation : std::uint8_t {
    paOnce = 0,          // from the value up to Max, then stops
    paLoop = 1,          // up to Max, then again from Min
    paBackAndForth = 2,  // up to Max, down to Min, and so on
};

// What a new parameter starts with: the value 1 in -10..10, continuous.
inline constexpr double DefaultParamValue = 1;
inline constexpr double DefaultParamMin = -10;
inline constexpr double DefaultParamMax = 10;
inline constexpr double DefaultParamStep = 0;
inline constexpr TParamAnimation DefaultParamAnimation = TParamAnimation::paBackAndForth;
// Crosses the default range in ten seconds: slow enough to follow a family of
// curves, fast enough not to look stuck.
inline constexpr double DefaultParamSpeedPerSecond = 2;

// A "Count" of "Parameters" above this is refused as a damaged or hostile
// file, as "Func count" is above MaxFuncCount.
inline constexpr std::int32_t MaxParamCount = 1000;

// A named value that every formula of its document may use like a variable.
struct TParameter {
    std::string Name;
    double Value = DefaultParamValue;
    double Min = DefaultParamMin;
    double Max = DefaultParamMax;
    double Step = DefaultParamStep;  // 0: continuous
    TParamAnimation Animation = DefaultParamAnimation;
    double Speed = DefaultParamSpeedPerSecond;  // units of the value per second

    friend bool operator==(const TParameter&, const TParameter&) = default;
};

// Makes every number of a parameter usable, whatever a file or a caller put
// there: a range that is not two finite numbers with a finite span falls back
// to -10..10, a reversed one is turned round; a value that is not finite
// takes the default, clamped into the range; a value outside the range widens
// the range to it (the value is what the document shows; should the span then
// outgrow the doubles, the other end moves to 0); a step below 0, not
// finite, or beyond the span becomes 0 (continuous); an animation outside the
// enumeration and a speed that is not a positive finite number take the
// defaults. The name is left alone (CheckParameterName judges it).
void RepairParameter(TParameter& parameter);

// Sets the value, widening the range to take it, as a typed value does.
// Raises Exception for a value that is not finite.
void TakeParameterValue(TParameter& parameter, double value);

class TParameterList;

// Why `name` cannot name a parameter of `parameters`, or nullopt when it can.
// A name is a letter, then letters or digits (the formula language's
// identifiers without the characters it would read as something else). It may
// not be a name the shared evaluators know (a built-in or external function or
// constant such as sin, pi, Fact or e), a variable of any kind of function
// (X, Y, Z, A, F, R, T, U), or the name of another parameter of the list;
// names compare as the formula language compares them, without regard to
// case. `renamed` is the index of the parameter being renamed, whose own name
// is no clash (k may become K), or -1.
std::optional<std::string> CheckParameterName(std::string_view name, const TParameterList& parameters,
                                              int renamed = -1);

// The parameters of one document, in the order the user made them. Every
// name in the list passed CheckParameterName when it came in; the numbers are
// plain fields.
class TParameterList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    bool Empty() const { return FItems.empty(); }
    // Raise std::out_of_range outside 0..Count-1.
    const TParameter& operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TParameter& operator[](int index) { return FItems.at(static_cast<std::size_t>(index)); }

    // The index of the parameter of that name (compared without regard to
    // case), or -1.
    int IndexOf(std::string_view name) const;
    const TParameter* Find(std::string_view name) const;
    TParameter* Find(std::string_view name);

    // Appends and returns the new parameter. Raises Exception with the
    // message of CheckParameterName, or "TParameterList.Add: more than 1000
    // parameters", and then the list is unchanged.
    TParameter& Add(TParameter parameter);
    // The same checks as Add, except against the parameter's own name.
    void Rename(int index, const std::string& name);
    // Raises Exception "TParameterList.Delete: Index out of bounds".
    void Delete(int index);
    void Clear() { FItems.clear(); }

    std::vector<TParameter>::const_iterator begin() const { return FItems.begin(); }
    std::vector<TParameter>::const_iterator end() const { return FItems.end(); }

    friend bool operator==(const TParameterList&, const TParameterList&) = default;

private:
    std::vector<TParameter> FItems;
};

// Section "Parameters" ("Count") and one "ParameterN" section per parameter
// ("Name", "Value", "Min", "Max", "Step", "Animation", "Speed"). An empty
// list writes nothing, so a document without parameters keeps the bytes it
// always had; only a file that already has a "Parameters" section gets
// "Count=0", so that the parameters it held do not come back on reading.
void SaveParameters(TIniFile& ini, const TParameterList& parameters);

// Replaces `parameters` with the file's. A missing or negative "Count" reads
// as none; a "Count" above MaxParamCount raises EFileError naming the file,
// before anything changes. Each parameter is repaired (RepairParameter); one
// whose name is refused by CheckParameterName (not a name, a built-in name, a
// variable, a duplicate) is left out. Returns one line for each parameter
// left out, saying why, for the caller to show or drop.
std::vector<std::string> LoadParameters(const TIniFile& ini, TParameterList& parameters);

// The distinct names `formula` uses as variables: name tokens that are not
// followed by "(", in the order of their first use, each once (names compare
// without regard to case; the first spelling is kept). Built-in constants
// written without parentheses (pi, e) are names like any other here.
std::vector<std::string> VariableNames(std::string_view formula);

// Whether `formula` uses `name` as a variable, compared without regard to case.
bool FormulaUsesName(std::string_view formula, std::string_view name);

// Whether a text the function's kind draws with (Expression, and Expression1
// and Expression2 where the kind uses them) uses `name` as a variable. A
// derivative is drawn from the same texts.
bool FunctionUsesName(const TFuncItem& func, std::string_view name);

// The indices of the functions that use `name`, in list order.
std::vector<int> FunctionsUsingName(const TFuncList& functions, std::string_view name);

}  // namespace curvane
