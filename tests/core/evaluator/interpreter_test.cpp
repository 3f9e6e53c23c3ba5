// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/evaluator/compiled_formula.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// Commands the parser never builds (a function code between ABS and LN, an
// operator past the last): a debug build stops at the assert, a release build
// raises instead of computing some other function.
TEST(Interpreter, UnknownCodesFailLoudly) {
    const TStackItem four{.Kind = TCommandKind::ckConstant, .Value = 4};
    const TStackItem function{.Kind = TCommandKind::ckFunction, .Address = 210, .ParamCount = 1};
    const TStackItem op{.Kind = TCommandKind::ckOperator, .Operation = 5};
    for (const TCommandList& commands : {TCommandList{four, function}, TCommandList{four, four, op}}) {
        TCompiledFormula formula(commands, {});
        std::int32_t status = 0;
        EXPECT_DEBUG_DEATH(EXPECT_THROW(formula.Run(&status), Exception), "parser never builds");
    }
}

}  // namespace
}  // namespace curvane
