#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {
namespace {

double Diff2(const double* a, std::int32_t*) { return a[0] - 2 * a[1]; }
double Seven(const double*, std::int32_t*) { return 7; }
double NegativeZero = -0.0;
double Checked(const double* a, std::int32_t* status) {
    if (std::fabs(a[0]) > 1e6) *status = static_cast<std::int32_t>(TEvalFault::efRangeError);
    return a[0];
}

using test::OutcomeOf;
using test::SameOutcome;
using test::TOutcome;

class TFormulaGenerator {
public:
    explicit TFormulaGenerator(unsigned seed) : FRandom(seed) {}

    std::string Next() { return Expr(5); }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }

    std::string Leaf() {
        static const char* const leaves[] = {"x", "y", "X", "2", "0.5", "3", "1e-3", "1.5e2", "0",
                                             "pi", "PI()", "seven", "10", "1e300", "7.25", "nz"};
        return leaves[Pick(std::size(leaves))];
    }

    std::string Expr(int depth) {
        if (depth == 0 || Pick(4) == 0) return Leaf();
        const int d = depth - 1;
        switch (Pick(11)) {
            case 0: return Expr(d) + "+" + Expr(d);
            case 1: return Expr(d) + "-" + Expr(d);
            case 2: return "(" + Expr(d) + ")*" + Expr(d);
            case 3: return Expr(d) + "/(" + Expr(d) + ")";
            case 4: {
                // Constant integer exponents take the inline path, others
                // PowerFunc.
                static const char* const exponents[] = {"2", "3", "-1", "-2", "0", "7", "0.5", "x", "y"};
                return "(" + Expr(d) + ")^" + exponents[Pick(std::size(exponents))];
            }
            case 5: return "(" + Expr(d) + ")^(" + Expr(d) + ")";
            case 6: return "-" + Leaf() + (Pick(2) ? "*" : "^") + "(" + Expr(d) + ")";
            case 7: {
                static const char* const functions[] = {"sin", "cos", "tg", "ctg", "sec", "cosec",
                                                        "arcsin", "arccos", "arctg", "exp", "sqrt",
                                                        "ln", "log10", "log2", "neg", "abs"};
                return std::string(functions[Pick(std::size(functions))]) + "(" + Expr(d) + ")";
            }
            case 8: return "sum(" + Expr(d) + "," + Expr(d) + ")";
            case 9: return "diff2(" + Expr(d) + "," + Expr(d) + ")";
            default: return "checked(" + Expr(d) + ")*" + Expr(d);
        }
    }

    std::mt19937 FRandom;
};

void Prepare(TRapidEvaluator& e, bool jit) {
    e.SetUseJit(jit);
    e.AddFunction("diff2", &Diff2, 2);
    e.AddFunction("seven", &Seven, 0);
    e.AddFunction("checked", &Checked, 1);
    e.AddVariable("nz", &NegativeZero);
}

TEST(Differential, JitAndInterpreterAgreeOnGeneratedFormulas) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    TRapidEvaluator jit, interpreter;
    Prepare(jit, true);
    Prepare(interpreter, false);
    TFormulaGenerator generator(20261206);
    const double xs[] = {-3.5, -1, -0.5, 0, -0.0, 0.25, 1, 2, 7.5, 1e-300, 1e300, -1e10};
    const double ys[] = {0, 1.5, -2};
    int evaluations = 0, faults = 0;
    for (int n = 0; n < 3000; ++n) {
        const std::string formula = generator.Next();
        jit.SetFormula(formula);
        interpreter.SetFormula(formula);
        jit.Compile();
        interpreter.Compile();
        for (double x : xs) {
            for (double y : ys) {
                GlobalX = x;
                GlobalY = y;
                const TOutcome a = OutcomeOf([&] { return jit.Evaluate(); });
                const TOutcome b = OutcomeOf([&] { return interpreter.Evaluate(); });
                ++evaluations;
                faults += a.Fault != TEvalFault::efNone;
                if (!SameOutcome(a, b)) {
                    ADD_FAILURE() << formula << " at x=" << x << " y=" << y << ": jit " << a << ", interpreter " << b;
                    return;
                }
            }
        }
    }
    // The generator must exercise both paths: plenty of faults and of values.
    EXPECT_GT(faults, evaluations / 20);
    EXPECT_LT(faults, evaluations * 3 / 4);
}

