// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/rapid_evaluator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/evaluator/code_generator.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/compiled_formula.h"
#include "core/support/exceptions.h"
#include "core/support/fpu_status.h"

namespace curvane {

double GlobalX = 0;
double GlobalY = 0;
double GlobalZ = 0;

void RaiseEvalFault(TEvalFault fault) {
    switch (fault) {
        case TEvalFault::efNone: return;
        case TEvalFault::efInvalidOp: throw EInvalidOp();
        case TEvalFault::efZeroDivide: throw EZeroDivide();
        case TEvalFault::efOverflow: throw EOverflow();
        case TEvalFault::efRangeError: throw ERangeError();
    }
    // A status code no TEvalFault names still must not pass as success.
    throw ERangeError();
}

namespace {

// An error reported by an external function comes first (it was the cause of
// whatever followed); among the flags, the order is fixed since masked faults
// leave no record of which came first.
TEvalFault Classify(std::int32_t status, std::uint32_t flags) {
    if (status != 0) {
        if (status >= static_cast<std::int32_t>(TEvalFault::efInvalidOp) &&
            status <= static_cast<std::int32_t>(TEvalFault::efRangeError))
            return static_cast<TEvalFault>(status);
        return TEvalFault::efRangeError;
    }
    if (flags & fpuInvalid) return TEvalFault::efInvalidOp;
    if (flags & fpuZeroDivide) return TEvalFault::efZeroDivide;
    if (flags & fpuOverflow) return TEvalFault::efOverflow;
    return TEvalFault::efNone;
}

struct TBuiltIn {
    const char* Name;
    std::int32_t Code;
    int ParamCount;
};

// In registration order, which is the order lookups meet them. The names
// most people type for the trigonometric functions are aliases: the same
// code, so both spellings give the same bits. LOG is left out on purpose:
// it means base 10 to some and base e to others.
constexpr TBuiltIn BuiltIns[] = {
    {"SIN", fcSin, 1},     {"COS", fcCos, 1},     {"TG", fcTg, 1},       {"CTG", fcCtg, 1},
    {"SEC", fcSec, 1},     {"COSEC", fcCosec, 1}, {"ARCSIN", fcArcsin, 1}, {"ARCCOS", fcArccos, 1},
    {"ARCTG", fcArctg, 1}, {"EXP", fcExp, 1},     {"SQRT", fcSqrt, 1},   {"LN", fcLn, 1},
    {"LOG10", fcLog10, 1}, {"LOG2", fcLog2, 1},   {"NEG", fcNeg, 1},     {"ABS", fcAbs, 1},
    {"PI", fcPi, 0},       {"SUM", fcSum, 2},
    {"TAN", fcTg, 1},      {"COT", fcCtg, 1},     {"ASIN", fcArcsin, 1}, {"ACOS", fcArccos, 1},
    {"ATAN", fcArctg, 1},  {"SINH", fcSinh, 1},   {"COSH", fcCosh, 1},   {"TANH", fcTanh, 1},
    {"FLOOR", fcFloor, 1}, {"CEIL", fcCeil, 1},   {"ROUND", fcRound, 1}, {"SIGN", fcSign, 1},
    {"MIN", fcMin, 2},     {"MAX", fcMax, 2},     {"MOD", fcMod, 2},     {"E", fcE, 0},
};

}  // namespace

bool TRapidEvaluator::JitAvailable() { return X64CodeGeneratorAvailable(); }

bool TRapidEvaluator::DefaultUseJit() {
    if (!JitAvailable()) return false;
    const char* env = std::getenv("CURVANE_NO_JIT");
    return !(env && *env && std::strcmp(env, "0") != 0);
}

TRapidEvaluator::TRapidEvaluator() : FUseJit(DefaultUseJit()) {
    for (const TBuiltIn& b : BuiltIns)
        FIntFunctions.Add(std::make_shared<TIntFunction>(b.Name, b.Code, b.ParamCount));
    AddVariable("x", &GlobalX);
    AddVariable("y", &GlobalY);
    AddVariable("z", &GlobalZ);
}

TRapidEvaluator::~TRapidEvaluator() {
    SetSharedFuncTable(nullptr);
    SetSharedVarTable(nullptr);
}

void TRapidEvaluator::SetFormula(std::string formula) {
    FCommands.clear();
    FParsedEntries.clear();
    std::string previous = std::move(FFormula);
    FFormula = std::move(formula);
    FPosition = 1;
    FErrorMessage.clear();
    FErrorFlag = false;
    FCompiled = false;
    if (FAutoCompile) {
        try {
            Compile();
        } catch (...) {
            FFormula = std::move(previous);
            throw;
        }
    }
}

void TRapidEvaluator::SetUseSafeCall(bool value) {
    if (value != FUseSafeCall) FCompiled = false;
    FUseSafeCall = value;
}

void TRapidEvaluator::SetUseJit(bool value) {
    value = value && JitAvailable();
    if (value != FUseJit) FCompiled = false;
    FUseJit = value;
}

void TRapidEvaluator::Compile() {
    if (FCompiled) return;
    Parse();
    // Generation builds into locals; the routine is replaced only on success.
    std::shared_ptr<TCompiledFormula> routine;
    if (FUseJit) {
        const std::vector<std::uint8_t> code = GenerateX64(FCommands, FUseSafeCall);
        routine = std::make_shared<TCompiledFormula>(AcquireCode(code.data(), code.size()), FCommands,
                                                     FUseSafeCall, FParsedEntries);
    } else {
        routine = std::make_shared<TCompiledFormula>(FCommands, FParsedEntries);
    }
    FRoutine = std::move(routine);
    FCompiled = true;
}

std::vector<std::uint8_t> TRapidEvaluator::CodeBytes() const {
    return FRoutine ? FRoutine->Bytes() : std::vector<std::uint8_t>{};
}

namespace {

// Clearing the flags (fnclex) costs several times more than reading them, so
// they are cleared only when a fault flag is actually set; the flags that do
// not count (precision, underflow, denormal) may stay set.
inline void ClearFaultFlags() {
    if (ReadFpuFlags() & FpuFaultMask) ClearFpuFlags();
}

}  // namespace

double TRapidEvaluator::Evaluate() {
    if (!FRoutine) throw Exception("TRapidEvaluator.Evaluate: no formula has been compiled");
    FRoutine->Prepare();
    std::int32_t status = 0;
    ClearFaultFlags();
    const double value = FRoutine->Run(&status);
    const std::uint32_t flags = ReadFpuFlags();
    if (status != 0 || (flags & FpuFaultMask) != 0) RaiseEvalFault(Classify(status, flags));
    return value;
}

double TRapidEvaluator::EvaluateAt(double x) {
    GlobalX = x;
    return Evaluate();
}

void TRapidEvaluator::EvaluateBatch(double* cell, const double* params, std::size_t n, double* out,
                                    TEvalFault* faults) {
    if (!FRoutine) throw Exception("TRapidEvaluator.EvaluateBatch: no formula has been compiled");
    FRoutine->Prepare();
    TCompiledFormula& routine = *FRoutine;
    const TCompiledFormula::TNativeLoop loop = routine.NativeLoop();
    // Runs [start, end) and tells whether anything faulted there. Locals, not
    // captures: after each opaque call into generated code the compiler
    // would otherwise reload every captured pointer.
    auto runBlock = [loop, &routine, cell, params, out](std::size_t start, std::size_t end) {
        std::int32_t status = 0;
        ClearFaultFlags();
        if (loop) {
            loop(cell, params + start, end - start, out + start, &status);
        } else {
            for (std::size_t i = start; i < end; ++i) {
                *cell = params[i];
                out[i] = routine.Run(&status);
            }
        }
        return status != 0 || (ReadFpuFlags() & FpuFaultMask) != 0;
    };
    // Flags are read once per block of Block points; a block that faulted is
    // run again in sub-blocks, and only a faulty sub-block point by point, so
    // a curve with a few poles costs little more than one without.
    constexpr std::size_t Block = 1024;
    constexpr std::size_t SubBlock = 32;
    for (std::size_t start = 0; start < n; start += Block) {
        const std::size_t end = std::min(n, start + Block);
        if (!runBlock(start, end)) {
            if (faults) std::memset(faults + start, 0, (end - start) * sizeof(TEvalFault));
            continue;
        }
        if (!faults) continue;
        for (std::size_t sub = start; sub < end; sub += SubBlock) {
            const std::size_t subEnd = std::min(end, sub + SubBlock);
            if (!runBlock(sub, subEnd)) {
                std::memset(faults + sub, 0, (subEnd - sub) * sizeof(TEvalFault));
                continue;
            }
            for (std::size_t i = sub; i < subEnd; ++i) {
                std::int32_t pointStatus = 0;
                ClearFaultFlags();
                *cell = params[i];
                out[i] = routine.Run(&pointStatus);
                faults[i] = Classify(pointStatus, ReadFpuFlags());
            }
        }
    }
}

void TRapidEvaluator::PrepareBatch() {
    if (FRoutine) FRoutine->WriteLoop();
}

void TRapidEvaluator::CheckNewName(const std::string& name) const {
    if (FExtFunctions.Find(name)) throw Exception("External function \"" + name + "\" already exists");
    if (FIntFunctions.Find(name)) throw Exception("Internal function \"" + name + "\" already exists");
    if (FVariables.Find(name)) throw Exception("Variable \"" + name + "\" already exists");
}

void TRapidEvaluator::AddFunction(const std::string& name, TExtFunction fn, int paramCount) {
    CheckNewName(name);
    if (paramCount < 0 || paramCount > 255)
        throw Exception("TRapidEvaluator.AddFunction: ParamCount must be 0 to 255");
    FExtFunctions.Add(std::make_shared<TExtPointer>(UpperName(name), reinterpret_cast<void*>(fn), paramCount));
}

void TRapidEvaluator::AddVariable(const std::string& name, double* cell) {
    CheckNewName(name);
    FVariables.Add(std::make_shared<TExtPointer>(UpperName(name), cell, 0));
}

int TRapidEvaluator::DeleteVariable(const std::string& name) { return FVariables.Delete(name); }

void TRapidEvaluator::SetSharedFuncTable(TSharedFuncTable* table) {
    if (table == FSharedFuncTable) return;
    if (FSharedFuncTable) std::erase(FSharedFuncTable->FUsers, this);
    FSharedFuncTable = table;
    if (table) table->FUsers.push_back(this);
}

void TRapidEvaluator::SetSharedVarTable(TSharedVarTable* table) {
    if (table == FSharedVarTable) return;
    if (FSharedVarTable) std::erase(FSharedVarTable->FUsers, this);
    FSharedVarTable = table;
    if (table) table->FUsers.push_back(this);
}

}  // namespace curvane
