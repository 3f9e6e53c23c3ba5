// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/evaluator/command_list.h"
#include "core/evaluator/lookup_table.h"

namespace curvane {

class TCodeBlock;

// The result of one successful compile: either a native routine or a command
// list for the interpreter. Run leaves fault flags behind and sets *status
// when an external function reports an error; it never throws for commands
// the parser builds (the interpreter raises Exception for an unknown
// operator or function code).
class TCompiledFormula {
public:
    using TNativeRoutine = double (*)(std::int32_t* status);
    using TNativeLoop = void (*)(double* cell, const double* params, std::size_t n, double* out,
                                 std::int32_t* status);

    // Native code; the commands are kept to generate the batch loop on demand.
    TCompiledFormula(std::shared_ptr<TCodeBlock> code, TCommandList commands, bool useSafeCall,
                     std::vector<std::shared_ptr<TLookupItem>> entries);
    TCompiledFormula(TCommandList commands, std::vector<std::shared_ptr<TLookupItem>> entries);
    ~TCompiledFormula();

    // Makes the routine executable (a no-op after the first time); callers
    // run it only after this.
    void Prepare();
    double Run(std::int32_t* status) const {
        return FNative ? FNative(status) : Interpret(status);
    }
    TNativeRoutine Native() const { return FNative; }
    // The batch loop of a native formula (generated and sealed at the first
    // call), or null for the interpreter.
    TNativeLoop NativeLoop();
    // Writes the batch loop now without making it executable: the loops of
    // formulas compiled one after another then become executable together,
    // with their routines, in one system call at the first run.
    void WriteLoop();
    std::vector<std::uint8_t> Bytes() const;

private:
    double Interpret(std::int32_t* status) const;

    std::shared_ptr<TCodeBlock> FCode;
    TNativeRoutine FNative = nullptr;
    std::shared_ptr<TCodeBlock> FLoopCode;
    TNativeLoop FNativeLoop = nullptr;
    bool FUseSafeCall = false;
    TCommandList FCommands;
    std::size_t FMaxDepth = 0;
    // External function entries the routine calls through.
    std::vector<std::shared_ptr<TLookupItem>> FEntries;
};

}  // namespace curvane
