// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace curvane {

class TIniFile;

// True when two UTF-8 file names differ at most in letter case. Folds ASCII,
// Latin-1, Greek and Cyrillic capitals; other scripts compare exactly.
bool SameFileNameIgnoringCase(std::string_view a, std::string_view b);

// The recently opened documents, most recent first. Knows nothing of menus:
// the menu adapter listens to OnChange and rebuilds its entries from
// EntryCaption / EntryHint.
class TMRUFiles {
public:
    static constexpr std::uint8_t DefaultMaxEntries = 9;

    const std::vector<std::string>& Items() const { return FItems; }
    int Count() const { return static_cast<int>(FItems.size()); }
    bool Empty() const { return FItems.empty(); }

    // Puts the name on top. A name already listed in another letter case is
    // replaced, so the list never holds two spellings of one name; the oldest
    // entries fall off beyond MaxEntries. Empty names are ignored.
    void Add(const std::string& fileName);
    // Removes the entry equal to the name regardless of case; false if absent.
    bool Remove(const std::string& fileName);
    void Clear();

    std::uint8_t MaxEntries() const { return FMaxEntries; }
    // Shrinking drops entries from the end. A capacity of 0 keeps no list.
    void SetMaxEntries(std::uint8_t value);

    bool Numbered() const { return FNumbered; }
    void SetNumbered(bool value);

    // Menu text of entry `index`: "&1 name" .. "&10 name", then "  name" when
    // numbered, else the bare name. Ampersands in the name are doubled so the
    // menu shows them instead of taking them as accelerators.
    std::string EntryCaption(int index) const;
    // Status-bar text of an entry: "Opens name".
    static std::string EntryHint(const std::string& fileName);

    // Reads "File1", "File2", ... up to MaxEntries, stopping at the first
    // missing or empty key; "File1" becomes the top entry again.
    void Load(const TIniFile& ini, const std::string& section);
    // Erases the section first, so a shorter list leaves no stale keys behind.
    void Save(TIniFile& ini, const std::string& section) const;

    // Called after every change of the list, capacity or numbering.
    void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

private:
    void Trim(std::size_t capacity);
    void Changed() const;

    std::vector<std::string> FItems;
    std::uint8_t FMaxEntries = DefaultMaxEntries;
    bool FNumbered = true;
    std::function<void()> FOnChange;
};

}  // namespace curvane
