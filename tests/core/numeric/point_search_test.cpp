// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/point_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

constexpr double Pi = std::numbers::pi;

TPointFormula Formula(const char* text, TCurveOrder order = TCurveOrder::coValue) {
    return TPointFormula::Make(EvalOrtho(), text, order);
}

std::string Describe(const TPointSearch& s) {
    std::string text;
    for (const TPointOfInterest& p : s.Points)
        text += std::string(PointKindName(p.Kind)) + " " + PointStatusName(p.Status) + " [" +
                std::to_string(p.XLo) + ", " + std::to_string(p.XHi) + "]\n";
    return text;
}

// Each point: its kind and status, and an enclosure holding the expected x
// no wider than Width. Reference values: mpmath at 30 digits (mp.dps = 30),
// findroot on the formula or its derivative.
struct TExpected {
    TPointKind Kind;
    TPointStatus Status;
    double X;
    double Width;
};

void ExpectPoints(const TPointSearch& s, const std::vector<TExpected>& expected) {
    SCOPED_TRACE(Describe(s));
    EXPECT_FALSE(s.WorkLimitReached);
    ASSERT_EQ(s.Points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TPointOfInterest& p = s.Points[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.Kind, expected[i].Kind);
        EXPECT_EQ(p.Status, expected[i].Status);
        EXPECT_LE(p.XLo, expected[i].X);
        EXPECT_GE(p.XHi, expected[i].X);
        EXPECT_LE(p.XHi - p.XLo, expected[i].Width);
        EXPECT_TRUE(p.XLo <= p.X && p.X <= p.XHi && p.YLo <= p.Y && p.Y <= p.YHi);
    }
}

constexpr auto Root = TPointKind::pkRoot;
constexpr auto Unique = TPointStatus::psUnique;

TEST(PointSearch, RootsAgainstReferenceValues) {
    const struct {
        const char* Formula;
        double From, To;
        std::vector<TExpected> Points;
        const char* Reason;
    } rows[] = {
        {"sin(x)", -10, 10,
         {{Root, Unique, -3 * Pi, 1e-13}, {Root, Unique, -2 * Pi, 1e-13}, {Root, Unique, -Pi, 1e-13},
          {Root, Unique, 0, 1e-13}, {Root, Unique, Pi, 1e-13}, {Root, Unique, 2 * Pi, 1e-13},
          {Root, Unique, 3 * Pi, 1e-13}},
         "exactly the seven multiples of pi, 0 at the middle of the range included"},
        {"(x-1)*(x-1.001)*(x-3)", 0, 4,
         {{Root, Unique, 1, 1e-12}, {Root, Unique, 1.001, 1e-12}, {Root, Unique, 3, 1e-12}},
         "two roots 0.001 apart are told apart"},
        {"tg(x)", 0, 10,
         {{Root, Unique, 0, 1e-13}, {Root, Unique, Pi, 1e-13}, {Root, Unique, 2 * Pi, 1e-13},
          {Root, Unique, 3 * Pi, 1e-13}},
         "the sign changes at the poles are no roots"},
        {"x^2", -1, 1, {{Root, TPointStatus::psPossible, 0, 1e-9}}, "a double root proves nothing"},
        {"x^10-1", 0, 1.5, {{Root, Unique, 1, 1e-12}}, "narrowed to 1e-12 and beyond"},
        {"1/x", -1, 1, {}, "a pole changes sign but is no root"},
        {"floor(x)-0.5", -2, 2, {}, "nor is a jump"},
        {"sqrt(x)-1", -4, 4, {{Root, Unique, 1, 1e-13}}, "undefined on the left half"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Formula);
        SCOPED_TRACE(row.Reason);
        ExpectPoints(FindRoots(Formula(row.Formula), row.From, row.To), row.Points);
    }
}

TEST(PointSearch, ExtremaIntersectionsAndIntercept) {
    ExpectPoints(FindExtrema(Formula("x^3-3*x"), -3, 3),
                 {{TPointKind::pkMaximum, Unique, -1, 1e-12}, {TPointKind::pkMinimum, Unique, 1, 1e-12}});
    // The ends, and no extremum at the inflection of x^3.
    ExpectPoints(FindExtrema(Formula("x^3"), -1, 2, TSearchEnds::seInclude),
                 {{TPointKind::pkEnd, Unique, -1, 0}, {TPointKind::pkEnd, Unique, 2, 0}});
    // A kink: abs has no derivative at 0, but the sign of its slope on
    // either side still proves the minimum.
    ExpectPoints(FindExtrema(Formula("abs(x-0.3)"), -1, 1),
                 {{TPointKind::pkMinimum, TPointStatus::psSignChange, 0.3, 1e-9}});
    // The derivative curve of x^3/10-x: its root is the curve's extremum.
    ExpectPoints(FindRoots(Formula("x^3/10-x", TCurveOrder::coDerivative), 0, 5),
                 {{Root, Unique, std::sqrt(10.0 / 3), 1e-12}});
    const TPointSearch meet = FindIntersections(Formula("sin(x)"), Formula("cos(x)"), -4, 4);
    ExpectPoints(meet, {{TPointKind::pkIntersection, Unique, Pi / 4 - Pi, 1e-13},
                        {TPointKind::pkIntersection, Unique, Pi / 4, 1e-13},
                        {TPointKind::pkIntersection, Unique, Pi / 4 + Pi, 1e-13}});
    EXPECT_NEAR(meet.Points[1].Y, std::sqrt(0.5), 1e-15);

    const auto y = FindYIntercept(Formula("cos(x)+1"));
    ASSERT_TRUE(y.has_value());
    EXPECT_TRUE(y->YLo <= 2 && 2 <= y->YHi && y->YHi - y->YLo < 1e-14);
    EXPECT_FALSE(FindYIntercept(Formula("ln(x)")).has_value());
}

TEST(PointSearch, WorkLimitAndParameters) {
    // Infinitely many roots near 0: the limit ends the search and says so.
    const TPointSearch s = FindRoots(Formula("sin(1/x)"), -1, 1, {500});
    EXPECT_TRUE(s.WorkLimitReached);
    EXPECT_FALSE(s.Points.empty());

    // A parameter's value is read when the formula is made.
    TParameterList parameters;
    parameters.Add({"k"}).Value = 2;
    TParameterBinding binding(parameters);
    const TPointFormula f = Formula("x-k");
    parameters[0].Value = 7;
    binding.Cells()->TakeValues(parameters);
    ExpectPoints(FindRoots(f, 0, 5), {{Root, Unique, 2, 1e-14}});
    EXPECT_THROW(Formula("x+"), ESyntaxError);
}

TEST(PointSearch, ProvedDigits) {
    const struct {
        double Lo, Hi;
        const char* Expected;
    } rows[] = {
        {0.1, 0.1, "0.1"},                        // a point: the shortest text that reads back
        {1.23449, 1.23451, "1.2345"},             // every number of the box rounds to 1.2345
        {0.449, 0.451, "0.45"},                   // alike at 2 decimals though not at 1
        {0.99999999999, 1.00000000001, "1.0000000000"},  // the zeros are proved digits too
        {-1e-12, 1e-12, "0"},
        {123456, 123789, "1.2e+05"},               // no unit digit proved
        {1.5e-8, 1.50001e-8, "1.5000e-08"},
        {0.3, 0.6, "0e+01"},                       // not even the first digit
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Expected);
        EXPECT_EQ(ProvedDigits(row.Lo, row.Hi), row.Expected);
    }
}

}  // namespace
}  // namespace curvane
