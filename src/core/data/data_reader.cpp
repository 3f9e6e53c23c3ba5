// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/data/data_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "core/support/number_format.h"

namespace curvane {
namespace {

constexpr std::size_t DetectionLines = 50;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char SeparatorChar(TFieldSeparator separator) {
    switch (separator) {
        case TFieldSeparator::fsComma: return ',';
        case TFieldSeparator::fsSemicolon: return ';';
        case TFieldSeparator::fsTab: return '\t';
        default: return ' ';
    }
}

// Calls visit(lineNumber, line) for each line of text, without its break.
// LF, CRLF and a lone CR each end a line.
template <class F>
void ForEachLine(std::string_view text, F&& visit) {
    std::size_t number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A plain loop: find_first_of searches its set once per character.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        if (!visit(++number, text.substr(pos, end - pos))) return;
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
}

// The fields of a line into out, replacing what it held.
void SplitInto(std::string_view line, TFieldSeparator separator, std::vector<std::string>& out) {
    // The strings of the last line are reused: most lines have as many fields
    // as the one before, and a million lines should not cost a million
    // allocations per column.
    std::size_t used = 0;
    const auto next = [&]() -> std::string& {
        if (used == out.size()) out.emplace_back();
        std::string& f = out[used++];
        f.clear();
        return f;
    };
    struct TTrimToUsed {
        std::vector<std::string>& Out;
        std::size_t& Used;
        ~TTrimToUsed() { Out.resize(Used); }
    } trim{out, used};
    const char sep = SeparatorChar(separator);
    const bool blanks = separator == TFieldSeparator::fsBlanks;
    std::size_t i = 0;
    const std::size_t n = line.size();
    if (blanks) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i == n) return;
    }
    for (;;) {
        // One field from i.
        while (i < n && IsBlank(line[i]) && line[i] != sep) ++i;
        std::string& field = next();
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            // Text between the closing quote and the separator stays behind
            // the quote, so `"1"2` is an odd field rather than the number 12.
            std::size_t start = i;
            while (i < n && !(blanks ? IsBlank(line[i]) : line[i] == sep)) ++i;
            if (std::string_view rest = Trim(line.substr(start, i - start)); !rest.empty())
                field.append(1, '"').append(rest);
        } else {
            std::size_t start = i;
            while (i < n && !(blanks ? IsBlank(line[i]) : line[i] == sep)) ++i;
            field.assign(Trim(line.substr(start, i - start)));
        }
        if (i >= n) return;
        if (blanks) {
            while (i < n && IsBlank(line[i])) ++i;
            if (i == n) return;
        } else {
            ++i;  // past the separator; a separator at the end leaves one empty field
            if (i == n) {
                next();
                return;
            }
        }
    }
}

std::optional<double> ParseField(std::string& field, TDecimalMark decimal) {
    if (decimal == TDecimalMark::dmComma) {
        // One comma stands for the point; a field holding both marks is not
        // read as a number with a thousands separator.
        const std::size_t comma = field.find(',');
        if (comma != std::string::npos) {
            if (field.find('.') != std::string::npos || field.find(',', comma + 1) != std::string::npos)
                return std::nullopt;
            field[comma] = '.';
        }
    }
    std::optional<double> value = ParseDouble(field);
    if (value && !std::isfinite(*value)) return std::nullopt;
    return value;
}

void CheckBinary(std::string_view text) {
    std::size_t controls = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0)
            throw EDataError("No data read: the text holds binary bytes (a zero byte at offset " + std::to_string(i) +
                             ")");
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') || c == 0x7F) ++controls;
    }
    if (controls > text.size() / 100)
        throw EDataError("No data read: the text holds binary bytes (" + std::to_string(controls) +
                         " control characters)");
}

}  // namespace

std::string DescribeSkippedLine(const TSkippedLine& skipped) {
    return "line " + std::to_string(skipped.Line) + ": column " + std::to_string(skipped.Column) +
           (skipped.Reason == TSkipReason::srMissing ? " is empty or missing" : " is not a number");
}

std::vector<std::string> SplitDataLine(std::string_view line, TFieldSeparator separator) {
    std::vector<std::string> fields;
    SplitInto(line, separator == TFieldSeparator::fsAuto ? TFieldSeparator::fsBlanks : separator, fields);
    return fields;
}

