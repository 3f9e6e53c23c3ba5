// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace curvane {

// Coordinate system of a function, stored in files as its number. The 3D
// values are the 3D list index plus 2; the 2D values equal the 2D list index.
enum class TFuncType : std::uint8_t {
    ftOrtho2D = 0,
    ftPolar = 1,
    ftOrtho3D = 2,
    ftSpherical = 3,
    ftCylindrical = 4,
};

enum class TFuncKind : std::uint8_t {
    fkExplicit = 0,
    fkImplicit = 1,
    fkParametric = 2,
};

// One function of a graph window. A plain record: the window, its sampler and
// the properties dialog read and write the fields directly. FuncType and
// FuncKind may hold values outside their enumerations when a file says so;
// such a function has no caption and no kind name, and samplers skip it.
class TFuncItem {
public:
    // Every field at its default; FuncType ftOrtho3D when is3D, else ftOrtho2D.
    explicit TFuncItem(std::string expression = {}, bool is3D = false);

    std::string Expression;   // Y(x), R(a), F, Z(x,y), R(a,f), Z(a,r), or Y/R/Z(t)
    std::string Expression1;  // X(t) or A(t) of parametric kinds
    std::string Expression2;  // Y(t), F(t) or R(t) of 3D parametric kinds
    TFuncType FuncType = TFuncType::ftOrtho2D;
    TFuncKind FuncKind = TFuncKind::fkExplicit;
    bool Derivative = false;
    bool Active = true;        // shown as "Visible"
    std::int32_t Width = 1;    // pixels, 1 to 10 (2D)
    std::int32_t Color = 0;    // 0x00BBGGRR, or a system colour (top byte FF)
    bool ManualLimits = false;
    double From = -5.0;
    double To = 5.0;
    double Step = 0.25;
    bool ConvToDeg = false;    // From, To and Step are in degrees
    bool ManualLimitsY = false;
    double FromY = -5.0;
    double ToY = 5.0;
    double StepY = 0.25;
    bool ConvToDegY = false;
    double Opacity = 1.0;      // 0 transparent .. 1 opaque (3D)
    // The z range of an implicit surface F(x,y,z) = 0; a file without it
    // takes the x range's From, To and Step.
    double FromZ = -5.0;
    double ToZ = 5.0;
    double StepZ = 0.25;

    friend bool operator==(const TFuncItem&, const TFuncItem&) = default;
};

// The three formula texts of a record. Which of them a function uses, and
// which evaluator compiles each, depends on its kind and coordinate system
// (SharedEvaluatorFor in shared_evaluators.h).
enum class TFormulaSlot : std::uint8_t {
    fsExpression,   // Expression
    fsExpression1,  // Expression1
    fsExpression2,  // Expression2
};
const std::string& FormulaText(const TFuncItem& item, TFormulaSlot slot);
std::string& FormulaText(TFuncItem& item, TFormulaSlot slot);

// The coordinate-system lists of the properties dialog ("Orthogonal
// (Cartesian)", "Polar" in 2D; "Orthogonal (Cartesian)", "Spherical",
// "Cylindrical" in 3D) and its kind list (explicit, implicit, parametric).
// An index outside a list (-1 when nothing is selected) gives its first
// entry; a value outside a list (only a file can hold one) gives the index of
// the nearest end of the list by number.
TFuncType FuncTypeOfListIndex(bool is3D, int index);
int ListIndexOfFuncType(bool is3D, TFuncType type);
TFuncKind FuncKindOfListIndex(int index);
int ListIndexOfFuncKind(TFuncKind kind);

// Copies every field except Expression ("Duplicate function" adds the new
// function with the source's Expression first, then copies the rest).
void CopyFuncParams(TFuncItem& target, const TFuncItem& source);

// The one-line caption of a function: "Y(x)=sin(x)", "x^2+y^2-1=0",
// "Z(t)=t; X(t)=cos(t); Y(t)=sin(t)". is3D is the owning window's type.
// Empty for a kind or type that makes no valid function.
std::string FuncCaption(const TFuncItem& item, bool is3D);

// The display name of a kind in a coordinate system ("Explicit: Y = Y(x)").
// Implicit kinds are named by the dimension of the system alone. Empty for a
// combination outside the table.
std::string FuncKindName(TFuncKind kind, TFuncType type);

// Axis letters of a coordinate system, as the formula rows are labelled.
std::string FirstAxisLetter(TFuncType type);   // "X", or "A" for polar, spherical, cylindrical
std::string SecondAxisLetter(TFuncType type);  // "Y", "F" for spherical, "R" for polar and cylindrical
std::string ThirdAxisLetter(TFuncType type);   // "Z", or "R" for spherical

// The functions of one window, in order. Owns its records; pointers handed
// out stay valid until that record is deleted (moves keep them valid).
class TFuncList {
public:
    TFuncList() = default;
    TFuncList(const TFuncList& other);
    TFuncList& operator=(const TFuncList& other);
    TFuncList(TFuncList&&) noexcept = default;
    TFuncList& operator=(TFuncList&&) noexcept = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Null for an index below 0 or at or beyond Count, never an error.
    TFuncItem* Items(int index) const;
    TFuncItem* operator[](int index) const { return Items(index); }
    TFuncItem* Last() const { return Items(Count() - 1); }

    // Appends and returns the new record.
    TFuncItem* Add(std::unique_ptr<TFuncItem> item);
    TFuncItem* Add(TFuncItem item) { return Add(std::make_unique<TFuncItem>(std::move(item))); }
    // Frees the record. Raises Exception "TFuncList.Delete: Index out of
    // bounds" for an index outside the list, which stays unchanged.
    void Delete(int index);
    // Takes the record at from out and puts it back at to. Both must be valid
    // indices, else "TFuncList.Move: Index out of bounds" and nothing moves.
    void Move(int from, int to);
    void Clear() { FItems.clear(); }

    // Element-wise comparison of the records.
    bool operator==(const TFuncList& other) const;

private:
    std::vector<std::unique_ptr<TFuncItem>> FItems;
};

}  // namespace curvane
