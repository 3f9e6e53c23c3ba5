// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/color_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace curvane {
namespace {

// CIE L* of an sRGB colour (D65 white).
double Lightness(TRgb8 c) {
    const auto linear = [](std::uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126 * linear(c.R) + 0.7152 * linear(c.G) + 0.0722 * linear(c.B);
    return y > 216.0 / 24389 ? 116 * std::cbrt(y) - 16 : y * 24389.0 / 27;
}

TEST(ColorMap, EndsAsPublishedAndLightnessRisesThroughout) {
    const struct { TColorMap Map; TRgb8 Low, High; } rows[] = {
        {TColorMap::cmViridis, {0x44, 0x01, 0x54}, {0xFD, 0xE7, 0x25}},
        {TColorMap::cmPlasma, {0x0D, 0x08, 0x87}, {0xF0, 0xF9, 0x21}},
        {TColorMap::cmMagma, {0x00, 0x00, 0x04}, {0xFC, 0xFD, 0xBF}},
        {TColorMap::cmInferno, {0x00, 0x00, 0x04}, {0xFC, 0xFF, 0xA4}},
        {TColorMap::cmCividis, {0x00, 0x20, 0x4D}, {0xFF, 0xEA, 0x46}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(ColorMapName(r.Map));
        EXPECT_EQ(ColorMapAt(r.Map, 0), r.Low);
        EXPECT_EQ(ColorMapAt(r.Map, 1), r.High);
        EXPECT_EQ(ColorMapAt(r.Map, -3), r.Low);
        EXPECT_EQ(ColorMapAt(r.Map, std::numeric_limits<double>::quiet_NaN()), r.Low);
        EXPECT_EQ(ColorMapAt(r.Map, 7), r.High);
        double previous = -1;
        // Steps of 1/64 rise by about one unit of L*, more than rounding
        // the colours to bytes can take back.
        for (int i = 0; i <= 64; ++i) {
            const double l = Lightness(ColorMapAt(r.Map, i / 64.0));
            EXPECT_GT(l, previous) << "at " << i / 64.0;
            previous = l;
        }
    }
    EXPECT_EQ(ColorMapAt(static_cast<TColorMap>(99), 0), ColorMapAt(TColorMap::cmViridis, 0));
}

}  // namespace
}  // namespace curvane
