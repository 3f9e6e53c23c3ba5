#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

struct TErrorCase {
    std::string Formula;
    std::string Message;
    std::string Token;  // the token at which parsing stopped
    int Position;
};

class FormulaErrors : public ::testing::TestWithParam<bool> {};

TEST_P(FormulaErrors, MessagesTokensAndPositions) {
    const TErrorCase cases[] = {
        {"", "Empty expression", "", 1},
        {"   ", "Invalid expression", "", 4},
        {"x+", "Syntax error", "", 3},
        {"(", "Syntax error", "", 2},
        {"(x", "\")\" expected but \"\" found", "", 3},
        {"sin x", "\"(\" expected but \"x\" found", "x", 6},
        {"SUM(1)", "\",\" expected but \")\" found", ")", 7},
        {"SIN()", "Syntax error", ")", 6},
        {"SIN(", "Invalid expression", "", 5},
        {"2x", "Invalid expression", "x", 3},
        {"2(3)", "Invalid expression", "(", 3},
        {"x y", "Invalid expression", "y", 4},
        {"x%2", "Invalid expression", "%", 3},
        {"foo+1", "Unknown function or variable \"foo\"", "foo", 4},
        {"2*Foo.bar", "Unknown function or variable \"Foo.bar\"", "Foo.bar", 10},
        {"x)", "Syntax error", ")", 3},
        // A parenthesised operand is checked like any other operand.
        {"(x)5", "Invalid expression", "5", 5},
        {"sin(x)(2)", "Invalid expression", "(", 8},
        {"1,2", "Syntax error", ",", 3},
        {"1.2.3", "Invalid number", "1.2.3", 6},
        {"2e", "Invalid number", "2e", 3},
        {"1e+-2", "Invalid number", "1e+-2", 6},
        {"1e999", "Invalid number", "1e999", 6},
        {".5", "Invalid expression", "", 1},
        {"--x", "Syntax error", "-", 3},
        {"pi(", "\")\" expected but \"\" found", "", 4},
        {"sum(1,2,3)", "\")\" expected but \",\" found", ",", 9},
        // Line breaks: after an operand, where an operand is due, and a
        // trailing CR, which is taken as CR LF and so ends past the text.
        {"x\r\n+1", "Invalid expression", "\r\n", 4},
        {"x+\ny", "Syntax error", "\n", 4},
        {"x\r", "Invalid expression", "\r\n", 4},
        // NUL is a delimiter, other bytes outside ASCII start no token but
        // belong to a name once one has started.
        {std::string("x\0", 2), "Invalid expression", std::string(1, '\0'), 3},
        {std::string("\0", 1), "Syntax error", std::string(1, '\0'), 2},
        {"\xC3\xA9", "Invalid expression", "", 1},
        {"x\xC3\xA9", "Unknown function or variable \"x\xC3\xA9\"", "x\xC3\xA9", 4},
        {"1+$", "Syntax error", "", 3},
    };
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE("formula: " + c.Formula);
        TRapidEvaluator e;
        e.SetUseJit(GetParam());
        e.SetFormula(c.Formula);
        try {
            e.Compile();
            ADD_FAILURE() << "compiled";
        } catch (const ESyntaxError& ex) {
            EXPECT_EQ(ex.what(), c.Message);
        }
        EXPECT_TRUE(e.ErrorFlag());
        EXPECT_EQ(e.ErrorMessage(), c.Message);
        EXPECT_EQ(e.Token(), c.Token);
        EXPECT_EQ(e.Position(), c.Position);
        EXPECT_FALSE(e.Compiled());
        EXPECT_TRUE(e.Commands().empty());
    }
}

TEST_P(FormulaErrors, DeepNestingIsRejectedWithoutExhaustingTheStack) {
    const std::string parens = std::string(100000, '(') + "x" + std::string(100000, ')');
    std::string chain = "x";
    for (int i = 0; i < 100000; ++i) chain += "^x";
    std::string calls;
    for (int i = 0; i < 100000; ++i) calls += "sin(";
    const std::string signs = std::string(50000, '-') + "x";
    const std::string* all[] = {&parens, &chain, &calls};
    for (const std::string* f : all) {
        TRapidEvaluator e;
        e.SetUseJit(GetParam());
        e.SetFormula(*f);
        EXPECT_THROW(e.Compile(), ESyntaxError);
        EXPECT_EQ(e.ErrorMessage(), TRapidEvaluator::NestingTooDeepMessage);
    }
    TRapidEvaluator e;
    e.SetFormula(signs);
    EXPECT_THROW(e.Compile(), ESyntaxError);
    EXPECT_EQ(e.ErrorMessage(), "Syntax error");

    // Right at the limit still compiles.
    const int depth = TRapidEvaluator::MaxNestingDepth - 1;
    e.SetFormula(std::string(depth, '(') + "2" + std::string(depth, ')'));
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
    for (bool jit : {false, true}) {
        TRapidEvaluator e;
        e.SetUseJit(jit);
        e.SetFormula(f);
        e.Compile();
        const double terms = static_cast<double>((f.size() - 1) / 6);
        EXPECT_EQ(e.EvaluateAt(3), 3 + terms * 5);
    }
}

}  // namespace
}  // namespace curvane
