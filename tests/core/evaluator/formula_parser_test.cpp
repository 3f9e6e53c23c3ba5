// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

}  // namespace
}  // namespace curvane
