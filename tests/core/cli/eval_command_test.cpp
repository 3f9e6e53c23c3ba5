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

}  // namespace
}  // namespace curvane
