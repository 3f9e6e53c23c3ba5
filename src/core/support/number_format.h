// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace curvane {

// Numbers always use "." as the decimal separator, whatever the locale: these
// helpers go through std::to_chars / std::from_chars, which never consult it.

// The shortest decimal text that reads back to exactly the same double
// ("0.1", "1e+100", "-0", "inf", "nan").
std::string FormatShortest(double value);

// General format with at most `digits` significant digits (1..17), trailing
// zeros dropped, exponent form only where the plain form would be longer than
// the precision allows: "0.25", "3.14159265358979", "0.0001", "1E-5", "1.5E20".
// This is the form the settings and document files store.
std::string FormatGeneral(double value, int digits = 15);

// Fixed notation as the tool dialogs show results: the value rounded to
// `precision` significant digits (1..18), then written with `decimals`
// digits after the point (capped at 18), zero-padded: FormatFixed(0.5, 14,
// 20) is "0.500000000000000000", FormatFixed(0.00001, 10, 13) is
// "0.0000100000000". A value with more than `precision` digits before the
// point gets the exponent form "1.2345678901235E+20" instead.
std::string FormatFixed(double value, int precision, int decimals);

// Parses a whole decimal number ("1", "-2.5", "1e-3", "1E+20"), allowing
// surrounding blanks. Returns nullopt for anything else, including partial
// matches ("1.2.3"), hexadecimal, and "inf"/"nan" words.
std::optional<double> ParseDouble(std::string_view text);

// Parses a whole integer, decimal or "0x"/"0X" hexadecimal, allowing a leading
// sign and surrounding blanks. Returns nullopt when malformed or out of range.
std::optional<long long> ParseInteger(std::string_view text);

}  // namespace curvane
