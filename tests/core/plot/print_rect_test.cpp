// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/print_rect.h"

#include <gtest/gtest.h>

namespace curvane {
namespace {

// A4 at 600 dpi less margins, a 96-dpi screen.
constexpr int PageW = 4800, PageH = 6800;

TEST(PrintRectTest, MaximumFillsOneSideOfThePageAndNeverPassesTheOther) {
    const struct {
        int W, H;
        TPrintRect Expected;
    } rows[] = {
        {800, 400, {4800, 2400}},   // wide: the page width
        {300, 900, {2266, 6800}},   // tall: the page height, the width rounded down
        {4800, 6800, {4800, 6800}}, // the page's own proportions
        {1000, 1, {4800, 4}},
    };
    for (const auto& row : rows) {
        const TPrintRect r = PrintRect(row.W, row.H, PageW, PageH, 600, 600, 96, TPrintFit::pfMaximum);
        EXPECT_EQ(r, row.Expected) << row.W << 'x' << row.H;
        EXPECT_TRUE(r.Width <= PageW && r.Height <= PageH && (r.Width == PageW || r.Height == PageH));
    }
}

TEST(PrintRectTest, ProportionalKeepsTheScreenSizeAndOtherModesPrintPixelForPixel) {
    // 480 pixels at 96 dpi are five inches: 3000 printer pixels at 600 dpi;
    // the page does not limit it.
    EXPECT_EQ(PrintRect(480, 96, PageW, PageH, 600, 1200, 96, TPrintFit::pfProportional), (TPrintRect{3000, 1200}));
    EXPECT_EQ(PrintRect(2000, 100, PageW, PageH, 600, 600, 96, TPrintFit::pfProportional), (TPrintRect{12500, 625}));
    EXPECT_EQ(PrintRect(7, 5, PageW, PageH, 600, 600, 72, TPrintFit::pfProportional), (TPrintRect{58, 41}));
    EXPECT_EQ(PrintRect(640, 480, PageW, PageH, 600, 600, 96, static_cast<TPrintFit>(0)), (TPrintRect{640, 480}));
    // Nothing to divide by: nothing printed rather than a fault.
    EXPECT_EQ(PrintRect(0, 480, PageW, PageH, 600, 600, 96, TPrintFit::pfMaximum), TPrintRect{});
    EXPECT_EQ(PrintRect(640, 480, PageW, PageH, 600, 600, 0, TPrintFit::pfProportional), TPrintRect{});
    EXPECT_EQ(PrintRect(640, 480, 0, PageH, 600, 600, 96, TPrintFit::pfMaximum), TPrintRect{});
}

}  // namespace
}  // namespace curvane
