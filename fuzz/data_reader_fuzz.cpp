// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as columns of numbers, with the separator, decimal
// mark and columns taken from the first two bytes: the reader must refuse
// cleanly or give equal-length finite columns and an ordered, bounded list of
// skipped lines, and the points it gives must read back the same when written
// as plain text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/data/data_reader.h"
#include "core/support/number_format.h"

using namespace curvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    TDataReadOptions options;
    options.Separator = static_cast<TFieldSeparator>(data[0] % 5);
    options.Decimal = static_cast<TDecimalMark>(data[0] / 5 % 3);
    options.Columns = {1 + data[1] % 3, 1 + data[1] / 3 % 3, data[1] / 9 % 4};
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    TDataTable table;
    try {
        table = ReadDataText(text, options);
    } catch (const EDataError&) {
        return 0;
    }
    const std::size_t n = table.Count();
    if (n == 0 || table.Y.size() != n || table.DY.size() != (options.Columns.DY > 0 ? n : 0)) std::abort();
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(table.X[i]) || !std::isfinite(table.Y[i]) || (!table.DY.empty() && !std::isfinite(table.DY[i])))
            std::abort();
    if (table.Skipped.size() > MaxReportedLines || table.SkippedCount < table.Skipped.size()) std::abort();
    for (std::size_t i = 1; i < table.Skipped.size(); ++i)
        if (table.Skipped[i].Line <= table.Skipped[i - 1].Line) std::abort();
    if (table.Separator == TFieldSeparator::fsAuto || table.Decimal == TDecimalMark::dmAuto) std::abort();

    std::string again;
    for (std::size_t i = 0; i < n; ++i) {
        again += FormatShortest(table.X[i]) + " " + FormatShortest(table.Y[i]);
        if (!table.DY.empty()) again += " " + FormatShortest(table.DY[i]);
        again += '\n';
    }
    const TDataTable back = ReadDataText(again, {{1, 2, table.DY.empty() ? 0 : 3}});
    if (back.X != table.X || back.Y != table.Y || back.DY != table.DY || back.SkippedCount != 0) std::abort();
    return 0;
}
