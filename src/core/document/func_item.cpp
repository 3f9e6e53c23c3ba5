// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/func_item.h"

#include "core/support/exceptions.h"

namespace curvane {

TFuncItem::TFuncItem(std::string expression, bool is3D)
    : Expression(std::move(expression)), FuncType(is3D ? TFuncType::ftOrtho3D : TFuncType::ftOrtho2D) {}

void CopyFuncParams(TFuncItem& target, const TFuncItem& source) {
    std::string keep = std::move(target.Expression);
    target = source;
    target.Expression = std::move(keep);
}

const std::string& FormulaText(const TFuncItem& item, TFormulaSlot slot) {
    switch (slot) {
        case TFormulaSlot::fsExpression1: return item.Expression1;
        case TFormulaSlot::fsExpression2: return item.Expression2;
        case TFormulaSlot::fsExpression: break;
    }
    return item.Expression;
}

std::string& FormulaText(TFuncItem& item, TFormulaSlot slot) {
    return const_cast<std::string&>(FormulaText(static_cast<const TFuncItem&>(item), slot));
}

namespace {

constexpr TFuncType Types2D[] = {TFuncType::ftOrtho2D, TFuncType::ftPolar};
constexpr TFuncType Types3D[] = {TFuncType::ftOrtho3D, TFuncType::ftSpherical, TFuncType::ftCylindrical};
constexpr TFuncKind Kinds[] = {TFuncKind::fkExplicit, TFuncKind::fkImplicit, TFuncKind::fkParametric};

template <typename T, std::size_t N>
T EntryAt(const T (&list)[N], int index) {
    return index >= 0 && index < static_cast<int>(N) ? list[index] : list[0];
}

// The lists are in ascending order of value, so a value below the first
// entry is nearest the first and one above the last nearest the last.
template <typename T, std::size_t N>
int IndexOf(const T (&list)[N], T value) {
    for (std::size_t i = 0; i < N; ++i)
        if (list[i] == value) return static_cast<int>(i);
    return value < list[0] ? 0 : static_cast<int>(N) - 1;
}

}  // namespace

TFuncType FuncTypeOfListIndex(bool is3D, int index) {
    return is3D ? EntryAt(Types3D, index) : EntryAt(Types2D, index);
}

int ListIndexOfFuncType(bool is3D, TFuncType type) { return is3D ? IndexOf(Types3D, type) : IndexOf(Types2D, type); }

TFuncKind FuncKindOfListIndex(int index) { return EntryAt(Kinds, index); }

int ListIndexOfFuncKind(TFuncKind kind) { return IndexOf(Kinds, kind); }

std::string FuncCaption(const TFuncItem& item, bool is3D) {
    using enum TFuncType;
    const std::string& e = item.Expression;
    const std::string& e1 = item.Expression1;
    const std::string& e2 = item.Expression2;
    const TFuncType type = item.FuncType;
    switch (item.FuncKind) {
        case TFuncKind::fkImplicit:
            return e + "=0";
        case TFuncKind::fkExplicit:
            if (!is3D) {
                if (type == ftOrtho2D) return "Y(x)=" + e;
                if (type == ftPolar) return "R(a)=" + e;
            } else {
                if (type == ftOrtho3D) return "Z(x,y)=" + e;
                if (type == ftSpherical) return "R(a,f)=" + e;
                if (type == ftCylindrical) return "Z(a,r)=" + e;
            }
            break;
        case TFuncKind::fkParametric:
            if (!is3D) {
                if (type == ftOrtho2D) return "Y(t)=" + e + "; X(t)=" + e1;
                if (type == ftPolar) return "R(t)=" + e + "; A(t)=" + e1;
            } else {
                if (type == ftOrtho3D) return "Z(t)=" + e + "; X(t)=" + e1 + "; Y(t)=" + e2;
                if (type == ftSpherical) return "R(t)=" + e + "; A(t)=" + e1 + "; F(t)=" + e2;
                if (type == ftCylindrical) return "Z(t)=" + e + "; A(t)=" + e1 + "; R(t)=" + e2;
            }
            break;
    }
    return {};
}

std::string FuncKindName(TFuncKind kind, TFuncType type) {
    using enum TFuncType;
    using enum TFuncKind;
    const bool is3D = type == ftOrtho3D || type == ftSpherical || type == ftCylindrical;
    if (kind == fkImplicit) {
        if (type == ftOrtho3D) return "Implicit: F(x,y,z)=0";
        return is3D ? "Implicit: F(x,y)=0" : "Implicit: F(x)=0";
    }
    if (kind == fkExplicit) {
        if (type == ftOrtho2D) return "Explicit: Y = Y(x)";
        if (type == ftPolar) return "Explicit: R = R(a)";
        if (type == ftOrtho3D) return "Explicit: Z = Z(x,y)";
        if (type == ftSpherical) return "Explicit: R = R(a,f)";
        if (type == ftCylindrical) return "Explicit: Z = Z(a,r)";
    } else if (kind == fkParametric) {
        if (type == ftOrtho2D) return "Parameter: Y = Y(t); X = X(t)";
        if (type == ftPolar) return "Parameter: R = R(t); A = A(t)";
        if (type == ftOrtho3D) return "Parameter: Z = Z(t); X = X(t); Y = Y(t)";
        if (type == ftSpherical) return "Parameter: R = R(t); A = A(t); F = F(t)";
        if (type == ftCylindrical) return "Parameter: Z = Z(t); A = A(t); R = R(t)";
    }
    return {};
}

// Polar coordinates name their axes as the cylindrical ones do: angle A and
// radius R (a polar curve has no third axis).
std::string FirstAxisLetter(TFuncType type) {
    using enum TFuncType;
    return type == ftPolar || type == ftSpherical || type == ftCylindrical ? "A" : "X";
}

std::string SecondAxisLetter(TFuncType type) {
    using enum TFuncType;
    if (type == ftSpherical) return "F";
    if (type == ftPolar || type == ftCylindrical) return "R";
    return "Y";
}

std::string ThirdAxisLetter(TFuncType type) { return type == TFuncType::ftSpherical ? "R" : "Z"; }

TFuncList::TFuncList(const TFuncList& other) {
    FItems.reserve(other.FItems.size());
    for (const auto& item : other.FItems) FItems.push_back(std::make_unique<TFuncItem>(*item));
}

TFuncList& TFuncList::operator=(const TFuncList& other) {
    if (this != &other) *this = TFuncList(other);
    return *this;
}

TFuncItem* TFuncList::Items(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

TFuncItem* TFuncList::Add(std::unique_ptr<TFuncItem> item) {
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

void TFuncList::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("TFuncList.Delete: Index out of bounds");
    FItems.erase(FItems.begin() + index);
}

void TFuncList::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count())
        throw Exception("TFuncList.Move: Index out of bounds");
    if (from == to) return;
    auto item = std::move(FItems[static_cast<std::size_t>(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
}

bool TFuncList::operator==(const TFuncList& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (!(*Items(i) == *other.Items(i))) return false;
    return true;
}

}  // namespace curvane
