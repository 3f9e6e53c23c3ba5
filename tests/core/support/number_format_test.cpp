// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "core/support/checked.h"

namespace curvane {
namespace {

TEST(NumberFormat, ShortestReadsBackToTheSameDouble) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        const std::string text = FormatShortest(v);
        const auto back = ParseDouble(text);
        ASSERT_TRUE(back && std::memcmp(&*back, &v, sizeof v) == 0) << text;
    }
    EXPECT_EQ(FormatShortest(0.1), "0.1");
}

TEST(NumberFormat, GeneralFormTable) {
    const struct { double Value; int Digits; const char* Text; } rows[] = {
        {3.141592653589793, 15, "3.14159265358979"},
        {-0.0, 15, "0"},
        {0.0001, 15, "0.0001"},
        {0.00001, 15, "1E-5"},
        {1.5e20, 15, "1.5E20"},
        {123456789012345.0, 15, "123456789012345"},
        {1234567890123456.0, 15, "1.23456789012346E15"},
        {9.99999999999999999, 15, "10"},
        {2.0 / 3.0, 4, "0.6667"},
    };
    for (const auto& r : rows) EXPECT_EQ(FormatGeneral(r.Value, r.Digits), r.Text);
}

TEST(NumberFormat, FixedFormRoundsThenPads) {
    struct Row {
        double Value;
        int Precision, Decimals;
        const char* Text;
    };
    const Row rows[] = {
        {0.5, 14, 20, "0.500000000000000000"},
        {1.0 / 3, 14, 20, "0.333333333333330000"},
        {0.00001, 10, 13, "0.0000100000000"},
        {-1234.5678, 14, 20, "-1234.567800000000000000"},
        {0.1, 14, 20, "0.100000000000000000"},
        {-0.0, 14, 20, "0.000000000000000000"},
        {9.99999999999999999, 14, 2, "10.00"},
        {1.5e20, 14, 20, "1.5000000000000E+20"},
        {0.004, 3, 2, "0.00"},
    };
    for (const auto& r : rows) EXPECT_EQ(FormatFixed(r.Value, r.Precision, r.Decimals), r.Text) << r.Value;
}

TEST(NumberFormat, ParseRejectsWhatIsNotAWholeNumber) {
    for (const char* t : {"", " ", "1.2.3", "1,5", "inf", "nan", "0x10", "1e", "--1", "1e400"})
        EXPECT_FALSE(ParseDouble(t).has_value()) << t;
    EXPECT_EQ(ParseDouble(" 1e-3 "), 1e-3);
    EXPECT_EQ(ParseDouble("+2."), 2.0);
    EXPECT_EQ(ParseDouble("-0.5\r"), -0.5);
    EXPECT_EQ(ParseInteger("0x00FF00FF"), 0x00FF00FF);
    EXPECT_EQ(ParseInteger(" -16777211 "), -16777211);
    EXPECT_EQ(ParseInteger("-9223372036854775808"), std::numeric_limits<long long>::min());
    for (const char* t : {"9223372036854775808", "12abc", "0x", "1.0"}) EXPECT_FALSE(ParseInteger(t).has_value()) << t;
}

TEST(RoundChecked, TiesToEvenAndRangeErrors) {
    EXPECT_EQ(RoundChecked(3.5), 4);
    EXPECT_EQ(RoundChecked(-2.5), -2);
    EXPECT_EQ(RoundChecked(-2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(RoundChecked(2147483647.5), ERangeError);  // ties to even: 2^31
    EXPECT_THROW(RoundChecked(std::nan("")), ERangeError);
    EXPECT_THROW(RoundChecked<std::int64_t>(9.3e18), ERangeError);
    EXPECT_EQ(RoundChecked<std::int64_t>(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace curvane
