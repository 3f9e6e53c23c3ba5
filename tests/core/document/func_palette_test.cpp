// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/func_palette.h"

#include <gtest/gtest.h>

#include <set>

#include "core/document/graph_document.h"

namespace curvane {
namespace {

TEST(FuncPalette, NewFunctionsTakeTheLeastUsedColourFirstInPaletteOrder) {
    EXPECT_EQ(std::set(FuncPalette.begin(), FuncPalette.end()).size(), FuncPalette.size()) << "no colour twice";
    TGraphDocument doc;
    const auto add = [&doc](const char* formula) {
        TFuncItem f(formula);
        f.Color = NewFunctionColor(doc);
        doc.Functions.Add(f);
        return f.Color;
    };
    for (const std::int32_t color : FuncPalette) EXPECT_EQ(add("x"), color);
    EXPECT_EQ(add("x"), FuncPalette[0]) << "all used once: round again";
    doc.Functions.Delete(4);
    add("");
    EXPECT_EQ(NewFunctionColor(doc), FuncPalette[4]) << "the gap is filled first; an empty function holds no colour";
}

TEST(FuncPalette, DerivativeColourIsLighter) {
    const struct { std::int32_t Color, Lighter; } rows[] = {
        {ColorOfRgb(0x0072B2), ColorOfRgb(0x66AAD1)},
        {0, ColorOfRgb(0x666666)},            // black, a record nobody coloured
        {0xFFFFFF, 0xFFFFFF},
        {static_cast<std::int32_t>(0xFF000008u), static_cast<std::int32_t>(0xFF000008u)},  // a system colour
    };
    for (const auto& r : rows) EXPECT_EQ(DerivativeColor(r.Color), r.Lighter) << std::hex << r.Color;
}

}  // namespace
}  // namespace curvane
