// SPDX-License-Identifier: GPL-3.0-or-later
#include <cassert>
#include <cmath>
#include <string>

#include "core/evaluator/code_generator.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/compiled_formula.h"
#include "core/evaluator/math_functions.h"
#include "core/support/exceptions.h"

namespace curvane {

TCompiledFormula::TCompiledFormula(std::shared_ptr<TCodeBlock> code, TCommandList commands, bool useSafeCall,
                                   std::vector<std::shared_ptr<TLookupItem>> entries)
    : FCode(std::move(code)), FUseSafeCall(useSafeCall), FCommands(std::move(commands)), FEntries(std::move(entries)) {}

void TCompiledFormula::WriteLoop() {
    if (!FCode || FLoopCode) return;
    const std::vector<std::uint8_t> loop = GenerateX64Loop(FCommands, FUseSafeCall);
    FLoopCode = AcquireCode(loop.data(), loop.size());
}

TCompiledFormula::TNativeLoop TCompiledFormula::NativeLoop() {
    if (!FCode) return nullptr;
    if (!FNativeLoop) {
        WriteLoop();
        FNativeLoop = reinterpret_cast<TNativeLoop>(const_cast<void*>(FLoopCode->Seal()));
    }
    return FNativeLoop;
}

TCompiledFormula::TCompiledFormula(TCommandList commands,
                                   std::vector<std::shared_ptr<TLookupItem>> entries)
    : FCommands(std::move(commands)), FEntries(std::move(entries)) {
    // Every command pushes at most one value, so the command count bounds the
    // depth; the exact figure keeps the per-run buffer small.
    std::size_t depth = 0;
    for (const TStackItem& item : FCommands) {
        switch (item.Kind) {
            case TCommandKind::ckConstant:
            case TCommandKind::ckVariable: ++depth; break;
            case TCommandKind::ckOperator: --depth; break;
            case TCommandKind::ckFunction:
            case TCommandKind::ckExtFunction: depth = depth - item.ParamCount + 1; break;
        }
        if (depth > FMaxDepth) FMaxDepth = depth;
    }
}

TCompiledFormula::~TCompiledFormula() = default;

void TCompiledFormula::Prepare() {
    if (FCode && !FNative) FNative = reinterpret_cast<TNativeRoutine>(const_cast<void*>(FCode->Seal()));
}

std::vector<std::uint8_t> TCompiledFormula::Bytes() const {
    if (!FCode) return {};
    return FCode->Bytes();
}

namespace {

// The parser builds no such command; a caller that assembles commands itself
// and gets one wrong must not receive a plausible number.
[[noreturn]] void UnknownCode(const char* what, std::int32_t code) {
    assert(false && "a command the parser never builds");
    throw Exception("TCompiledFormula.Interpret: unknown " + std::string(what) + " " + std::to_string(code));
}

}  // namespace

// The interpreter keeps the numbers of the generated code exactly: the value
// being worked on is extended precision, and a value is rounded to a double
// whenever another operand is pushed on top of it (generated code then stores
// it in its frame) and whenever it goes to the C library or an external
// function.
double TCompiledFormula::Interpret(std::int32_t* status) const {
    if (FCommands.empty()) return 0.0;
    constexpr std::size_t LocalDepth = 64;
    TExtended local[LocalDepth];
    std::vector<TExtended> heap;
    TExtended* stack = local;
    if (FMaxDepth > LocalDepth) {
        heap.resize(FMaxDepth);
        stack = heap.data();
    }
    std::vector<double> args;
    std::size_t top = 0;  // number of values on the stack
    auto roundTop = [&] {
        if (top > 0) stack[top - 1] = static_cast<double>(stack[top - 1]);
    };
    for (const TStackItem& item : FCommands) {
        switch (item.Kind) {
            case TCommandKind::ckConstant:
                roundTop();
                stack[top++] = item.Value;
                break;
            case TCommandKind::ckVariable:
                roundTop();
                stack[top++] = *reinterpret_cast<const double*>(item.Address);
                break;
            case TCommandKind::ckOperator: {
                const TExtended right = stack[--top];
                TExtended& left = stack[top - 1];
                switch (item.Operation) {
                    case opAdd: left = left + right; break;
                    case opSubtract: left = left - right; break;
                    case opMultiply: left = left * right; break;
                    case opDivide: left = left / right; break;
                    case opPower:
                        left = PowerFunc(static_cast<double>(left), static_cast<double>(right));
                        break;
                    default: UnknownCode("operator", item.Operation);
                }
                break;
            }
            case TCommandKind::ckFunction: {
                const auto code = static_cast<std::int32_t>(item.Address);
                if (code == fcPi) {
                    roundTop();
                    // fldpi: pi to 64 bits, as the x87 holds it
                    stack[top++] = static_cast<TExtended>(3.14159265358979323846264338327950288L);
                    break;
                }
                if (code == fcE) {
                    roundTop();
                    stack[top++] = EulerNumber;
                    break;
                }
                if (code == fcSum) {
                    const TExtended right = stack[--top];
                    stack[top - 1] = stack[top - 1] + right;
                    break;
                }
                if (TLibraryFunction2 fn = LibraryFunction2(code)) {
                    const TExtended right = stack[--top];
                    stack[top - 1] = fn(static_cast<double>(stack[top - 1]), static_cast<double>(right));
                    break;
                }
                TExtended& x = stack[top - 1];
                if (TLibraryFunction fn = LibraryFunction(code)) {
                    const double r = fn(static_cast<double>(x));
                    x = IsReciprocalFunction(code) ? 1 / static_cast<TExtended>(r) : r;
                } else if (code == fcNeg) {
                    x = -x;
                } else if (code == fcAbs) {
                    x = std::fabs(x);
                } else if (code == fcSqrt) {
                    x = std::sqrt(x);
                } else {
                    UnknownCode("function code", code);
                }
                break;
            }
            case TCommandKind::ckExtFunction: {
                const std::size_t n = static_cast<std::size_t>(item.ParamCount);
                args.resize(n + 1);
                for (std::size_t i = 0; i < n; ++i) args[i] = static_cast<double>(stack[top - n + i]);
                top -= n;
                const TExtFunction fn = *reinterpret_cast<const TExtFunction*>(item.Address);
                const double r = fn(args.data(), status);
                roundTop();
                stack[top++] = r;
                break;
            }
        }
    }
    return static_cast<double>(stack[top - 1]);
}

}  // namespace curvane
