// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace curvane {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string FormatShortest(double value) {
    std::array<char, 64> buf{};
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    (void)ec;  // 64 characters always suffice for a double
    return std::string(buf.data(), end);
}

std::string FormatGeneral(double value, int digits) {
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Scientific form with the requested precision tells the decimal exponent
    // after rounding (9.9999999999999999 rounds to 1E1).
    std::array<char, 64> sci{};
    auto [send, sec] = std::to_chars(sci.data(), sci.data() + sci.size(), value,
                                     std::chars_format::scientific, digits - 1);
    (void)sec;
    std::string_view s(sci.data(), send - sci.data());
    auto epos = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);

    std::string out;
    if (exponent < -4 || exponent >= digits) {
        std::string mantissa(s.substr(0, epos));
        if (mantissa.find('.') != std::string::npos) {
            while (mantissa.back() == '0') mantissa.pop_back();
            if (mantissa.back() == '.') mantissa.pop_back();
        }
        out = mantissa + "E" + (exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
    } else {
        std::array<char, 400> fixed{};
        int decimals = digits - 1 - exponent;
        if (decimals < 0) decimals = 0;
        auto [fend, fec] = std::to_chars(fixed.data(), fixed.data() + fixed.size(), value,
                                         std::chars_format::fixed, decimals);
        (void)fec;
        out.assign(fixed.data(), fend);
        if (out.find('.') != std::string::npos) {
            while (out.back() == '0') out.pop_back();
            if (out.back() == '.') out.pop_back();
        }
        if (out == "-0") out = "0";
    }
    return out;
}

std::string FormatFixed(double value, int precision, int decimals) {
    precision = std::clamp(precision, 1, 18);
    decimals = std::clamp(decimals, 0, 18);
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

    // Round to the significant digits first, then lay those digits out: the
    // padding zeros must not show binary noise beyond the precision
    // (0.1 with 18 decimals is 0.100000000000000000, not ...0000000555).
    std::array<char, 64> sci{};
    auto [send, sec] = std::to_chars(sci.data(), sci.data() + sci.size(), std::fabs(value),
                                     std::chars_format::scientific, precision - 1);
    (void)sec;
    const std::string_view s(sci.data(), send - sci.data());
    const auto epos = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
    std::string digits;
    for (char c : s.substr(0, epos))
        if (c != '.') digits += c;
    const bool negative = std::signbit(value) && digits.find_first_not_of('0') != std::string::npos;

    if (exponent >= precision) {
        std::string mantissa(s.substr(0, epos));
        std::string out = negative ? "-" : "";
        out += mantissa + "E" + (exponent < 0 ? "-" : "+") + std::to_string(std::abs(exponent));
        return out;
    }
    // Digit i stands for 10^(exponent - i).
    auto digitAt = [&](int power) {
        const int i = exponent - power;
        return i >= 0 && i < static_cast<int>(digits.size()) ? digits[i] : '0';
    };
    std::string out = negative ? "-" : "";
    for (int power = std::max(exponent, 0); power >= 0; --power) out += digitAt(power);
    if (decimals > 0) {
        out += '.';
        for (int power = -1; power >= -decimals; --power) out += digitAt(power);
    }
    return out;
}

std::optional<double> ParseDouble(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;  // from_chars takes no leading plus
    if (first == last) return std::nullopt;
    // from_chars would accept "inf" and "nan": only digits, point, sign and
    // exponent letters make a number here.
    for (const char* p = first; p != last; ++p) {
        char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return std::nullopt;
    }
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Overflow and underflow: the caller decides; report as unparseable
        // rather than silently giving infinity.
        return std::nullopt;
    }
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long magnitude = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    constexpr unsigned long long Limit = 9223372036854775807ULL;
    if (negative) {
        if (magnitude > Limit + 1) return std::nullopt;
        return magnitude == Limit + 1 ? static_cast<long long>(-9223372036854775807LL - 1)
                                      : -static_cast<long long>(magnitude);
    }
    if (magnitude > Limit) return std::nullopt;
    return static_cast<long long>(magnitude);
}

}  // namespace curvane
