// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/func_palette.h"

#include <algorithm>
#include <cmath>

#include "core/document/graph_document.h"

namespace curvane {

std::int32_t NewFunctionColor(const TGraphDocument& document) {
    std::array<int, FuncPalette.size()> uses{};
    for (int i = 0; i < document.Functions.Count(); ++i) {
        const TFuncItem& f = *document.Func(i);
        if (f.Expression.empty()) continue;
        const auto at = std::find(FuncPalette.begin(), FuncPalette.end(), f.Color);
        if (at != FuncPalette.end()) ++uses[static_cast<std::size_t>(at - FuncPalette.begin())];
    }
    const auto fewest = std::min_element(uses.begin(), uses.end());
    return FuncPalette[static_cast<std::size_t>(fewest - uses.begin())];
}

std::int32_t DerivativeColor(std::int32_t color) {
    if ((static_cast<std::uint32_t>(color) & 0xFF000000u) != 0) return color;
    std::uint32_t lighter = 0;
    for (int shift : {0, 8, 16}) {
        const double channel = static_cast<double>((static_cast<std::uint32_t>(color) >> shift) & 0xFFu);
        const double mixed = channel + (255.0 - channel) * DerivativeLightening;
        lighter |= static_cast<std::uint32_t>(std::lround(mixed)) << shift;
    }
    return static_cast<std::int32_t>(lighter);
}

}  // namespace curvane
