// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace curvane {

// Text put together at compile time, for constant tables that show the value
// of a constant (the command line's help), so that the number is written in
// one place only. Text beyond Capacity is not a constant expression: the
// table using it does not compile.
class TConstText {
public:
    static constexpr std::size_t Capacity = 240;

    constexpr TConstText() = default;
    // Implicit, so that a literal can start a chain of +.
    constexpr TConstText(std::string_view text) { Append(text); }

    constexpr std::string_view View() const { return {FChars, FSize}; }

    constexpr TConstText& Append(std::string_view text) {
        if (FSize + text.size() > Capacity) throw "TConstText: the text is longer than Capacity";
        for (const char c : text) FChars[FSize++] = c;
        return *this;
    }

private:
    char FChars[Capacity] = {};
    std::size_t FSize = 0;
};

constexpr TConstText operator+(TConstText left, std::string_view right) { return left.Append(right); }
constexpr TConstText operator+(TConstText left, const TConstText& right) { return left.Append(right.View()); }

// The decimal digits of value, with a leading "-" for a negative one.
constexpr TConstText IntegerText(std::int64_t value) {
    char digits[20] = {};
    int count = 0;
    // Negative throughout: the most negative value has no positive counterpart.
    std::int64_t rest = value < 0 ? value : -value;
    do {
        digits[count++] = static_cast<char>('0' - rest % 10);
        rest /= 10;
    } while (rest != 0);
    TConstText text;
    if (value < 0) text.Append("-");
    while (count > 0) text.Append(std::string_view(&digits[--count], 1));
    return text;
}

// value in fixed notation with the fewest decimals (up to 15) that read back
// as value: 0.00001, where the general form would write 1E-5. A value that
// needs more decimals, or does not fit 64-bit integers once scaled, is not a
// constant expression.
constexpr TConstText DecimalText(double value) {
    const bool negative = value < 0;
    const double magnitude = negative ? -value : value;
    double scale = 1;
    for (int decimals = 0; decimals <= 15; ++decimals, scale *= 10) {
        if (magnitude * scale >= 9e18) break;
        const auto scaled = static_cast<std::int64_t>(magnitude * scale + 0.5);
        if (static_cast<double>(scaled) / scale != magnitude) continue;
        const auto unit = static_cast<std::int64_t>(scale);
        TConstText text = negative ? TConstText("-") : TConstText();
        text = text + IntegerText(scaled / unit);
        if (decimals == 0) return text;
        const TConstText fraction = IntegerText(scaled % unit);
        text.Append(".");
        for (auto zeros = static_cast<std::size_t>(decimals) - fraction.View().size(); zeros > 0; --zeros)
            text.Append("0");
        return text + fraction;
    }
    throw "DecimalText: the value needs more than 15 decimals";
}

}  // namespace curvane
