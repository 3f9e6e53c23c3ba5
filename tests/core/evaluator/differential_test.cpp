// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {
namespace {

double Diff2(const double* a, std::int32_t*) { return a[0] - 2 * a[1]; }
using namespace test;

// Random formulas over every operator form and built-in, Expr(5) deep.
struct TFormulaGenerator {
    std::mt19937 Random;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }
    std::string OneOf(std::initializer_list<const char*> list) { return list.begin()[Pick(list.size())]; }
    std::string Leaf() { return OneOf({"x", "y", "X", "2", "0.5", "3", "1e-3", "0", "pi", "PI()", "10", "1e300", "e"}); }

    std::string Expr(int depth) {
        if (depth == 0 || Pick(4) == 0) return Leaf();
        const int d = depth - 1;
        switch (Pick(7)) {
            case 0: return Expr(d) + "+-*/"[Pick(4)] + "(" + Expr(d) + ")";
            // Constant integer exponents take the inline path, others PowerFunc.
            case 1: return "(" + Expr(d) + ")^" + OneOf({"2", "3", "-1", "-2", "0", "7", "0.5", "x", "y"});
            case 2: return "(" + Expr(d) + ")^(" + Expr(d) + ")";
            case 3: return "-" + Leaf() + (Pick(2) ? "*" : "^") + "(" + Expr(d) + ")";
            case 4:
                return OneOf({"sin", "cos", "tg", "ctg", "sec", "cosec", "arcsin", "arccos", "arctg", "exp", "sqrt",
                              "ln", "log10", "log2", "neg", "abs", "sinh", "cosh", "tanh", "floor", "ceil", "round",
                              "sign"}) + "(" + Expr(d) + ")";
            case 5: return OneOf({"sum", "min", "max", "mod"}) + "(" + Expr(d) + "," + Expr(d) + ")";
            default: return "diff2(" + Expr(d) + "," + Expr(d) + ")";
        }
    }
};

void Prepare(TRapidEvaluator& e, bool jit) {
    e.SetUseJit(jit);
    e.AddFunction("diff2", &Diff2, 2);
}

// Every other formula runs under the frame-pointer prologue.
TEST(Differential, JitAndInterpreterAgreeOnGeneratedFormulas) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    TRapidEvaluator jit, interpreter;
    Prepare(jit, true);
    Prepare(interpreter, false);
    TFormulaGenerator generator{std::mt19937(20261206)};
    const double xs[] = {-3.5, -1, -0.5, 0, -0.0, 0.25, 1, 2, 7.5, 1e-300, 1e300, -1e10};
    int faults = 0;
    for (int n = 0; n < 3000; ++n) {
        const std::string formula = generator.Expr(5);
        jit.SetUseSafeCall(n % 2);
        jit.SetFormula(formula);
        interpreter.SetFormula(formula);
        jit.Compile();
        interpreter.Compile();
        for (double x : xs) {
            for (double y : {0.0, 1.5, -2.0}) {
                GlobalX = x;
                GlobalY = y;
                const TOutcome a = OutcomeOf([&] { return jit.Evaluate(); });
                const TOutcome b = OutcomeOf([&] { return interpreter.Evaluate(); });
                faults += a.Fault != TEvalFault::efNone;
                ASSERT_TRUE(SameOutcome(a, b)) << formula << " at " << x << ", " << y << ": " << a << " vs " << b;
            }
        }
    }
    // The generator must exercise both paths: plenty of faults and of values.
    EXPECT_GT(faults, 3000 * 36 / 20);
    EXPECT_LT(faults, 3000 * 36 * 3 / 4);
}

// More points than one block of the batch entry, so that a block with a
// fault is searched in sub-blocks beside blocks without one.
TEST(Differential, BatchAgreesWithEvaluateOnGeneratedFormulas) {
    std::vector<double> params, out(1100);
    for (int i = 0; i < 1100; ++i) params.push_back(-6 + i * 0.011);
    std::vector<TEvalFault> faults(params.size());
    for (const bool jit : {false, true}) {
        TRapidEvaluator e;
        Prepare(e, jit);
        TFormulaGenerator generator{std::mt19937(7)};
        for (int n = 0; n < 150; ++n) {
            e.SetFormula(generator.Expr(5));
            e.Compile();
            e.EvaluateBatch(&GlobalX, params.data(), params.size(), out.data(), faults.data());
            for (std::size_t i = 0; i < params.size(); ++i) {
                const TOutcome single = OutcomeOf([&] { return e.EvaluateAt(params[i]); });
                ASSERT_TRUE(SameOutcome({faults[i], out[i]}, single))
                    << e.Formula() << " at " << params[i] << " jit " << jit;
            }
        }
    }
}

