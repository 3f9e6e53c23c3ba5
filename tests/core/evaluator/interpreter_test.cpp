#include <gtest/gtest.h>

#include <string>

#include "core/evaluator/compiled_formula.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// Commands the parser never builds: a debug build stops at the assert, a
// release build raises instead of computing some other function.
TEST(Interpreter, UnknownCodesFailLoudly) {
    TStackItem four;
    four.Kind = TCommandKind::ckConstant;
    four.Value = 4;
    TStackItem unknownFunction;
    unknownFunction.Kind = TCommandKind::ckFunction;
    unknownFunction.Address = 210;  // between ABS and LN: no built-in
    unknownFunction.ParamCount = 1;
    TStackItem unknownOperator;
    unknownOperator.Kind = TCommandKind::ckOperator;
    unknownOperator.Operation = 5;
    struct Row {
        TCommandList commands;
        const char* message;
    };
    const Row rows[] = {
        {{four, unknownFunction}, "TCompiledFormula.Interpret: unknown function code 210"},
        {{four, four, unknownOperator}, "TCompiledFormula.Interpret: unknown operator 5"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        TCompiledFormula formula(row.commands, {});
        std::string message;
        auto run = [&] {
            try {
                std::int32_t status = 0;
                formula.Run(&status);
            } catch (const Exception& e) {
                message = e.what();
            }
        };
        EXPECT_DEBUG_DEATH(run(), "parser never builds");
#ifdef NDEBUG
        EXPECT_EQ(message, row.message);
#endif
    }
}

}  // namespace
}  // namespace curvane
