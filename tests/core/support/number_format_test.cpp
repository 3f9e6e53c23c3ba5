#include "core/support/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <cstring>
#include <cstdint>

#include "core/support/checked.h"

namespace curvane {
namespace {

TEST(NumberFormat, ShortestReadsBackToTheSameDouble) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t b = bits(rng);
        double v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) continue;
        auto text = FormatShortest(v);
        auto back = ParseDouble(text);
        ASSERT_TRUE(back.has_value()) << text;
        ASSERT_EQ(std::memcmp(&*back, &v, sizeof v), 0) << text;
    }
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(FormatShortest(-2.5), "-2.5");
}

TEST(NumberFormat, GeneralFormTable) {
    struct Row { double value; int digits; const char* text; };
    const Row rows[] = {
        {0.25, 15, "0.25"},
        {3.141592653589793, 15, "3.14159265358979"},
        {-5, 15, "-5"},
        {0, 15, "0"},
        {-0.0, 15, "0"},
        {0.0001, 15, "0.0001"},
        {0.00001, 15, "1E-5"},
        {1.5e20, 15, "1.5E20"},
        {123456789012345.0, 15, "123456789012345"},
        {1234567890123456.0, 15, "1.23456789012346E15"},
        {9.99999999999999999, 15, "10"},
        {2.0 / 3.0, 4, "0.6667"},
        {1e-300, 15, "1E-300"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(FormatGeneral(r.value, r.digits), r.text);
    }
}

TEST(NumberFormat, ParseRejectsWhatIsNotAWholeNumber) {
    const char* bad[] = {"", " ", "1.2.3", "1,5", "abc", "inf", "nan", "0x10", "1e", "--1", "1e400"};
    for (const char* t : bad) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(ParseDouble(t).has_value());
    }
    EXPECT_EQ(ParseDouble(" 1e-3 "), 1e-3);
    EXPECT_EQ(ParseDouble("+2."), 2.0);
    EXPECT_EQ(ParseDouble("-0.5\r"), -0.5);
}

TEST(NumberFormat, IntegersDecimalAndHex) {
    EXPECT_EQ(ParseInteger("0x00FF00FF"), 0x00FF00FF);
    EXPECT_EQ(ParseInteger("-16777211"), -16777211);
    EXPECT_EQ(ParseInteger(" 42 "), 42);
    EXPECT_EQ(ParseInteger("-9223372036854775808"), std::numeric_limits<long long>::min());
    EXPECT_FALSE(ParseInteger("9223372036854775808").has_value());
    EXPECT_FALSE(ParseInteger("12abc").has_value());
    EXPECT_FALSE(ParseInteger("0x").has_value());
    EXPECT_FALSE(ParseInteger("1.0").has_value());
}

TEST(RoundChecked, TiesToEvenAndRangeErrors) {
    EXPECT_EQ(RoundChecked(2.5), 2);
    EXPECT_EQ(RoundChecked(3.5), 4);
    EXPECT_EQ(RoundChecked(-2.5), -2);
    EXPECT_EQ(RoundChecked(2147483647.0), 2147483647);
    EXPECT_EQ(RoundChecked(-2147483648.0), -2147483647 - 1);
    EXPECT_THROW(RoundChecked(2147483647.5), ERangeError);  // ties to even: 2^31
    EXPECT_THROW(RoundChecked(std::nan("")), ERangeError);
    EXPECT_THROW(RoundChecked(HUGE_VAL), ERangeError);
    EXPECT_THROW(RoundChecked<std::int64_t>(9.3e18), ERangeError);
    EXPECT_EQ(RoundChecked<std::int64_t>(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace curvane
