// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/evaluator/command_list.h"
#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/lookup_table.h"

namespace curvane {

// Cells behind the default variables X, Y and Z, shared by every evaluator
// that keeps them.
extern double GlobalX;
extern double GlobalY;
extern double GlobalZ;

class TCompiledFormula;

// Compiles a formula into native code (x86-64) or, where no code generator
// exists or it is switched off, into a program for the portable interpreter;
// both compute the same values and report the same faults.
//
// Typical use: register variables bound to cells the caller owns, assign
// the formula, Compile once (ESyntaxError carries one of the parser's
// messages), then per sample write the cells and Evaluate (EMathError family
// for floating-point faults, ERangeError for external functions that report
// a range error).
class TRapidEvaluator {
public:
    using TOnUseVariable =
        std::function<void(TRapidEvaluator& sender, const std::string& name, const double* addr)>;
    using TOnGetVariable =
        std::function<void(TRapidEvaluator& sender, const std::string& name, double*& addr)>;

    // Deeper nesting of parentheses, function arguments and "^" chains than
    // this is rejected with NestingTooDeepMessage, so that the recursive parser
    // stays within a small, fixed amount of machine stack.
    static constexpr int MaxNestingDepth = 256;
    static constexpr const char* NestingTooDeepMessage =
        "Formula too deeply nested (more than 256 levels)";

    TRapidEvaluator();
    ~TRapidEvaluator();
    TRapidEvaluator(const TRapidEvaluator&) = delete;
    TRapidEvaluator& operator=(const TRapidEvaluator&) = delete;

    const std::string& Formula() const { return FFormula; }
    // Clears the command list and error state and marks the evaluator not
    // compiled (even for an unchanged text). With AutoCompile it compiles at
    // once; if that fails the previous text is put back and the error passes on.
    void SetFormula(std::string formula);

    // Parses and generates code unless already compiled. On failure the
    // previous routine stays in place and Compiled() is false.
    void Compile();
    bool Compiled() const { return FCompiled; }

    // Runs the routine of the last successful compile. Raises EInvalidOp,
    // EZeroDivide, EOverflow or ERangeError for a fault during the run.
    double Evaluate();
    // Stores x into GlobalX, then Evaluate.
    double EvaluateAt(double x);
    // For each i: *cell = params[i], evaluate, out[i] = the value and
    // faults[i] = the fault Evaluate would have raised (efNone if none).
    // faults may be null. Fault flags are read once per block of points; only
    // a block that faulted is run again point by point.
    void EvaluateBatch(double* cell, const double* params, std::size_t n, double* out,
                       TEvalFault* faults);
    // Generates what the first EvaluateBatch would (TCompiledFormula::WriteLoop):
    // for many evaluators compiled in a row before any of them runs.
    void PrepareBatch();

    bool AutoCompile() const { return FAutoCompile; }
    void SetAutoCompile(bool value) { FAutoCompile = value; }
    // Gives the generated routine a frame-pointer prologue (debuggers and
    // profilers then walk through it). Takes effect at the next compile.
    bool UseSafeCall() const { return FUseSafeCall; }
    void SetUseSafeCall(bool value);

    // Native code or interpreter. The default is native code where a code
    // generator exists, unless the environment variable CURVANE_NO_JIT is set
    // to a non-empty value other than "0". Takes effect at the next compile.
    bool UseJit() const { return FUseJit; }
    void SetUseJit(bool value);
    static bool JitAvailable();
    static bool DefaultUseJit();

    // Registers an external function (see TExtFunction). Raises Exception if
    // the name exists among the external functions, the built-ins or the
    // variables (enabled or not), or if paramCount is outside 0..255.
    void AddFunction(const std::string& name, TExtFunction fn, int paramCount);
    // Registers a variable bound to a cell the caller owns and keeps valid
    // while formulas that use it are compiled. Same checks as AddFunction.
    void AddVariable(const std::string& name, double* cell);
    // Returns the removed entry's index, or -1.
    int DeleteVariable(const std::string& name);

    TLookupTable& IntFunctions() { return FIntFunctions; }
    TLookupTable& ExtFunctions() { return FExtFunctions; }
    TLookupTable& Variables() { return FVariables; }

