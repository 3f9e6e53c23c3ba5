// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/mru_files.h"

#include <algorithm>

#include "core/support/ini_file.h"

namespace curvane {

namespace {

// Decodes one UTF-8 sequence at `pos`; a malformed byte stands for itself, so
// broken names still compare byte for byte instead of collapsing together.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = 0;
    char32_t cp = b0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
    }
    if (extra == 0 || pos + extra >= s.size()) {
        ++pos;
        return 0x110000 + b0;  // outside Unicode: never equal to a decoded letter
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0x110000 + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += extra + 1;
    return cp;
}

char32_t FoldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;    // À..Þ except ×
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Α..Ω
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // А..Я
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                // Ѐ..Џ
    return c;
}

}  // namespace

bool SameFileNameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (FoldCase(NextCodePoint(a, i)) != FoldCase(NextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

void TMRUFiles::Add(const std::string& fileName) {
    if (fileName.empty()) return;
    auto same = [&](const std::string& s) { return SameFileNameIgnoringCase(s, fileName); };
    if (auto it = std::find_if(FItems.begin(), FItems.end(), same); it != FItems.end()) FItems.erase(it);
    if (FMaxEntries == 0) {
        Changed();
        return;
    }
    Trim(FMaxEntries - 1u);
    FItems.insert(FItems.begin(), fileName);
    Changed();
}

bool TMRUFiles::Remove(const std::string& fileName) {
    auto same = [&](const std::string& s) { return SameFileNameIgnoringCase(s, fileName); };
    auto it = std::find_if(FItems.begin(), FItems.end(), same);
    if (it == FItems.end()) return false;
    FItems.erase(it);
    Changed();
    return true;
}

void TMRUFiles::Clear() {
    FItems.clear();
    Changed();
}

void TMRUFiles::SetMaxEntries(std::uint8_t value) {
    if (value == FMaxEntries) return;
    FMaxEntries = value;
    // Capacity means "at most this many": shrinking to 5 keeps five names.
    Trim(value);
    Changed();
}

void TMRUFiles::SetNumbered(bool value) {
    if (value == FNumbered) return;
    FNumbered = value;
    Changed();
}

std::string TMRUFiles::EntryCaption(int index) const {
    std::string name;
    for (char c : FItems.at(static_cast<std::size_t>(index))) {
        name += c;
        if (c == '&') name += '&';
    }
    if (!FNumbered) return name;
    if (index < 10) return "&" + std::to_string(index + 1) + " " + name;
    return "  " + name;
}

std::string TMRUFiles::EntryHint(const std::string& fileName) { return "Opens " + fileName; }

void TMRUFiles::Trim(std::size_t capacity) {
    if (FItems.size() > capacity) FItems.resize(capacity);
}

void TMRUFiles::Changed() const {
    if (FOnChange) FOnChange();
}

namespace {

constexpr const char* FileKeyFormat = "File";

std::string FileKey(int number) { return FileKeyFormat + std::to_string(number); }

bool NeedsQuotes(const std::string& name) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    auto quote = [](char c) { return c == '"' || c == '\''; };
    return blank(name.front()) || blank(name.back()) || (name.size() >= 2 && quote(name.front()) && quote(name.back()));
}

}  // namespace

void TMRUFiles::Load(const TIniFile& ini, const std::string& section) {
    std::vector<std::string> loaded;
    for (int n = 1; n <= FMaxEntries; ++n) {
        std::string name = ini.ReadString(section, FileKey(n), "");
        if (name.empty()) break;
        auto same = [&](const std::string& s) { return SameFileNameIgnoringCase(s, name); };
        if (std::none_of(loaded.begin(), loaded.end(), same)) loaded.push_back(std::move(name));
    }
    FItems = std::move(loaded);
    Changed();
}

void TMRUFiles::Save(TIniFile& ini, const std::string& section) const {
    ini.EraseSection(section);
    int number = 0;
    for (const auto& name : FItems) {
        // A name the file cannot give back unchanged is left out rather than
        // stored damaged: a line break would split the line, and the reader
        // cuts values at MaxValueLength. Numbering stays gapless, since
        // loading stops at the first missing key.
        if (name.find_first_of("\r\n") != std::string::npos) continue;
        const std::string value = NeedsQuotes(name) ? '"' + name + '"' : name;
        if (value.size() > TIniFile::MaxValueLength) continue;
        ini.WriteString(section, FileKey(++number), value);
    }
}

}  // namespace curvane
