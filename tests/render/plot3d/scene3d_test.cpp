// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/scene3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace curvane {
namespace {

TEST(Scene3D, GridPositionsPerAxis) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* why;
        double from, to, step;
        bool snap;
        std::size_t count;
    };
    const Row rows[] = {
        {"x of the x*y box", -6, 6, 1, true, 13},
        {"z of the x*y box", -27, 27, 1, false, 55},
        {"zero step", -6, 6, 0, true, 0},
        {"negative step", -6, 6, -1, true, 0},
        {"infinite step", -6, 6, inf, true, 0},
        {"infinite limit", -inf, 6, 1, true, 0},
        {"typed box of 1e9 with step 1", -1e9, 1e9, 1, true, 0},
        {"exactly the cap", 1, MaxGridLinesPerAxis, 1, false, MaxGridLinesPerAxis},
        {"step below the spacing of doubles there", 1e20, 1e20, 1, false, 1},
        {"upside-down box", 6, -6, 1, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(GridPositions(row.from, row.to, row.step, row.snap).size(), row.count);
    }
}

TEST(Scene3D, GridSnapsNearZeroOnlyForTheAxes) {
    // 0.1 is not exact: ten additions from -1 miss zero by about 1e-16.
    const std::vector<double> snapped = GridPositions(-1, 1, 0.1, true);
    const std::vector<double> raw = GridPositions(-1, 1, 0.1, false);
    ASSERT_EQ(snapped.size(), 21u);
    ASSERT_EQ(raw.size(), 21u);
    EXPECT_EQ(snapped[10], 0.0);
    EXPECT_NE(raw[10], 0.0);
    EXPECT_LT(std::fabs(raw[10]), 1e-8);
    // The walk goes on from the exact zero.
    EXPECT_EQ(snapped[11], 0.1);
}

TEST(Scene3D, LabelsSkipTheLimits) {
    const std::vector<double> x = LabelPositions(-6, 6, 1, false);
    ASSERT_EQ(x.size(), 11u);
    EXPECT_EQ(LabelText(x.front()), "-5.00");
    EXPECT_EQ(LabelText(x.back()), "5.00");
    const std::vector<double> z = LabelPositions(-27, 27, 1, true);
    ASSERT_EQ(z.size(), 53u);
    EXPECT_EQ(LabelText(z.front()), "26.00");
    EXPECT_EQ(LabelText(z.back()), "-26.00");
    EXPECT_TRUE(LabelPositions(-6, 6, 0, true).empty());
    EXPECT_TRUE(LabelPositions(-1e9, 1e9, 1, false).empty());

    EXPECT_EQ(LabelText(-1e-17), "0.00");
    EXPECT_EQ(LabelText(0.125), "0.12");  // the tie goes to the even digit
    EXPECT_EQ(LabelText(1234.5), "1234.50");
}

// Screen labels carry the decimals their step needs, no more.
TEST(Scene3D, StepLabelsHaveTheDecimalsOfTheStep) {
    const struct { double Value, Step; const char* Text; } rows[] = {
        {-25, 5, "-25"},       {0.5, 0.5, "0.5"},     {0.75, 0.25, "0.75"},   {0.3, 0.1, "0.3"},
        {-1e-17, 0.1, "0.0"},  {-0.0, 1, "0"},        {2e-12, 1e-12, "0.0000000000"},
    };
    for (const auto& r : rows) EXPECT_EQ(StepLabelText(r.Value, r.Step), r.Text) << r.Value << " by " << r.Step;
}

}  // namespace
}  // namespace curvane
