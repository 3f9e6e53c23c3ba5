// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {

// Text that cannot give any point: binary content, no line with numbers in the
// chosen columns, columns that do not exist. Nothing is read when it is raised.
class EDataError : public Exception {
public:
    using Exception::Exception;
};

// How the fields of a line are separated. fsBlanks takes any run of spaces
// and tabs as one separator; the others take each character as one, so two in
// a row leave an empty (missing) field between them.
enum class TFieldSeparator : std::uint8_t { fsAuto, fsComma, fsSemicolon, fsTab, fsBlanks };

// A decimal point is always accepted; dmComma also takes a comma as the mark.
// dmAuto means a comma where fields are separated by ';' or tabs (the
// spreadsheets of comma-decimal locales write those), a point otherwise.
enum class TDecimalMark : std::uint8_t { dmAuto, dmPoint, dmComma };

// Columns count from 1; DY 0 means no uncertainty column.
struct TDataColumns {
    int X = 1;
    int Y = 2;
    int DY = 0;

    friend bool operator==(const TDataColumns&, const TDataColumns&) = default;
};

struct TDataReadOptions {
    TDataColumns Columns;
    TFieldSeparator Separator = TFieldSeparator::fsAuto;
    TDecimalMark Decimal = TDecimalMark::dmAuto;
};

enum class TSkipReason : std::uint8_t {
    srMissing,    // the line has fewer fields than the column, or the field is empty
    srNotNumber,  // the field holds something else than one finite number in range
};

// A line that gave no point; Line counts from 1, Column from 1.
struct TSkippedLine {
    std::size_t Line = 0;
    int Column = 0;
    TSkipReason Reason = TSkipReason::srMissing;

    friend bool operator==(const TSkippedLine&, const TSkippedLine&) = default;
};

// "line 7: column 2 is empty or missing", "line 9: column 3 is not a number".
std::string DescribeSkippedLine(const TSkippedLine& skipped);

struct TDataTable {
    std::vector<double> X, Y;
    std::vector<double> DY;  // empty without an uncertainty column, else one per point
    // The names of the header line's fields (quotes and a leading '#' taken
    // off); empty when the first line already held numbers.
    std::vector<std::string> Header;
    // The first MaxReportedLines lines that gave no point, in file order;
    // SkippedCount counts them all.
    std::vector<TSkippedLine> Skipped;
    std::size_t SkippedCount = 0;
    // What was used, with fsAuto / dmAuto resolved.
    TFieldSeparator Separator = TFieldSeparator::fsBlanks;
    TDecimalMark Decimal = TDecimalMark::dmPoint;
    // The most fields any line had (for a preview's column choice).
    int ColumnCount = 0;

    std::size_t Count() const { return X.size(); }
};

// A file of millions of bad lines keeps a bounded list of them.
inline constexpr std::size_t MaxReportedLines = 1000;
// Larger files are refused before they are read, as the document reader does.
inline constexpr std::uintmax_t MaxDataFileSize = 256u << 20;

// The separator and decimal mark that fsAuto / dmAuto would choose for text:
// judged on its first lines (tab, then ';', then ',' when most lines split
// into two or more fields on it; blanks otherwise).
TFieldSeparator DetectSeparator(std::string_view text);
TDecimalMark ResolveDecimal(TDecimalMark decimal, TFieldSeparator separator);

// The fields of one line (without its line break): blanks around fields are
// trimmed, a field in double quotes loses them ("" inside stands for one
// quote) and may hold the separator. A quote left open runs to the line's end.
// separator must not be fsAuto.
std::vector<std::string> SplitDataLine(std::string_view line, TFieldSeparator separator);

// Reads the points of text. Lines end with LF, CRLF or CR; a last line
// without its break is read; a UTF-8 byte-order mark is skipped; blank lines
// are passed over. The first non-blank line is a header when it gives no
// point and one of its fields is not a number. Every other line that gives
// no point is skipped and reported: a value is never made up for a missing
// or unreadable field. Raises EDataError (nothing read) for columns below 1
// (DY below 0), for binary content (a NUL byte, or more than one byte in a
// hundred a control character other than tab, CR, LF, FF, VT), and when no
// line gives a point.
TDataTable ReadDataText(std::string_view text, const TDataReadOptions& options = {});

// A data file's whole text. Raises EFileError "Unable to read from <path>"
// when it is missing, unreadable or larger than MaxDataFileSize.
std::string ReadDataFileText(const std::string& path);

// The same as ReadDataText for a file. Raises EFileError "Unable to read from <path>" when it
// is missing, unreadable or larger than MaxDataFileSize, and EDataError with
// the path before the reason for what ReadDataText refuses.
TDataTable ReadDataFile(const std::string& path, const TDataReadOptions& options = {});

}  // namespace curvane
