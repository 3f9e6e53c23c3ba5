// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/evaluator/formula_scanner.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

class FormulaErrors : public ::testing::TestWithParam<bool> {};

TEST_P(FormulaErrors, MessagesTokensAndPositions) {
    // The message, the token at which parsing stopped, and the position after it.
    const struct { std::string Formula, Message, Token; int Position; } cases[] = {
        {"", "Empty expression", "", 1},
        {"   ", "Invalid expression", "", 4},
        {"x+", "Syntax error", "", 3},
        {"(x", "\")\" expected but \"\" found", "", 3},
        {"sin x", "\"(\" expected but \"x\" found", "x", 6},
        {"SUM(1)", "\",\" expected but \")\" found", ")", 7},
        {"SIN()", "Syntax error", ")", 6},
        {"2x", "Invalid expression", "x", 3},
        {"foo+1", "Unknown function or variable \"foo\"", "foo", 4},
        // Base 10 to some, base e to others: no LOG at all.
        {"log(x)", "Unknown function or variable \"log\"", "log", 4},
        {"min(1)", "\",\" expected but \")\" found", ")", 7},
        {"2*Foo.bar", "Unknown function or variable \"Foo.bar\"", "Foo.bar", 10},
        {"x)", "Syntax error", ")", 3},
        // A parenthesised operand is checked like any other operand.
        {"(x)5", "Invalid expression", "5", 5},
        {"1.2.3", "Invalid number", "1.2.3", 6},
        {"1e999", "Invalid number", "1e999", 6},
        {".5", "Invalid expression", "", 1},
        {"--x", "Syntax error", "-", 3},
        {"sum(1,2,3)", "\")\" expected but \",\" found", ",", 9},
        // A line break after an operand, and a trailing CR, which is taken as
        // CR LF and so ends past the text.
        {"x\r\n+1", "Invalid expression", "\r\n", 4},
        {"x\r", "Invalid expression", "\r\n", 4},
        // NUL is a delimiter; bytes outside ASCII belong to a name once one has started.
        {std::string("x\0", 2), "Invalid expression", std::string(1, '\0'), 3},
        {"x\xC3\xA9", "Unknown function or variable \"x\xC3\xA9\"", "x\xC3\xA9", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("formula: " + c.Formula);
        TRapidEvaluator e;
        e.SetUseJit(GetParam());
        e.SetFormula(c.Formula);
        EXPECT_THROW(e.Compile(), ESyntaxError);
        EXPECT_EQ(e.ErrorMessage(), c.Message);
        EXPECT_EQ(e.Token(), c.Token);
        EXPECT_EQ(e.Position(), c.Position);
        EXPECT_TRUE(e.Commands().empty());
    }
}

TEST_P(FormulaErrors, DeepNestingIsRejectedWithoutExhaustingTheStack) {
    std::string chain = "x", calls;
    for (int i = 0; i < 100000; ++i) {
        chain += "^x";
        calls += "sin(";
    }
    const int limit = TRapidEvaluator::MaxNestingDepth - 1;
    TRapidEvaluator e;
    e.SetUseJit(GetParam());
    for (const std::string& f : {std::string(100000, '(') + "x" + std::string(100000, ')'), chain, calls}) {
        e.SetFormula(f);
        EXPECT_THROW(e.Compile(), ESyntaxError);
        EXPECT_EQ(e.ErrorMessage(), TRapidEvaluator::NestingTooDeepMessage);
    }
    // Right at the limit still compiles.
    e.SetFormula(std::string(limit, '(') + "2" + std::string(limit, ')'));
    e.Compile();
    EXPECT_EQ(e.Evaluate(), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Evaluators, FormulaErrors, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jit" : "Interpreter"; });

TEST(FormulaParser, NumbersPrecedenceAssociativityAndCase) {
    const struct {
        const char* Formula;
        double Value;
    } cases[] = {
        {"1.5e3", 1500},   {"1E-3", 0.001},  {"1.", 1},         {"007", 7},        {"2.5E+1", 25},
        {"-2^2", 4},       {"2^3^2", 512},   {"8/2/2", 2},      {"2-3-4", -5},     {"2--3", 5},
        {"2^-3", 0.125},   {"2*-3", -6},     {"+3", 3},         {"2+3*4", 14},     {"(2+3)*4", 20},
        {"2*3^2", 18},     {"-(2+3)", -5},   {" 1 \t+ 2 ", 3},  {"PI()*2", 2 * M_PI},    {"sum(2*3,4)", 10},
        {"1-2^2", -3},     {"12/2^2*3", 9},  {"x*X", 0.25},     {"SUM(x,1)", 1.5}, {"sIn( X )*2", 2 * std::sin(0.5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Formula);
        TRapidEvaluator e;
        e.SetFormula(c.Formula);
        e.Compile();
        EXPECT_DOUBLE_EQ(e.EvaluateAt(0.5), c.Value);
    }
}

TEST(FormulaParser, MegabyteFormulaCompilesAndEvaluates) {
    std::string f = "x";
    f.reserve(1 << 21);
    while (f.size() < (1u << 20)) f += "+x*2-1";
    TRapidEvaluator e;
    e.SetFormula(f);
    e.Compile();
    EXPECT_EQ(e.EvaluateAt(3), 3 + static_cast<double>((f.size() - 1) / 6) * 5);
}

TEST(FormulaParser, SignBeforeAPowerIsFoundWhereTheParserAppliesTheSignFirst) {
    constexpr int None = -1;
    const struct {
        const char* Formula;
        int Sign;  // offset of the reported sign
        const char* Reason;
    } cases[] = {
        {"-x^2", 0, "a sign at the start"},
        {"exp(-x^2)", 4, "after an opening parenthesis"},
        {"2*-x^2", 2, "after a binary operator"},
        {"x--x^2", 2, "the second minus is a sign"},
        {"sum(1,-x^2)", 6, "after a comma"},
        {"-(x+1)^2", 0, "a parenthesised group"},
        {"-sin(x)^2", 0, "a call with its argument list"},
        {"-2^2+x", 0, "a number"},
        {"x - -x ^ 2", 4, "blanks between the tokens"},
        {"2^-x^2", 2, "an exponent's sign whose operand is raised again: 2^((-x)^2)"},
        {"exp(-(x^2))", None, "the power is inside the sign's group"},
        {"-2*x", None, "the operand is multiplied, not raised"},
        {"-x*(x+1)^2", None, "the group raised is not the sign's operand"},
        {"x-x^2", None, "a minus between operands subtracts"},
        {"x^-2", None, "an exponent's sign: x^(-2) as written"},
        {"+x^2", None, "a plus sign changes nothing"},
        {"(-x)^2", None, "the reading spelt out"},
        {"1e-2^2", None, "the minus of a number's exponent belongs to the number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Formula) + ": " + c.Reason);
        const std::string formula = c.Formula;
        const std::optional<std::size_t> sign = FindSignBeforePower(formula);
        EXPECT_EQ(sign ? static_cast<int>(*sign) : None, c.Sign);
        TRapidEvaluator e;
        e.SetFormula(formula);
        e.Compile();
        if (!sign) continue;
        // The parser agrees: "-1*" there applies the sign after the power,
        // and at x = 3 every formula above then gives another value.
        TRapidEvaluator meant;
        meant.SetFormula(std::string(formula).replace(*sign, 1, "-1*"));
        meant.Compile();
        EXPECT_NE(e.EvaluateAt(3), meant.EvaluateAt(3));
    }
}

}  // namespace
}  // namespace curvane
