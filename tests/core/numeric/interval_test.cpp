// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/interval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/core_test_helpers.h"
#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/numeric/auto_diff.h"
#include "core/numeric/point_search.h"

namespace curvane {
namespace {

// A random formula of the language: every operator, built-in and external
// function, over x and a few constants.
class TFormulaMaker {
public:
    explicit TFormulaMaker(unsigned seed) : FRandom(seed) {}

    std::string Make(int depth) {
        if (depth == 0 || Pick(4) == 0) return Leaf();
        static const char* const unary[] = {"-",     "sin",   "cos",   "tg",    "ctg",  "sec",  "cosec", "arctg",
                                            "arcsin", "arccos", "abs",  "ln",    "log10", "log2", "sqrt",  "exp",
                                            "sinh",  "cosh",  "tanh",  "floor", "ceil", "round", "sign", "Fact"};
        static const char* const binary[] = {"+", "-", "*", "/", "^", "min", "max", "mod", "sum"};
        if (Pick(2) == 0) {
            const std::string f = unary[Pick(std::size(unary))];
            return f + "(" + Make(depth - 1) + ")";
        }
        const std::string op = binary[Pick(std::size(binary))];
        if (op == "^") return "(" + Make(depth - 1) + ")^" + (Pick(2) ? Leaf() : "(" + Make(depth - 1) + ")");
        if (op.size() > 1) return op + "(" + Make(depth - 1) + "," + Make(depth - 1) + ")";
        return "(" + Make(depth - 1) + ")" + op + "(" + Make(depth - 1) + ")";
    }
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(FRandom); }
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom); }

private:
    std::string Leaf() {
        static const char* const leaves[] = {"x", "x", "x", "2", "3", "0.5", "-1.5", "pi", "e", "pi()", "0"};
        return leaves[Pick(std::size(leaves))];
    }
    std::mt19937 FRandom;
};

// Every value the evaluator (generated code, extended precision and all)
// computes at a point of a box lies in the box's enclosure, widened by a few
// ulp of the value; and where the enclosure says "defined", no point faults.
TEST(Interval, EnclosesTheEvaluatorOnRandomFormulas) {
    TFormulaMaker maker(2026);
    int compared = 0;
    for (int formula = 0; formula < 600; ++formula) {
        const std::string text = maker.Make(3);
        SCOPED_TRACE(text);
        const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), text);
        const TPointFormula p = TPointFormula::Make(EvalOrtho(), text);
        for (int box = 0; box < 6; ++box) {
            const double lo = maker.Uniform(-6, 6);
            const double hi = lo + (box % 2 ? maker.Uniform(0, 4) : maker.Uniform(0, 1e-6));
            const TInterval enclosure = CurveEnclosure(p, lo, hi);
            for (int i = 0; i <= 8; ++i) {
                const double x = i == 8 ? hi : lo + (hi - lo) * i / 8;
                const test::TOutcome r = test::OutcomeOf([&] { return f.Evaluate(x); });
                SCOPED_TRACE(x);
                if (enclosure.Decoration <= TDecoration::dcDefined) EXPECT_EQ(r.Fault, TEvalFault::efNone) << lo << " " << hi;
                if (r.Fault != TEvalFault::efNone || !std::isfinite(r.Value)) continue;
                const double slack = 4 * (std::nextafter(std::fabs(r.Value), INFINITY) - std::fabs(r.Value));
                ASSERT_FALSE(enclosure.IsEmpty()) << lo << " " << hi;
                EXPECT_LE(enclosure.Lo - slack, r.Value) << lo << " " << hi;
                EXPECT_GE(enclosure.Hi + slack, r.Value) << lo << " " << hi;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 10000);  // the generator makes mostly defined formulas
}

