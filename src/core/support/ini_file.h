// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace curvane {

// An INI file held in memory, with the lookup rules of the classic
// private-profile functions:
//  - section and key names compare without regard to (ASCII) case;
//  - blanks around names and values are stripped, then one pair of enclosing
//    quotes ("..." or '...') from the value;
//  - a value is read up to 2047 bytes (cut back to a whole UTF-8 character);
//  - when a section or key occurs twice, the first one counts;
//  - writing a key replaces its line in place (or adds it at the end of its
//    section, or adds the section at the end of the file); every other line of
//    the file, comments and unknown keys included, is kept as it was.
// Files may use LF or CRLF and may start with a UTF-8 byte-order mark; both
// are kept when the file is written back.
//
// Writes change only the copy in memory: UpdateFile() puts the whole file on
// disk at once (a temporary file in the same folder renamed over the old one),
// so an interrupted or refused save never leaves a half-written file.
class TIniFile {
public:
    static constexpr std::size_t MaxValueLength = 2047;
    // Larger files, or files of more lines, are refused on opening rather
    // than held in memory: each line costs a record of its own, so a file of
    // blank lines would otherwise take many times its size. A document of a
    // thousand functions has about 21,000 lines.
    static constexpr std::uintmax_t MaxFileSize = 256u << 20;
    static constexpr std::size_t MaxLines = 1000000;

    // Reads the file if it exists; a missing file is an empty one. A file that
    // exists but cannot be read (no permission, a folder, too large or too
    // many lines) raises EFileError "Unable to read from <path>" (with the
    // reason for the last two).
    explicit TIniFile(std::string fileName);
    // An INI object over the given text, tied to no file (tests, fuzzing).
    // The line limit applies here too.
    static TIniFile FromText(std::string_view text);

    const std::string& FileName() const { return FFileName; }
    // True when the constructor found and read the file.
    bool FileExisted() const { return FFileExisted; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after "0x"/"0X" (up to 0xFFFFFFFF, which reads as
    // -1 the way colour values wrap). Anything else, or a decimal value outside
    // 32 bits, gives def.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // Read as an integer; any non-zero value is true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // "." as separator. Unparsable values, infinities and values out of the
    // double range (1e400) give def.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;

    // Line breaks in a value would split it into lines of their own (and could
    // forge keys), so they are written as blanks; the rest is written as given.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // The same, but a value that ReadString would change (blanks at its ends,
    // or a pair of enclosing quotes of its own) is written inside one more
    // pair of quotes, so it reads back exactly as given.
    void WriteStringExact(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // 15 significant digits when they read back to the same double, else 16 or
    // 17, so a saved value always reads back exactly.
    void WriteFloat(std::string_view section, std::string_view key, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Key names of the section's key lines, in file order, as spelled in the file.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);

    // The file's text as UpdateFile would write it.
    std::string Text() const;
    // Writes the whole file atomically. Raises EFileError "Unable to write to
    // <path>" when the file or its folder refuses the write (a read-only file
    // included); the file on disk is then unchanged.
    void UpdateFile() const;

    static std::string FormatFloat(double value);

private:
    TIniFile() = default;
    struct Line {
        std::string text;      // as in the file, without the line break
        std::string keyLower;  // lower-case key name; empty for other lines
        bool isKey = false;
    };
    struct Section {
        std::string nameLower;  // empty for the lines before the first header
        bool hasHeader = false;
        std::vector<Line> lines;
        std::unordered_map<std::string, std::size_t> firstKey;
    };

    void Parse(std::string_view text);
    const Section* FindSection(std::string_view section) const;
    Section* FindSection(std::string_view section);
    const Line* FindKey(std::string_view section, std::string_view key) const;
    void RebuildSectionIndex();

    std::string FFileName;
    bool FFileExisted = false;
    bool FHasBom = false;
    bool FCrLf = false;
    std::vector<Section> FSections;  // FSections[0] holds the lines before any header
    std::unordered_map<std::string, std::size_t> FFirstSection;
};

}  // namespace curvane