TFieldSeparator DetectSeparator(std::string_view text) {
    std::vector<std::string_view> sample;
    ForEachLine(text, [&](std::size_t, std::string_view line) {
        if (!Trim(line).empty()) sample.push_back(line);
        return sample.size() < DetectionLines;
    });
    // A header line may be split differently from the data; judge the rest
    // when there is a rest.
    if (sample.size() > 1) sample.erase(sample.begin());
    std::vector<std::string> fields;
    for (TFieldSeparator candidate : {TFieldSeparator::fsTab, TFieldSeparator::fsSemicolon, TFieldSeparator::fsComma}) {
        std::size_t split = 0;
        for (std::string_view line : sample) {
            if (line.find(SeparatorChar(candidate)) == std::string_view::npos) continue;
            SplitInto(line, candidate, fields);
            if (fields.size() >= 2) ++split;
        }
        if (split * 2 > sample.size()) return candidate;
    }
    return TFieldSeparator::fsBlanks;
}

TDecimalMark ResolveDecimal(TDecimalMark decimal, TFieldSeparator separator) {
    if (decimal != TDecimalMark::dmAuto) return decimal;
    return separator == TFieldSeparator::fsSemicolon || separator == TFieldSeparator::fsTab ? TDecimalMark::dmComma
                                                                                           : TDecimalMark::dmPoint;
}

TDataTable ReadDataText(std::string_view text, const TDataReadOptions& options) {
    const TDataColumns& columns = options.Columns;
    if (columns.X < 1 || columns.Y < 1 || columns.DY < 0)
        throw EDataError("No data read: columns count from 1");
    CheckBinary(text);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    TDataTable table;
    table.Separator = options.Separator == TFieldSeparator::fsAuto ? DetectSeparator(text) : options.Separator;
    table.Decimal = ResolveDecimal(options.Decimal, table.Separator);
    const bool withDY = columns.DY > 0;

    std::vector<std::string> fields;
    bool first = true;
    ForEachLine(text, [&](std::size_t number, std::string_view line) {
        if (Trim(line).empty()) return true;
        SplitInto(line, table.Separator, fields);
        table.ColumnCount = std::max(table.ColumnCount, static_cast<int>(fields.size()));
        const int wanted[3] = {columns.X, columns.Y, withDY ? columns.DY : 0};
        double values[3] = {0, 0, 0};
        TSkippedLine bad;
        for (int k = 0; k < 3 && bad.Line == 0; ++k) {
            const int column = wanted[k];
            if (column == 0) continue;
            std::string* field = column <= static_cast<int>(fields.size()) ? &fields[column - 1] : nullptr;
            if (!field || field->empty()) {
                bad = {number, column, TSkipReason::srMissing};
            } else if (std::optional<double> v = ParseField(*field, table.Decimal)) {
                values[k] = *v;
            } else {
                bad = {number, column, TSkipReason::srNotNumber};
            }
        }
        const bool wasFirst = first;
        first = false;
        if (bad.Line == 0) {
            table.X.push_back(values[0]);
            table.Y.push_back(values[1]);
            if (withDY) table.DY.push_back(values[2]);
            return true;
        }
        if (wasFirst) {
            // Split again: parsing rewrote decimal commas in place.
            SplitInto(line, table.Separator, fields);
            std::string copy;
            const bool textual = std::any_of(fields.begin(), fields.end(), [&](const std::string& f) {
                copy = f;
                return !f.empty() && !ParseField(copy, table.Decimal);
            });
            if (textual) {
                table.Header = fields;
                // "# x y" and "#x y" both name x first.
                std::vector<std::string>& names = table.Header;
                if (names.front() == "#") names.erase(names.begin());
                else if (names.front().starts_with('#')) names.front().erase(0, 1);
                return true;
            }
        }
        if (table.Skipped.size() < MaxReportedLines) table.Skipped.push_back(bad);
        ++table.SkippedCount;
        return true;
    });

    if (table.X.empty()) {
        std::string which = "columns " + std::to_string(columns.X) + " and " + std::to_string(columns.Y);
        if (withDY) which = "columns " + std::to_string(columns.X) + ", " + std::to_string(columns.Y) + " and " +
                            std::to_string(columns.DY);
        throw EDataError("No data read: no line holds numbers in " + which);
    }
    return table;
}

std::string ReadDataFileText(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) throw EFileError("Unable to read from " + path);
    if (size > MaxDataFileSize) throw EFileError("Unable to read from " + path + ": the file is larger than 256 MB");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError("Unable to read from " + path);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) throw EFileError("Unable to read from " + path);
    return text;
}

TDataTable ReadDataFile(const std::string& path, const TDataReadOptions& options) {
    const std::string text = ReadDataFileText(path);
    try {
        return ReadDataText(text, options);
    } catch (const EDataError& e) {
        throw EDataError(path + ": " + e.what());
    }
}

}  // namespace curvane