TEST(Interval, Decorations) {
    using D = TDecoration;
    const struct {
        TInterval Result;
        D Expected;
        const char* Reason;
    } rows[] = {
        {TInterval(1.0) / TInterval(-1, 1), D::dcMaybeUndefined, "division by a box holding 0"},
        {TInterval(1.0) / TInterval(0.0), D::dcUndefined, "division by 0 itself"},
        {Ln({-1, 2}), D::dcMaybeUndefined, "ln of a partly negative box"},
        {Sqrt({-2, -1}), D::dcUndefined, "sqrt of a negative box"},
        {Arcsin({0.5, 1.5}), D::dcMaybeUndefined, "arcsin past 1"},
        {Power({-2, -1}, TInterval(0.5)), D::dcUndefined, "a non-integral power of a negative base"},
        {Power({-2, -1}, TInterval(3.0)), D::dcContinuous, "an integral one is fine"},
        {Tg({1.5, 1.6}), D::dcMaybeUndefined, "tan across pi/2"},
        {Ctg({1.5, 1.6}), D::dcContinuous, "cot across pi/2 is smooth"},
        {Floor({0.5, 1.5}), D::dcDefined, "a step of floor"},
        {Floor({0.5, 0.9}), D::dcContinuous, "no step"},
        {Mod({0.5, 1.5}, TInterval(1.0)), D::dcDefined, "mod across a multiple"},
        {Fact({2.4, 2.6}), D::dcDefined, "Fact steps at halves"},
        {Fact({169, 172}), D::dcMaybeUndefined, "Fact overflows past 170"},
        {Exp({700, 720}), D::dcMaybeUndefined, "exp overflows"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        EXPECT_EQ(row.Result.Decoration, row.Expected);
    }
    // Exact operations stay points: an integral exponent must stay integral.
    EXPECT_TRUE((TInterval(3.0) - TInterval(1.0)).IsPoint());
    EXPECT_TRUE((TInterval(0.5) * TInterval(6.0)).IsPoint());
    const TInterval third = TInterval(1.0) / TInterval(3.0);
    EXPECT_TRUE(third.Lo < third.Hi && third.Hi == std::nextafter(third.Lo, 1.0));
}

// Derivatives by the walker over a live command list, with respect to x and
// with respect to another cell (Y standing for a parameter), against the
// derivatives worked out by hand.
TEST(AutoDiff, MatchesKnownDerivatives) {
    const struct {
        const char* Formula;
        const char* ByX;
        const char* ByY;
    } rows[] = {
        {"sin(x)^2*y", "2*sin(x)*cos(x)*y", "sin(x)^2"},
        {"x^y", "y*x^(y-1)", "x^y*ln(x)"},
        {"exp(x*y)/x", "(y*x-1)*exp(x*y)/x^2", "exp(x*y)"},
        {"arcsin(x/3)+tg(x)*y", "1/sqrt(9-x^2)+y/cos(x)^2", "tg(x)"},
        {"ln(x)*log2(x)+sqrt(x)", "(log2(x)+ln(x)/ln(2))/x+0.5/sqrt(x)", "0"},
        {"(-x)^3+mod(x,1)", "-3*x^2+1", "0"},
    };
    TRapidEvaluator e, byX, byY;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Formula);
        e.SetFormula(row.Formula);
        e.Compile();
        byX.SetFormula(row.ByX);
        byX.Compile();
        byY.SetFormula(row.ByY);
        byY.Compile();
        for (double x : {0.3, 1.1, 2.7}) {
            GlobalX = x;
            GlobalY = 1.7;
            for (const auto& [cell, expected] : {std::pair{&GlobalX, &byX}, std::pair{&GlobalY, &byY}}) {
                const auto d = WalkCommands<TDual<double>>(e.Commands(), [&](const TStackItem& item) {
                    const double v = *reinterpret_cast<const double*>(item.Address);
                    return TDual<double>{v, item.Address == reinterpret_cast<std::uintptr_t>(cell) ? 1.0 : 0.0};
                });
                const double want = expected->Evaluate();
                EXPECT_NEAR(d.D, want, 1e-13 * (1 + std::fabs(want))) << x;
                // The same over a small box encloses it.
                const auto box = WalkCommands<TDual<TInterval>>(e.Commands(), [&](const TStackItem& item) {
                    const double v = *reinterpret_cast<const double*>(item.Address);
                    const bool seed = item.Address == reinterpret_cast<std::uintptr_t>(cell);
                    return TDual<TInterval>{seed ? TInterval(v - 1e-9, v + 1e-9) : TInterval(v), TInterval(seed ? 1.0 : 0.0)};
                });
                EXPECT_TRUE(box.D.Contains(want)) << x;
            }
        }
    }
    // Second derivative by nesting: (x^3)'' = 6x.
    e.SetFormula("x^3");
    e.Compile();
    GlobalX = 2;
    const auto d2 = WalkCommands<TDual<TDual<double>>>(e.Commands(), [](const TStackItem&) {
        return TDual<TDual<double>>{{GlobalX, 1}, {1, 0}};
    });
    EXPECT_EQ(d2.D.D, 12);
}

TEST(AutoDiff, NoSlopeThroughKinksAndJumps) {
    const struct {
        const char* Formula;
        TInterval Box;
        const char* Reason;
    } rows[] = {
        {"abs(x)", {-1, 1}, "the kink of abs"},
        {"floor(x)", {0.5, 1.5}, "a step"},
        {"min(x,1-x)", {0, 1}, "min switching sides"},
        {"sign(x)", {-1, 1}, "sign's jump"},
        {"sqrt(x)", {0, 1}, "an infinite slope at 0"},
    };
    TRapidEvaluator e;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        e.SetFormula(row.Formula);
        e.Compile();
        const auto d = WalkCommands<TDual<TInterval>>(
            e.Commands(), [&](const TStackItem&) { return TDual<TInterval>{row.Box, TInterval(1.0)}; });
        EXPECT_GE(d.D.Decoration, TDecoration::dcMaybeUndefined);
    }
}

}  // namespace
}  // namespace curvane
