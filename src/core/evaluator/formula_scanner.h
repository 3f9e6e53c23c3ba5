// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace curvane {

// The character classes of the formula language, shared by the parser and by
// whatever else reads formula text, so that both split a formula into the same
// tokens.
enum TCharClass : std::uint8_t {
    ccBlank = 1,     // skipped between tokens
    ccOperator = 2,  // a one-character delimiter token; also ends a name
    ccFollow = 4,    // may start the token after an operand
    ccDigit = 8,
    ccLetter = 16,
};

constexpr std::array<std::uint8_t, 256> MakeCharClasses() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned char c : {' ', '\t'}) t[c] |= ccBlank;
    // NUL, tab, LF, CR, space, % ( ) * + , - / ^
    for (unsigned char c : {'\0', '\t', '\n', '\r', ' ', '%', '(', ')', '*', '+', ',', '-', '/', '^'})
        t[c] |= ccOperator;
    for (unsigned char c : {')', '*', '+', ',', '-', '/', '^'}) t[c] |= ccFollow;
    for (int c = '0'; c <= '9'; ++c) t[c] |= ccDigit;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] |= ccLetter;
    for (int c = 'a'; c <= 'z'; ++c) t[c] |= ccLetter;
    return t;
}

inline constexpr std::array<std::uint8_t, 256> CharClasses = MakeCharClasses();
static_assert(CharClasses['\0'] == ccOperator);
static_assert(CharClasses[' '] == (ccBlank | ccOperator));
static_assert(CharClasses['('] == ccOperator && CharClasses['%'] == ccOperator);
static_assert(CharClasses[')'] == (ccOperator | ccFollow) && CharClasses['^'] == (ccOperator | ccFollow));
static_assert(CharClasses['.'] == 0 && CharClasses['_'] == 0 && CharClasses[0xC3] == 0);
static_assert(CharClasses['7'] == ccDigit && CharClasses['q'] == ccLetter && CharClasses['Q'] == ccLetter);

inline bool HasCharClass(char c, TCharClass cls) { return (CharClasses[static_cast<unsigned char>(c)] & cls) != 0; }

enum class TScanKind : std::uint8_t {
    skEnd,        // nothing but blanks left
    skLineBreak,  // a CR, taken as CR LF
    skOperator,   // one character of ccOperator
    skNumber,     // digits and dots, then perhaps E, signs and digits (checked by the parser)
    skName,       // a letter, then everything up to the next operator character
    skInvalid,    // a character no token starts with
};

struct TScanToken {
    TScanKind Kind = TScanKind::skEnd;
    // The token's characters in the formula (for skLineBreak the CR alone;
    // empty for skEnd and skInvalid).
    std::string_view Text;
};

// Reads the token at `position` (counted from 1, as the parser counts) after
// any blanks and moves `position` past it. A line break moves it two on
// whatever follows the CR; an invalid character leaves it on that character.
TScanToken ScanToken(std::string_view formula, int& position);

// Where a minus sign stands directly before an operand that is raised to a
// power: "-x^2", "exp(-x^2)", "2*-t^2", "-(x+1)^2", "-sin(x)^2". The language
// applies the sign first, so all of these read as (-x)^2, rarely what was
// meant. Gives the offset (from 0) of the first such sign, or nullopt.
//
// A minus is a sign where the parser takes one: at the start, after "(", ","
// and after an operator; elsewhere it subtracts ("x-y^2"). A plus sign changes
// nothing either way and is not reported. A sign in an exponent is reported
// only when its own operand is raised again ("2^-x^2" reads 2^((-x)^2)), not
// in "x^-2", which means x^(-2) as written. The answer is meant for formulas
// that compile; for others it is some answer, found in time linear in the
// text.
std::optional<std::size_t> FindSignBeforePower(std::string_view formula);

}  // namespace curvane
