// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "core/cli/eval_command.h"

namespace curvane {
namespace {

TEST(EvalCommand, OutputsAndExitStatuses) {
    const struct {
        const char* Formula;
        std::optional<std::string> X, Y;
        int Status;
        const char* Out;
        const char* Err;
    } cases[] = {
        {"x*y+1", "2", "0.25", eeSuccess, "1.5\n", ""},
        // The cartesian shared evaluator: its constants and Fact are known.
        {"pi", std::nullopt, std::nullopt, eeSuccess, "3.141592653589793\n", ""},
        {"Fact(x)+y", "4", "0.5", eeSuccess, "24.5\n", ""},
        {"Fact(x)", "3e9", std::nullopt, eeMathError, "", "Range check error\n"},
        // The names people type sit beside pi, Fact and the variables.
        {"mod(x,y)+round(e)*tan(0)", "-7", "3", eeSuccess, "2\n", ""},
        {"mod(x,y)", "1", std::nullopt, eeMathError, "", "Invalid floating point operation\n"},
        {"0.1+0.2", std::nullopt, std::nullopt, eeSuccess, "0.30000000000000004\n", ""},
        {"x+y", std::nullopt, std::nullopt, eeSuccess, "0\n", ""},  // both default to 0
        {"-x", "-1e-5", std::nullopt, eeSuccess, "1e-05\n", ""},
        {"sin(x)", "1e19", std::nullopt, eeSuccess, "-0.9270631660486504\n", ""},
        {"x+", std::nullopt, std::nullopt, eeFormulaError, "", "Syntax error\n"},
        {"foo", std::nullopt, std::nullopt, eeFormulaError, "", "Unknown function or variable \"foo\"\n"},
        {"", std::nullopt, std::nullopt, eeFormulaError, "", "Empty expression\n"},
        {"1/x", std::nullopt, std::nullopt, eeMathError, "", "Floating point division by zero\n"},
        {"sqrt(x)", "-4", std::nullopt, eeMathError, "", "Invalid floating point operation\n"},
        {"exp(x)", "1000", std::nullopt, eeMathError, "", "Floating point overflow\n"},
        {"x*y", "pi/2", "sqrt(4)", eeSuccess, "3.141592653589793\n", ""},  // constant formulas
        {"x", "two", std::nullopt, eeUsage, "", "curvane: --x needs a number, not \"two\"\n"},
        {"y", std::nullopt, "1,5", eeUsage, "", "curvane: --y needs a number, not \"1,5\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Formula);
        std::ostringstream out, err;
        EXPECT_EQ(RunEvalCommand(c.Formula, c.X, c.Y, out, err), c.Status);
        EXPECT_EQ(out.str(), c.Out);
        EXPECT_EQ(err.str(), c.Err);
    }
}

TEST(EvalCommand, SetDefinesTheParametersOfTheFormula) {
    const struct {
        const char* Formula;
        std::vector<std::string> Sets;
        int Status;
        const char* Out;
        const char* Err;
    } cases[] = {
        {"k*x+m", {"k=2,m=0.5"}, eeSuccess, "6.5\n", ""},
        {"k*x+m", {"k=2", "M=0.5"}, eeSuccess, "6.5\n", ""},  // repeated; names compare without case
        {"p+q", {"p=min(1,2),q=max(3,4)"}, eeSuccess, "5\n", ""},  // commas inside parentheses
        {"k", {" k = pi/2 "}, eeSuccess, "1.5707963267948966\n", ""},
        // Unknown names stay what they are without --set.
        {"k*x+m", {"k=2"}, eeFormulaError, "", "Unknown function or variable \"m\"\n"},
        {"k*x", {"k=2,m=1"}, eeUsage, "", "curvane: --set: m is not used by the formula\n"},
        {"t*x", {"t=2"}, eeUsage, "", "curvane: --set: \"t\" is the name of a variable\n"},
        {"sin+x", {"sin=2"}, eeUsage, "", "curvane: --set: \"sin\" is the name of a built-in function\n"},
        {"k", {"k=1", "K=2"}, eeUsage, "", "curvane: --set gives K twice\n"},
        {"k", {"k"}, eeUsage, "", "curvane: --set takes NAME=VALUE pairs, not \"k\"\n"},
        {"k", {"k=1,"}, eeUsage, "", "curvane: --set takes NAME=VALUE pairs, not \"\"\n"},
        {"k", {"k=x"}, eeUsage, "", "curvane: --set k needs a number, not \"x\"\n"},
        {"k", {"2k=1"}, eeUsage, "", "curvane: --set: \"2k\" is no name: a name is a letter, then letters or digits\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Formula + (" " + c.Sets.front()));
        std::ostringstream out, err;
        EXPECT_EQ(RunEvalCommand(c.Formula, std::optional<std::string>("3"), std::nullopt, out, err, c.Sets), c.Status);
        EXPECT_EQ(out.str(), c.Out);
        EXPECT_EQ(err.str(), c.Err);
    }
}

}  // namespace
}  // namespace curvane
