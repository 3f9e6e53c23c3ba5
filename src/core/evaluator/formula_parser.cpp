// SPDX-License-Identifier: GPL-3.0-or-later
// The recursive-descent parser of TRapidEvaluator: formula text to postfix
// commands. The tokens come from ScanToken (formula_scanner.cpp).
#include "core/evaluator/formula_scanner.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

namespace {

// Digits, then optionally "." and digits, then optionally E/e, at most one
// sign and at least one digit. The scanner collects more than that ("1.2.3",
// "1e+-2") so that such tokens are reported whole as invalid numbers.
bool IsWellFormedNumber(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && HasCharClass(s[i], ccDigit)) ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && HasCharClass(s[i], ccDigit)) ++i;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t digits = i;
        while (i < s.size() && HasCharClass(s[i], ccDigit)) ++i;
        if (i == digits) return false;
    }
    return i == s.size();
}

std::string Format(const char* pattern, const std::string& a, const std::string& b) {
    std::string out;
    int arg = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += arg++ == 0 ? a : b;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// Keeps the parser's recursion within MaxNestingDepth levels.
class TDepthGuard {
public:
    explicit TDepthGuard(int& depth) : FDepth(depth) { ++FDepth; }
    ~TDepthGuard() { --FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    int& FDepth;
};

}  // namespace

void TRapidEvaluator::ReportError(TParseError error, const std::string& arg1, const std::string& arg2) {
    // In TParseError order.
    static const char* const Messages[] = {
        "Syntax error",
        "Invalid expression",
        "Unknown function or variable \"%s\"",
        "\"%s\" expected but \"%s\" found",
        "Empty expression",
        "Invalid number",
    };
    ReportMessage(Format(Messages[static_cast<int>(error)], arg1, arg2));
}

void TRapidEvaluator::ReportMessage(const std::string& message) {
    FCommands.clear();
    FParsedEntries.clear();
    FErrorFlag = true;
    FErrorMessage = message;
    throw ESyntaxError(message);
}

void TRapidEvaluator::NextToken() {
    FTokenKind = TTokenKind::tkNone;
    FTokenValue = tvNone;
    FToken.clear();
    const TScanToken token = ScanToken(FFormula, FPosition);
    switch (token.Kind) {
        case TScanKind::skEnd:
            FTokenValue = tvEndOfText;
            FTokenKind = TTokenKind::tkDelimiter;
            break;
        case TScanKind::skLineBreak:
            FToken = "\r\n";
            FTokenValue = tvLineBreak;
            FTokenKind = TTokenKind::tkDelimiter;
            break;
        case TScanKind::skOperator:
            FToken = token.Text;
            FTokenValue = tvOperator;
            FTokenKind = TTokenKind::tkDelimiter;
            break;
        case TScanKind::skNumber:
            FToken = token.Text;
            FTokenKind = TTokenKind::tkNumber;
            break;
        case TScanKind::skName:
            FToken = token.Text;
            FTokenKind = TTokenKind::tkIdentifier;
            ResolveName();
            break;
        case TScanKind::skInvalid: break;  // tkNone with an empty token, Position unchanged
    }
}

void TRapidEvaluator::ResolveName() {
    FTokenKind = TTokenKind::tkFunction;
    if (auto item = FIntFunctions.FindShared(FToken, true)) {
        FTokenValue = static_cast<std::uintptr_t>(static_cast<TIntFunction&>(*item).FuncCode);
        FCurrentItem = std::move(item);
        return;
    }
    auto asExternal = [&](const TLookupTable& table) {
        auto item = table.FindShared(FToken, true);
        if (!item) return false;
        FTokenKind = TTokenKind::tkExtFunction;
        FTokenValue = reinterpret_cast<std::uintptr_t>(&static_cast<TExtPointer&>(*item).Address);
        FCurrentItem = std::move(item);
        return true;
    };
    if (asExternal(FExtFunctions)) return;
    if (FSharedFuncTable && asExternal(FSharedFuncTable->Table)) return;
    auto asVariable = [&](const TLookupTable& table) {
        auto item = table.FindShared(FToken, true);
        if (!item) return false;
        FTokenKind = TTokenKind::tkVariable;
        FTokenValue = reinterpret_cast<std::uintptr_t>(static_cast<TExtPointer&>(*item).Address);
        return true;
    };
    if (!asVariable(FVariables) && !(FSharedVarTable && asVariable(FSharedVarTable->Table)) && OnGetVariable) {
        double* addr = nullptr;
        OnGetVariable(*this, FToken, addr);
        if (addr) {
            AddVariable(FToken, addr);
            FTokenKind = TTokenKind::tkVariable;
            FTokenValue = reinterpret_cast<std::uintptr_t>(addr);
        }
    }
    if (FTokenKind == TTokenKind::tkVariable && OnUseVariable)
        OnUseVariable(*this, FToken, reinterpret_cast<const double*>(FTokenValue));
}

void TRapidEvaluator::PushBack() { FPosition -= static_cast<int>(FToken.size()); }

void TRapidEvaluator::Expect(const std::string& s) {
    NextToken();
    if (!SameName(s, FToken)) ReportError(TParseError::peExpected, s, FToken);
}

void TRapidEvaluator::Parse() {
    FPosition = 1;
    FCommands.clear();
    FParsedEntries.clear();
    FDepth = 0;
    if (FFormula.empty()) ReportError(TParseError::peEmpty);
    // Every command comes from at least one character; reserving up front
    // spares a megabyte formula the repeated copying of a growing list.
    FCommands.reserve(FFormula.size());
    do {
        ParseArgument();
    } while (FTokenValue != tvEndOfText);
}

void TRapidEvaluator::ParseArgument() {
    NextToken();
    if (FToken.empty()) ReportError(TParseError::peInvalidExpression);
    ParseExpression();
    PushBack();
}

void TRapidEvaluator::ParseExpression() {
    TDepthGuard guard(FDepth);
    if (FDepth > MaxNestingDepth) ReportMessage(NestingTooDeepMessage);
    ParseTerm();
    while (FirstChar() == '+' || FirstChar() == '-') {
        const std::uint8_t op = FirstChar() == '+' ? opAdd : opSubtract;
        NextToken();
        ParseTerm();
        TStackItem item;
        item.Kind = TCommandKind::ckOperator;
        item.Operation = op;
        Emit(item);
    }
}

void TRapidEvaluator::ParseTerm() {
    ParsePower();
    while (FirstChar() == '*' || FirstChar() == '/') {
        const std::uint8_t op = FirstChar() == '*' ? opMultiply : opDivide;
        NextToken();
        ParsePower();
        TStackItem item;
        item.Kind = TCommandKind::ckOperator;
        item.Operation = op;
        Emit(item);
    }
}

void TRapidEvaluator::ParsePower() {
    ParseUnary();
    if (FToken == "^") {
        NextToken();
        // "^" chains recurse to the right, so they count towards the nesting
        // limit like parentheses.
        TDepthGuard guard(FDepth);
        if (FDepth > MaxNestingDepth) ReportMessage(NestingTooDeepMessage);
        ParsePower();
        TStackItem item;
        item.Kind = TCommandKind::ckOperator;
        item.Operation = opPower;
        Emit(item);
    }
}

void TRapidEvaluator::ParseUnary() {
    char sign = 0;
    if (FTokenKind == TTokenKind::tkDelimiter && !FToken.empty() && (FToken[0] == '+' || FToken[0] == '-')) {
        sign = FToken[0];
        NextToken();
    }
    ParsePrimary();
    if (sign == '-') {
        TStackItem item;
        item.Kind = TCommandKind::ckFunction;
        item.Address = static_cast<std::uintptr_t>(fcNeg);
        item.ParamCount = 1;
        Emit(item);
    }
}

void TRapidEvaluator::ParsePrimary() {
    if (!FToken.empty() && FToken[0] == '(' && FTokenKind == TTokenKind::tkDelimiter) {
        NextToken();
        ParseExpression();
        PushBack();
        Expect(")");
        // A parenthesised operand is an operand like any other: without this
        // check "(2)3" would parse as two formulas and give 3.
        OperandCheck();
    } else {
        ParseFactor();
    }
}

void TRapidEvaluator::ParseFactor() {
    switch (FTokenKind) {
        case TTokenKind::tkNumber: {
            std::optional<double> value;
            if (IsWellFormedNumber(FToken)) value = ParseDouble(FToken);
            if (!value) ReportError(TParseError::peInvalidNumber, FToken);
            TStackItem item;
            item.Kind = TCommandKind::ckConstant;
            item.Value = *value;
            Emit(item);
            break;
        }
        case TTokenKind::tkVariable: {
            TStackItem item;
            item.Kind = TCommandKind::ckVariable;
            item.Address = FTokenValue;
            Emit(item);
            break;
        }
        case TTokenKind::tkFunction:
        case TTokenKind::tkExtFunction: ParseFunctionCall(); break;
        default: ReportError(TParseError::peSyntax);
    }
    OperandCheck();
}

void TRapidEvaluator::OperandCheck() {
    NextToken();
    switch (FTokenKind) {
        case TTokenKind::tkNumber:
        case TTokenKind::tkFunction:
        case TTokenKind::tkVariable:
        case TTokenKind::tkExtFunction: ReportError(TParseError::peInvalidExpression);
        default: break;
    }
    if (!FToken.empty() && !HasCharClass(FToken[0], ccFollow)) ReportError(TParseError::peInvalidExpression);
}

void TRapidEvaluator::ParseFunctionCall() {
    if (FTokenKind == TTokenKind::tkFunction && FTokenValue == tvNone)
        ReportError(TParseError::peUnknownName, FToken);
    const std::shared_ptr<TLookupItem> entry = FCurrentItem;
    const int n = static_cast<const TAbstractFunction&>(*entry).ParamCount;
    const TTokenKind kind = FTokenKind;
    const std::uintptr_t value = FTokenValue;
    if (n > 0) {
        Expect("(");
        for (int i = 1; i <= n; ++i) {
            ParseArgument();
            if (i < n) Expect(",");
        }
        Expect(")");
    } else {
        NextToken();
        if (FToken == "(")
            Expect(")");
        else
            PushBack();
    }
    TStackItem item;
    item.ParamCount = n;
    item.Address = value;
    if (kind == TTokenKind::tkFunction) {
        item.Kind = TCommandKind::ckFunction;
    } else {
        item.Kind = TCommandKind::ckExtFunction;
        FParsedEntries.push_back(entry);
    }
    Emit(item);
}

}  // namespace curvane