// More points than one block of the batch entry, so that a block with a
// fault is searched in sub-blocks beside blocks without one.
TEST(Differential, BatchAgreesWithEvaluateOnGeneratedFormulas) {
    for (const bool jit : {false, true}) {
        TRapidEvaluator e;
        Prepare(e, jit);
        double t = 0;
        e.AddVariable("t", &t);
        TFormulaGenerator generator(7);
        std::vector<double> params;
        for (int i = 0; i < 1100; ++i) params.push_back(-6 + i * 0.011);
        std::vector<double> out(params.size());
        std::vector<TEvalFault> faults(params.size());
        for (int n = 0; n < 150; ++n) {
            std::string formula = generator.Next();
            for (char& c : formula)
                if (c == 'x' || c == 'X') c = 't';  // "exp" etc. keep no x; names stay valid
            e.SetFormula(formula);
            try {
                e.Compile();
            } catch (const ESyntaxError&) {
                continue;  // a function name with x in it was mangled
            }
            e.EvaluateBatch(&t, params.data(), params.size(), out.data(), faults.data());
            for (std::size_t i = 0; i < params.size(); ++i) {
                t = params[i];
                const TOutcome single = OutcomeOf([&] { return e.Evaluate(); });
                if (!SameOutcome({faults[i], out[i]}, single)) {
                    ADD_FAILURE() << formula << " at t=" << params[i] << (jit ? " (jit)" : " (interpreter)");
                    return;
                }
            }
        }
    }
}

// Formulas next to the same formula written in C++. The evaluator works in
// extended precision in between, so the values agree to a few units in the
// last place rather than exactly.
TEST(Differential, FormulasAgreeWithCompiledCpp) {
    const struct {
        const char* Formula;
        std::function<double(double, double)> Cpp;
    } cases[] = {
        {"x*x+2*x+1", [](double x, double) { return x * x + 2 * x + 1; }},
        {"sin(x)*x", [](double x, double) { return std::sin(x) * x; }},
        {"sqrt(abs(x))+exp(-x*x)", [](double x, double) { return std::sqrt(std::fabs(x)) + std::exp(-x * x); }},
        {"(x^3-2*x)/(x^2+1)", [](double x, double) { return (x * x * x - 2 * x) / (x * x + 1); }},
        {"ln(abs(x)+1)*cos(3*x)", [](double x, double) { return std::log(std::fabs(x) + 1) * std::cos(3 * x); }},
        {"x^y", [](double x, double y) { return std::pow(x, y); }},
        {"tg(x)+ctg(y)", [](double x, double y) { return std::tan(x) + 1 / std::tan(y); }},
        {"sec(x)*cosec(y)", [](double x, double y) { return 1 / std::cos(x) / std::sin(y); }},
        {"arcsin(x/8)+arccos(y/8)+arctg(x*y)",
         [](double x, double y) { return std::asin(x / 8) + std::acos(y / 8) + std::atan(x * y); }},
        {"log10(abs(x)+1)-log2(abs(y)+1)",
         [](double x, double y) { return std::log10(std::fabs(x) + 1) - std::log2(std::fabs(y) + 1); }},
        {"sum(x,y)*pi", [](double x, double y) { return (x + y) * M_PI; }},
        {"x^-3+y^0.5", [](double x, double y) { return std::pow(x, -3) + std::sqrt(y); }},
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
                    GlobalX = x;
                    GlobalY = y;
                    const double expected = c.Cpp(x, y);
                    const TOutcome got = OutcomeOf([&] { return e.Evaluate(); });
                    if (!std::isfinite(expected)) {
                        EXPECT_NE(got.Fault, TEvalFault::efNone) << "x=" << x << " y=" << y;
                        continue;
                    }
                    ASSERT_EQ(got.Fault, TEvalFault::efNone) << "x=" << x << " y=" << y;
                    EXPECT_NEAR(got.Value, expected, 1e-13 * std::max(1.0, std::fabs(expected)))
                        << "x=" << x << " y=" << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace curvane
