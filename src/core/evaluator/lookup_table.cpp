// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/lookup_table.h"

#include <algorithm>

#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {

std::string UpperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

TAbstractFunction::TAbstractFunction(std::string name, int paramCount)
    : TLookupItem(std::move(name)), ParamCount(paramCount) {}

TIntFunction::TIntFunction(std::string name, std::int32_t funcCode, int paramCount)
    : TAbstractFunction(std::move(name), paramCount), FuncCode(funcCode) {
    if (paramCount > 5) throw Exception("Too many parameters. ParamCount must be 5 or less");
}

int TLookupTable::IndexOf(std::string_view name, bool enabledOnly) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TLookupItem& item = *FItems[i];
        // The length check first: most names differ in it, and it saves the call.
        if (item.Name.size() == name.size() && (!enabledOnly || item.Enabled) && SameName(item.Name, name))
            return static_cast<int>(i);
    }
    return -1;
}

TLookupItem* TLookupTable::Find(std::string_view name) const {
    const int i = IndexOf(name, false);
    return i < 0 ? nullptr : FItems[static_cast<std::size_t>(i)].get();
}

TLookupItem* TLookupTable::FindEnabled(std::string_view name) const {
    const int i = IndexOf(name, true);
    return i < 0 ? nullptr : FItems[static_cast<std::size_t>(i)].get();
}

std::shared_ptr<TLookupItem> TLookupTable::FindShared(std::string_view name, bool enabledOnly) const {
    const int i = IndexOf(name, enabledOnly);
    return i < 0 ? nullptr : FItems[static_cast<std::size_t>(i)];
}

int TLookupTable::Remove(std::string_view name) {
    const int i = IndexOf(name, false);
    if (i >= 0) FItems.erase(FItems.begin() + i);
    return i;
}

int TLookupTable::Delete(std::string_view name) { return Remove(name); }

void TLookupTable::Clear() { FItems.clear(); }

void TLookupTable::Add(std::shared_ptr<TLookupItem> item) { FItems.push_back(std::move(item)); }

TSharedFuncTable::~TSharedFuncTable() {
    for (TRapidEvaluator* user : std::vector<TRapidEvaluator*>(FUsers)) user->SetSharedFuncTable(nullptr);
}

void TSharedFuncTable::AddFunction(const std::string& name, TExtFunction routine, int paramCount) {
    Table.Add(std::make_shared<TExtPointer>(UpperName(name), reinterpret_cast<void*>(routine), paramCount));
}

TSharedVarTable::~TSharedVarTable() {
    for (TRapidEvaluator* user : std::vector<TRapidEvaluator*>(FUsers)) user->SetSharedVarTable(nullptr);
}

void TSharedVarTable::AddVariable(const std::string& name, double* cell) {
    Table.Add(std::make_shared<TExtPointer>(UpperName(name), cell, 0));
}

}  // namespace curvane
