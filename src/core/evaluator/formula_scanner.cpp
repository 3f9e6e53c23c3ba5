// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/formula_scanner.h"

#include <utility>
#include <vector>

namespace curvane {

TScanToken ScanToken(std::string_view formula, int& position) {
    const int length = static_cast<int>(formula.size());
    auto at = [&](int pos) { return formula[static_cast<std::size_t>(pos - 1)]; };
    auto text = [&](int start) {
        return formula.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(position - start));
    };
    while (position <= length && HasCharClass(at(position), ccBlank)) ++position;
    if (position > length) return {TScanKind::skEnd, {}};
    const int start = position;
    const char c = at(position);
    if (c == '\r') {
        // A line break is taken as CR LF whatever follows the CR; a formula
        // ending in a lone CR therefore leaves the position two past its end.
        position += 2;
        return {TScanKind::skLineBreak, formula.substr(static_cast<std::size_t>(start - 1), 1)};
    }
    if (HasCharClass(c, ccOperator)) {
        ++position;
        return {TScanKind::skOperator, text(start)};
    }
    if (HasCharClass(c, ccDigit)) {
        while (position <= length && (HasCharClass(at(position), ccDigit) || at(position) == '.')) ++position;
        if (position <= length && (at(position) == 'e' || at(position) == 'E')) {
            ++position;
            while (position <= length && (at(position) == '+' || at(position) == '-')) ++position;
            while (position <= length && HasCharClass(at(position), ccDigit)) ++position;
        }
        return {TScanKind::skNumber, text(start)};
    }
    if (HasCharClass(c, ccLetter)) {
        while (position <= length && !HasCharClass(at(position), ccOperator)) ++position;
        return {TScanKind::skName, text(start)};
    }
    return {TScanKind::skInvalid, {}};
}

namespace {

bool IsOperator(const TScanToken& token, char c) {
    return token.Kind == TScanKind::skOperator && token.Text[0] == c;
}

TScanToken PeekToken(std::string_view formula, int position) { return ScanToken(formula, position); }

}  // namespace

std::optional<std::size_t> FindSignBeforePower(std::string_view formula) {
    constexpr std::size_t None = std::string_view::npos;
    // Per open parenthesis, the sign whose operand is being read at that
    // depth; the operand ends with a number, a name without an argument list,
    // or the ")" that closes its group or argument list. One pass, so a long
    // formula costs no more than its length.
    std::vector<std::size_t> pendingSign{None};
    bool signAllowed = true;
    int position = 1;
    const auto operandEnds = [&]() -> std::optional<std::size_t> {
        const std::size_t sign = std::exchange(pendingSign.back(), None);
        if (sign != None && IsOperator(PeekToken(formula, position), '^')) return sign;
        return std::nullopt;
    };
    for (;;) {
        const TScanToken token = ScanToken(formula, position);
        if (token.Kind == TScanKind::skEnd || token.Kind == TScanKind::skInvalid) return std::nullopt;
        std::optional<std::size_t> found;
        if (token.Kind == TScanKind::skNumber) {
            found = operandEnds();
        } else if (token.Kind == TScanKind::skName) {
            // A call's operand ends with its ")".
            if (!IsOperator(PeekToken(formula, position), '(')) found = operandEnds();
        } else if (IsOperator(token, '(')) {
            pendingSign.push_back(None);
        } else if (IsOperator(token, ')')) {
            if (pendingSign.size() > 1) pendingSign.pop_back();
            found = operandEnds();
        } else if (IsOperator(token, '-') && signAllowed) {
            pendingSign.back() = static_cast<std::size_t>(token.Text.data() - formula.data());
        }
        if (found) return found;
        signAllowed = token.Kind == TScanKind::skOperator && !IsOperator(token, ')');
    }
}

}  // namespace curvane