// Formulas next to the same formula written in C++, one row per group of
// functions. The evaluator works in extended precision in between, so the
// values agree to a few units in the last place rather than exactly.
TEST(Differential, FormulasAgreeWithCompiledCpp) {
    using std::fabs;
    const struct { const char* Formula; double (*Cpp)(double, double); } cases[] = {
        {"sin(x)*x+sqrt(abs(x))+exp(-x*x)+ln(abs(x)+1)*cos(3*x)", [](double x, double) {
             return std::sin(x) * x + std::sqrt(fabs(x)) + std::exp(-x * x) + std::log(fabs(x) + 1) * std::cos(3 * x);
         }},
        {"(x^3-2*x)/(x^2+1)+x^-3+y^0.5",
         [](double x, double y) { return (x * x * x - 2 * x) / (x * x + 1) + std::pow(x, -3) + std::sqrt(y); }},
        {"x^y", [](double x, double y) { return std::pow(x, y); }},
        {"tg(x)+ctg(y)+sec(x)*cosec(y)",
         [](double x, double y) { return std::tan(x) + 1 / std::tan(y) + 1 / std::cos(x) / std::sin(y); }},
        {"arcsin(x/8)+arccos(y/8)+arctg(x*y)",
         [](double x, double y) { return std::asin(x / 8) + std::acos(y / 8) + std::atan(x * y); }},
        {"sinh(x/4)*cosh(y)-tanh(x)+mod(x,y)", [](double x, double y) {
             return std::sinh(x / 4) * std::cosh(y) - std::tanh(x) + (x - y * std::floor(x / y));
         }},
        {"log10(abs(x)+1)-log2(abs(y)+1)+sum(x,y)*pi",
         [](double x, double y) { return std::log10(fabs(x) + 1) - std::log2(fabs(y) + 1) + (x + y) * M_PI; }},
    };
    for (bool jit : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.Formula) + (jit ? " (jit)" : " (interpreter)"));
            TRapidEvaluator e;
            e.SetUseJit(jit);
            e.SetFormula(c.Formula);
            e.Compile();
            for (double x = -7.75; x <= 7.75; x += 0.5) {
                for (double y : {0.25, 1.5, 3.0}) {
                    GlobalY = y;
                    const double expected = c.Cpp(x, y);
                    const TOutcome got = OutcomeOf([&] { return e.EvaluateAt(x); });
                    const double value = got.Fault == TEvalFault::efNone ? got.Value : NAN;
                    if (std::isfinite(expected))
                        EXPECT_NEAR(value, expected, 1e-13 * std::max(1.0, fabs(expected))) << x << ", " << y;
                    else
                        EXPECT_TRUE(std::isnan(value)) << x << ", " << y;
                }
            }
        }
    }
}

// Rounding, comparing and remainders at their edges next to the C++ they
// stand for, and the faults of the new functions. Each is one call on
// doubles, so the values agree bit for bit, zeros with their sign.
TEST(Differential, NewBuiltInsAtTheirEdges) {
    using enum TEvalFault;
    const struct { const char* Formula; double X, Y; TOutcome Expected; } rows[] = {
        {"floor(x)", -0.5, 0, {efNone, std::floor(-0.5)}}, {"floor(x)", 2.5, 0, {efNone, std::floor(2.5)}},
        {"ceil(x)", -0.5, 0, {efNone, std::ceil(-0.5)}},  // -0
        // Halves away from zero; x + 0.5 would round 0.49999999999999994 up to 1.
        {"round(x)", 0.5, 0, {efNone, 1}}, {"round(x)", -0.5, 0, {efNone, -1}}, {"round(x)", 2.5, 0, {efNone, 3}},
        {"round(x)", -2.5, 0, {efNone, -3}}, {"round(x)", 0.49999999999999994, 0, {efNone, 0}},
        {"sign(x)", -0.0, 0, {efNone, 0.0}}, {"sign(x)", NAN, 0, {efNone, NAN}},  // a quiet NaN passes, as in x+1
        {"cosh(x)", 711, 0, {efOverflow}}, {"sinh(x)", -1000, 0, {efOverflow}}, {"tanh(x)", -1e300, 0, {efNone, -1}},
        {"mod(x,y)", -7, 3, {efNone, 2}}, {"mod(x,y)", 7, -3, {efNone, -2}}, {"mod(x,y)", 5, 0, {efInvalidOp}},
        {"mod(x,y)", 4, -2, {efNone, -0.0}},  // a zero takes the sign of b
        {"mod(x,y)", 1e17, 3, {efNone, 1}},   // x - y*floor(x/y) would give 0
        {"min(x,y)", 0.0, -0.0, {efNone, -0.0}}, {"max(x,y)", -0.0, 0.0, {efNone, 0.0}},
        {"min(x,y)", NAN, 1, {efNone, NAN}}, {"max(x,y)", 1, NAN, {efNone, NAN}},  // never the other argument
        // Operands pending around two-argument calls.
        {"min(x,y)*max(y,x)-mod(x,y)", 2.5, -1.5, {efNone, -1.5 * 2.5 - -0.5}},
    };
    for (bool jit : {false, true}) {
        TRapidEvaluator e;
        e.SetUseJit(jit);
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << row.Formula << " at " << row.X << ", " << row.Y << (jit ? " jit" : ""));
            e.SetFormula(row.Formula);
            e.Compile();
            GlobalY = row.Y;
            EXPECT_TRUE(SameOutcome(OutcomeOf([&] { return e.EvaluateAt(row.X); }), row.Expected));
        }
    }
}

// The usual names compile to the code of the language's own names, so the
// two spellings cannot differ in a bit.
TEST(Differential, AliasesCompileToTheFunctionsTheyName) {
    TRapidEvaluator alias, named;
    for (const auto& [a, n] :
         {std::pair{"tan", "tg"}, {"COT", "ctg"}, {"asin", "arcsin"}, {"Acos", "arccos"}, {"atan", "arctg"}}) {
        alias.SetFormula(std::string(a) + "(x)");
        named.SetFormula(std::string(n) + "(x)");
        alias.Compile();
        named.Compile();
        EXPECT_EQ(alias.Commands().back().Address, named.Commands().back().Address) << a;
    }
}

}  // namespace
}  // namespace curvane
