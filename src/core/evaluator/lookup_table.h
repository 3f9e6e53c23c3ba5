// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluator/evaluator_types.h"

namespace curvane {

class TRapidEvaluator;

// Names compare case-insensitively with plain ASCII upper-casing; bytes above
// 127 are compared as they are.
std::string UpperName(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

class TLookupItem {
public:
    explicit TLookupItem(std::string name) : Name(std::move(name)) {}
    virtual ~TLookupItem() = default;
    TLookupItem(const TLookupItem&) = delete;
    TLookupItem& operator=(const TLookupItem&) = delete;

    std::string Name;
    // Disabled entries are invisible to formulas but still block registering
    // another entry of the same name.
    bool Enabled = true;
};

class TAbstractFunction : public TLookupItem {
public:
    TAbstractFunction(std::string name, int paramCount);
    int ParamCount = 0;
};

// A built-in function; FuncCode selects its code template.
class TIntFunction : public TAbstractFunction {
public:
    // Throws Exception "Too many parameters. ParamCount must be 5 or less".
    TIntFunction(std::string name, std::int32_t funcCode, int paramCount);
    std::int32_t FuncCode;
};

// An external function or a variable. For a function, Address is the routine
// (a TExtFunction); compiled formulas call through this field, so the field's
// own address is what they hold, and the entry is kept alive by every
// compiled formula that refers to it. For a variable, Address is the cell.
class TExtPointer : public TAbstractFunction {
public:
    TExtPointer(std::string name, void* address, int paramCount)
        : TAbstractFunction(std::move(name), paramCount), Address(address) {}
    void* Address;
};

// An ordered list that owns its entries. Entries are shared so that a compiled
// formula can keep an external function's entry alive after it was deleted.
class TLookupTable {
public:
    TLookupTable() = default;
    TLookupTable(const TLookupTable&) = delete;
    TLookupTable& operator=(const TLookupTable&) = delete;

    // First entry of that name (enabled or not), or nullptr.
    TLookupItem* Find(std::string_view name) const;
    TLookupItem* FindEnabled(std::string_view name) const;
    std::shared_ptr<TLookupItem> FindShared(std::string_view name, bool enabledOnly) const;
    // Detaches the first entry of that name; returns its index or -1. The
    // entry itself stays valid for whoever still holds it.
    int Remove(std::string_view name);
    // The same; the table gives up its ownership (the entry is freed once no
    // compiled formula refers to it any more).
    int Delete(std::string_view name);
    void Clear();

    void Add(std::shared_ptr<TLookupItem> item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TLookupItem* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }

private:
    int IndexOf(std::string_view name, bool enabledOnly) const;
    std::vector<std::shared_ptr<TLookupItem>> FItems;
};

// Tables that several evaluators consult after their own. Destroying one
// detaches it from every evaluator that still refers to it.
class TSharedTableBase {
public:
    TSharedTableBase() = default;
    TSharedTableBase(const TSharedTableBase&) = delete;
    TSharedTableBase& operator=(const TSharedTableBase&) = delete;
    TLookupTable Table;

protected:
    ~TSharedTableBase() = default;
    friend class TRapidEvaluator;
    std::vector<TRapidEvaluator*> FUsers;
};

class TSharedFuncTable : public TSharedTableBase {
public:
    ~TSharedFuncTable();
    // Convenience: appends an external function entry (upper-cased name).
    void AddFunction(const std::string& name, TExtFunction routine, int paramCount);
};

class TSharedVarTable : public TSharedTableBase {
public:
    ~TSharedVarTable();
    void AddVariable(const std::string& name, double* cell);
};

}  // namespace curvane
