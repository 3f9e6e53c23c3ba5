// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/numeric_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/cli/eval_command.h"
#include "core/support/number_format.h"

namespace curvane {
namespace {

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

// The command line as main() dispatches it.
TRun RunCommand(const std::vector<const char*>& args) {
    const TCommandLine line = TCommandLine::Parse(args);
    std::ostringstream out, err;
    TRun run;
    switch (line.Mode()) {
    case TCliMode::cmTabulate: run.Status = RunTabulateCommand(line, out, err); break;
    case TCliMode::cmIntegrate: run.Status = RunIntegrateCommand(line, out, err); break;
    case TCliMode::cmRoot: run.Status = RunRootCommand(line, out, err); break;
    case TCliMode::cmRoots:
    case TCliMode::cmExtrema:
    case TCliMode::cmIntersections: run.Status = RunPointsCommand(line, out, err); break;
    default: ADD_FAILURE() << "not a numerical mode";
    }
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

TEST(NumericCommands, MalformedOptionsAreUsageErrorsBeforeTheFormulaIsRead) {
    const struct {
        std::vector<const char*> Args;
        const char* Err;  // empty: the tabulation's own message
    } rows[] = {
        {{"--tabulate", "x", "--from", "0", "--to", "1", "--step", "1", "--y-from", "0"},
         "curvane: --y-from, --y-to and --y-step go together\n"},
        {{"--tabulate", "x", "--from", "0", "--to", "1", "--step", "1", "--y-to", "1", "--y-step", "1"},
         "curvane: --y-from, --y-to and --y-step go together\n"},
        {{"--tabulate", "x+", "--from", "0", "--to", "1", "--step", "1", "--y-from", "0", "--y-to", "1",
          "--y-step", "zero"},
         "curvane: --y-step needs a number, not \"zero\"\n"},
        {{"--tabulate", "x", "--from", "0", "--to", "1", "--step", "-0.5"}, ""},
        {{"--tabulate", "x", "--from", "1e20", "--to", "2e20", "--step", "1"}, ""},
        {{"--integrate", "x", "--from", "0", "--to", "1", "--rule", "Simpson"},
         "curvane: --rule takes rectangles, trapezoids or simpson, not \"Simpson\"\n"},
        {{"--integrate", "x", "--from", "0", "--to", "1", "--segments", "0"},
         "curvane: --segments needs a whole number from 1 to 2146483647, not \"0\"\n"},
        {{"--integrate", "x", "--from", "0", "--to", "1", "--segments", "2146483648"},
         "curvane: --segments needs a whole number from 1 to 2146483647, not \"2146483648\"\n"},
        {{"--integrate", "foo(", "--from", "1,5", "--to", "1"}, "curvane: --from needs a number, not \"1,5\"\n"},
        {{"--root", "x", "--from", "0", "--to", "1e999"}, "curvane: --to needs a number, not \"1e999\"\n"},
        {{"--root", "x", "--from", "pi/0", "--to", "1"}, "curvane: --from needs a number, not \"pi/0\"\n"},
        {{"--root", "x", "--from", "0", "--to", "1", "--accuracy", "0"},
         "curvane: --accuracy needs a number above 0, not \"0\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Args.back());
        const TRun run = RunCommand(row.Args);
        EXPECT_EQ(run.Status, eeUsage);
        if (*row.Err) EXPECT_EQ(run.Err, row.Err);
        else EXPECT_NE(run.Err, "");
    }
}

TEST(NumericCommands, OutputsAndStatuses) {
    const struct {
        std::vector<const char*> Args;
        int Status;
        const char* Out;
        const char* Err;
    } rows[] = {
        {{"--tabulate", "x^2", "--from", "0", "--to", "1", "--step", "0.5"}, eeSuccess,
         "X=0 Y=0 Z=0\nX=0.5 Y=0.25 Z=0\nX=1 Y=1 Z=0\n", ""},
        {{"--tabulate", "x-y", "--from", "0", "--to", "1", "--step", "1", "--y-from", "0", "--y-to", "1", "--y-step",
          "1", "--pattern", "%x %y %z %x"},
         eeSuccess, "0 0 0 %x\n0 1 -1 %x\n1 0 1 %x\n1 1 0 %x\n", ""},
        // Y is 0 in a table of Y(x), as --eval has it by default.
        {{"--tabulate", "1/x+y", "--from", "-1", "--to", "1", "--step", "1"}, eeSuccess,
         "X=-1 Y=-1 Z=0\nMath error Floating point division by zero\nX=1 Y=1 Z=0\n", ""},
        {{"--tabulate", "x+", "--from", "0", "--to", "1", "--step", "1"}, eeFormulaError, "", "Syntax error\n"},
        {{"--integrate", "x", "--from", "0", "--to", "1"}, eeSuccess, "0.5\n", ""},
        // Number options take constant formulas.
        {{"--tabulate", "x", "--from", "pi/2", "--to", "2*pi", "--step", "pi", "--pattern", "%x"}, eeSuccess,
         "1.5707963267949\n4.71238898038469\n", ""},
        // High to low is the negative, not swapped.
        {{"--integrate", "2*x", "--from", "1", "--to", "0", "--rule", "trapezoids", "--segments", "3"}, eeSuccess,
         "-1\n", ""},
        {{"--integrate", "1e308", "--from", "0", "--to", "10"}, eeMathError, "", "Floating point overflow\n"},
        {{"--integrate", "1/x", "--from", "2", "--to", "2"}, eeSuccess, "0\n", ""},
        {{"--integrate", "sqrt(x)", "--from", "-1", "--to", "1"}, eeMathError, "",
         "Invalid floating point operation\n"},
        {{"--root", "x-0.25", "--from", "1", "--to", "0"}, eeSuccess,
         "Root for \"x-0.25\" in (0.0000,1.0000) is 0.25000000000000\n",
         "curvane: warning: the limits were swapped, searching from 0 to 1\n"},
        {{"--root", "x", "--with", "2-x", "--from", "0", "--to", "2"}, eeSuccess,
         "Intersection for \"x\" & \"2-x\" in (0.0000,2.0000) is: X=1.00000000000000 Y=1.00000000000000\n", ""},
        {{"--root", "x^2+1", "--from", "0", "--to", "2"}, eeMathError, "", "No roots\n"},
        {{"--root", "tg(x)", "--from", "1", "--to", "2"}, eeMathError, "", "No roots\n"},  // a pole
        {{"--root", "Fact(x)-1e300", "--from", "0", "--to", "3e9"}, eeMathError, "", "Range check error\n"},
        {{"--root", "x", "--with", "2-x+", "--from", "0", "--to", "2"}, eeFormulaError, "", "Syntax error\n"},
        // --set: the parameters of the formulas, in every numerical mode.
        {{"--tabulate", "k*x", "--from", "0", "--to", "1", "--step", "1", "--pattern", "%y", "--set", "k=3"},
         eeSuccess, "0\n3\n", ""},
        {{"--integrate", "k*x", "--from", "0", "--to", "1", "--set", "k=4"}, eeSuccess, "2\n", ""},
        {{"--root", "x-c", "--from", "0", "--to", "2", "--set", "c=1"}, eeSuccess,
         "Root for \"x-c\" in (0.0000,2.0000) is 1.00000000000000\n", ""},
        // A name the second formula uses is a parameter of the command.
        {{"--root", "x", "--with", "m-x", "--from", "0", "--to", "2", "--set", "m=2"}, eeSuccess,
         "Intersection for \"x\" & \"m-x\" in (0.0000,2.0000) is: X=1.00000000000000 Y=1.00000000000000\n", ""},
        {{"--root", "x", "--with", "m-x", "--from", "0", "--to", "2", "--set", "q=2"}, eeUsage, "",
         "curvane: --set: q is used by neither formula\n"},
        {{"--integrate", "k*x", "--from", "0", "--to", "1", "--set", "x=4"}, eeUsage, "",
         "curvane: --set: \"x\" is the name of a variable\n"},
        {{"--tabulate", "k*x", "--from", "0", "--to", "1", "--step", "1"}, eeFormulaError, "",
         "Unknown function or variable \"k\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Args.front() + std::string(" ") + row.Args[1]);
        const TRun run = RunCommand(row.Args);
        EXPECT_EQ(run.Status, row.Status);
        EXPECT_EQ(run.Out, row.Out);
        EXPECT_EQ(run.Err, row.Err);
    }
}

// --accuracy makes the passes go on until they agree; one pass of 64
// midpoints is off by about 2e-5 here.
TEST(NumericCommands, AccuracyRefinesTheResult) {
    // The number the output ends with.
    const auto value = [](std::string text) {
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return ParseDouble(text.substr(text.rfind(' ') + 1)).value_or(0);
    };
    const double exact = std::exp(1.0) - 1;
    const auto error = [&](const TRun& run) { return std::fabs(value(run.Out) - exact); };
    EXPECT_GT(error(RunCommand({"--integrate", "exp(x)", "--from", "0", "--to", "1"})), 1e-6);
    EXPECT_LT(error(RunCommand({"--integrate", "exp(x)", "--from", "0", "--to", "1", "--accuracy", "1e-10"})), 1e-9);

    const TRun root = RunCommand({"--root", "x^2-2", "--from", "0", "--to", "2", "--accuracy", "1e-12"});
    const std::string prefix = "Root for \"x^2-2\" in (0.0000,2.0000) is ";
    ASSERT_EQ(root.Out.substr(0, prefix.size()), prefix);
    EXPECT_NEAR(value(root.Out), std::sqrt(2.0), 1e-11);
}

// The lines are pinned where the enclosures are exact or fixed by the
// search; elsewhere their form, as the core's tests check the enclosures.
TEST(NumericCommands, PointModesPrintOneLinePerPointAndTheirStatus) {
    const std::string number = R"(-?[0-9.]+(e-?[0-9]+)?)";
    const std::string root = "root " + number + " \\[" + number + ", " + number + "\\] unique\n";
    const struct {
        std::vector<const char*> Args;
        int Status;
        std::string Out;  // a regular expression the output starts with; "$" ends it
        const char* Err;  // the start of standard error
    } rows[] = {
        {{"--roots", "sin(x)", "--from", "-10", "--to", "10"}, 0, "(" + root + "){7}$", ""},
        {{"--roots", "x-c", "--from", "1", "--to", "0", "--set", "c=0.25"}, 0,
         R"(root 0\.25 \[0\.25, 0\.25\] unique\n$)",
         "curvane: warning: the limits were swapped, searching from 0 to 1\n"},
        {{"--roots", "tg(x)", "--from", "1", "--to", "2"}, 0, "$", ""},  // a pole is no root
        {{"--extrema", "x^3-3*x", "--from", "-2", "--to", "2", "--ends"}, 0,
         R"(end -2 \[-2, -2\] unique\nmaximum -1 \[-1, -1\] unique\n)"
         R"(minimum 1 \[1, 1\] unique\nend 2 \[2, 2\] unique\n$)",
         ""},
        {{"--extrema", "x^3-3*x", "--from", "-2", "--to", "2"}, 0, "maximum .*\nminimum .*\n$", ""},
        {{"--intersections", "sin(x)", "--with", "cos(x)", "--from", "0", "--to", "1"}, 0,
         R"(intersection 0\.7853981633974483 \[0\.78539816339744\d+, 0\.78539816339744\d+\] unique )"
         R"(0\.7071067811865475\n$)",
         ""},
        {{"--roots", "sin(x", "--from", "zero", "--to", "1"}, 1, "$", "curvane: --from needs a number, not \"zero\"\n"},
        {{"--intersections", "x", "--with", "sin(x", "--from", "0", "--to", "1"}, 2, "$", "\")\" expected"},
        // Roots without end near 0: those found from -1 on are printed.
        {{"--roots", "sin(1/x)", "--from", "-1", "--to", "1"}, 3,
         "root -0\\.3183098861837906\\d* .*\nroot -0\\.159154943091895\\d* ",
         "curvane: the search reached its work limit: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Args[1]);
        const TRun run = RunCommand(row.Args);
        EXPECT_EQ(run.Status, row.Status);
        EXPECT_TRUE(std::regex_search(run.Out, std::regex(row.Out), std::regex_constants::match_continuous))
            << run.Out.substr(0, 500);
        EXPECT_EQ(run.Err.substr(0, std::string_view(row.Err).size()), row.Err) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), *row.Err ? 1 : 0) << run.Err;
    }
}

}  // namespace
}  // namespace curvane