    TSharedFuncTable* SharedFuncTable() const { return FSharedFuncTable; }
    void SetSharedFuncTable(TSharedFuncTable* table);
    TSharedVarTable* SharedVarTable() const { return FSharedVarTable; }
    void SetSharedVarTable(TSharedVarTable* table);

    // Called each time the scanner reads a variable name.
    TOnUseVariable OnUseVariable;
    // Called for a name found in no table; setting addr defines the variable.
    TOnGetVariable OnGetVariable;

    bool ErrorFlag() const { return FErrorFlag; }
    const std::string& ErrorMessage() const { return FErrorMessage; }
    // After a failed compile the offending token occupies the 1-based
    // characters Position() - Token().size() .. Position() - 1 of Formula().
    const std::string& Token() const { return FToken; }
    int Position() const { return FPosition; }

    // The postfix commands of the last successful parse (empty after an error
    // or an assignment of Formula).
    const TCommandList& Commands() const { return FCommands; }
    // The bytes of the routine of the last successful compile (empty for the
    // interpreter).
    std::vector<std::uint8_t> CodeBytes() const;

private:
    enum class TTokenKind : std::uint8_t {
        tkNone = 0,
        tkDelimiter = 1,
        tkNumber = 2,
        tkFunction = 3,
        tkVariable = 6,
        tkIdentifier = 7,
        tkExtFunction = 8,
    };

    // TokenValue of the tokens that carry no code or address.
    enum : std::uintptr_t {
        tvNone = 0,       // tkNone, tkNumber, and a name found nowhere
        tvOperator = 1,   // tkDelimiter: an operator character
        tvLineBreak = 4,  // tkDelimiter: CR LF
        tvEndOfText = 5,  // tkDelimiter: past the last character
    };

    // The parser's errors; the number is the message's place in ReportError.
    enum class TParseError : std::uint8_t {
        peSyntax = 0,             // "Syntax error"
        peInvalidExpression = 1,  // "Invalid expression"
        peUnknownName = 2,        // "Unknown function or variable "%s""
        peExpected = 3,           // ""%s" expected but "%s" found"
        peEmpty = 4,              // "Empty expression"
        peInvalidNumber = 5,      // "Invalid number"
    };

    // Scanner and parser.
    void Parse();
    void NextToken();
    void ResolveName();
    void PushBack();
    void Expect(const std::string& s);
    void ParseArgument();
    void ParseExpression();
    void ParseTerm();
    void ParsePower();
    void ParseUnary();
    void ParsePrimary();
    void ParseFactor();
    void ParseFunctionCall();
    void OperandCheck();
    char FirstChar() const { return FToken.empty() ? ' ' : FToken[0]; }
    void Emit(const TStackItem& item) { FCommands.push_back(item); }
    [[noreturn]] void ReportError(TParseError error, const std::string& arg1 = {},
                                  const std::string& arg2 = {});
    [[noreturn]] void ReportMessage(const std::string& message);
    void CheckNewName(const std::string& name) const;

    std::string FToken;
    int FPosition = 1;
    bool FErrorFlag = false;
    std::string FErrorMessage;
    TTokenKind FTokenKind = TTokenKind::tkNone;
    std::uintptr_t FTokenValue = tvNone;
    std::shared_ptr<TLookupItem> FCurrentItem;
    std::string FFormula;
    int FDepth = 0;

    TCommandList FCommands;
    // External function entries the commands refer to (kept alive with them).
    std::vector<std::shared_ptr<TLookupItem>> FParsedEntries;
    std::shared_ptr<TCompiledFormula> FRoutine;

    TLookupTable FExtFunctions;
    TLookupTable FVariables;
    TLookupTable FIntFunctions;
    TSharedFuncTable* FSharedFuncTable = nullptr;
    TSharedVarTable* FSharedVarTable = nullptr;
    bool FCompiled = false;
    bool FAutoCompile = false;
    bool FUseSafeCall = false;
    bool FUseJit;

    friend class TSharedFuncTable;
    friend class TSharedVarTable;
};

}  // namespace curvane
