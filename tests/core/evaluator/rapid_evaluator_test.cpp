// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

double Seven(const double*, std::int32_t*) { return 7; }
double Checked(const double* a, std::int32_t* status) {
    if (a[0] < 0) *status = static_cast<std::int32_t>(TEvalFault::efRangeError);
    return a[0] < 0 ? NAN : a[0];
}
// Weighted sum of ten arguments: tells every position apart.
double Weighted10(const double* a, std::int32_t*) {
    double r = 0;
    for (int i = 0; i < 10; ++i) r += a[i] * (i + 1);
    return r;
}
double* WrittenCell = nullptr;
double WriteCell(const double* a, std::int32_t*) {
    *WrittenCell = a[0];
    return 0;
}

class Evaluator : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { E.SetUseJit(GetParam()); }
    double Eval(const std::string& formula) {
        E.SetFormula(formula);
        E.Compile();
        return E.Evaluate();
    }
    TRapidEvaluator E;
};

TEST_P(Evaluator, RegistrationAndNameResolution) {
    double t = 0, v = 5;
    E.AddVariable("t", &t);
    // A name is checked against every table, case-insensitively.
    EXPECT_THROW(E.AddVariable("T", &t), Exception);
    EXPECT_THROW(E.AddFunction("sin", &Seven, 1), Exception);
    EXPECT_THROW(E.AddFunction("x", &Seven, 0), Exception);
    EXPECT_THROW(E.AddFunction("many", &Seven, 256), Exception);
    // A disabled entry is invisible to formulas but still blocks the name.
    E.Variables().Find("t")->Enabled = false;
    EXPECT_THROW(Eval("t"), ESyntaxError);
    EXPECT_THROW(E.AddVariable("t", &t), Exception);
    // Removing a built-in frees its name for an external function.
    EXPECT_GE(E.IntFunctions().Remove("PI"), 0);
    E.AddFunction("pi", &Seven, 0);
    EXPECT_EQ(Eval("pi*2"), 14);

    // Functions are searched before variables, built-ins before both.
    E.Variables().Add(std::make_shared<TExtPointer>("BOTH", &v, 0));
    E.ExtFunctions().Add(std::make_shared<TExtPointer>("BOTH", reinterpret_cast<void*>(&Seven), 0));
    E.ExtFunctions().Add(std::make_shared<TExtPointer>("ABS", reinterpret_cast<void*>(&Seven), 0));
    EXPECT_EQ(Eval("both+abs(-2)"), 9);
    // Shared tables come after the evaluator's own, and forget a table that goes.
    E.AddVariable("v", &v);
    TSharedVarTable sharedVars;
    double s = 11;
    sharedVars.AddVariable("s", &s);
    sharedVars.AddVariable("v", &s);
    TSharedFuncTable sharedFuncs;
    sharedFuncs.AddFunction("seven", &Seven, 0);
    E.SetSharedVarTable(&sharedVars);
    E.SetSharedFuncTable(&sharedFuncs);
    EXPECT_EQ(Eval("s+v+seven"), 11 + 5 + 7);
    { TSharedVarTable temporary; E.SetSharedVarTable(&temporary); }
    EXPECT_EQ(E.SharedVarTable(), nullptr);
}

TEST_P(Evaluator, VariableEvents) {
    double cells[4] = {1, 2, 3, 4};
    int asked = 0;
    std::vector<std::string> used;
    E.OnGetVariable = [&](TRapidEvaluator&, const std::string& name, double*& addr) {
        ++asked;
        if (name == "a" || name == "B") addr = &cells[asked];
    };
    E.OnUseVariable = [&](TRapidEvaluator&, const std::string& name, const double*) { used.push_back(name); };
    EXPECT_EQ(Eval("a*B+a"), 2 * 3 + 2);
    EXPECT_EQ(Eval("a+B"), 5);
    EXPECT_EQ(asked, 2);  // learnt on the first compile
    EXPECT_THROW(Eval("c"), ESyntaxError);
    // The re-read of a pushed-back token is reported once ("a" after SUM's first argument).
    used.clear();
    Eval("sum(a,B)");
    EXPECT_EQ(used, (std::vector<std::string>{"a", "B"}));
    // An error inside the handler passes through unchanged.
    E.OnGetVariable = [](TRapidEvaluator&, const std::string&, double*&) { throw EFileError("no cells"); };
    EXPECT_THROW(Eval("q"), EFileError);
}

TEST_P(Evaluator, FailedCompileKeepsThePreviousRoutine) {
    EXPECT_THROW(E.Evaluate(), Exception);
    EXPECT_EQ(Eval("x+1"), GlobalX + 1);
    E.SetFormula("x+");
    EXPECT_THROW(E.Compile(), ESyntaxError);
    EXPECT_EQ(E.EvaluateAt(41), 42);
    E.SetAutoCompile(true);
    E.SetFormula("2*x");
    EXPECT_THROW(E.SetFormula("2*"), ESyntaxError);
    EXPECT_EQ(E.Formula(), "2*x");  // the previous text is put back
    EXPECT_EQ(E.EvaluateAt(3), 6);
}

TEST_P(Evaluator, ExternalFunctionsAndCells) {
    E.AddFunction("w10", &Weighted10, 10);
    E.AddFunction("checked", &Checked, 1);
    E.AddFunction("seven", &Seven, 0);
    GlobalX = 2;
    EXPECT_EQ(Eval("x*3-seven()"), -1);
    // Operands pending below the call keep their places.
    EXPECT_EQ(Eval("1000-(x+1)*(5+w10(1,2,3,4,5,6,7,8,9,x*5))"), 1000 - 3 * (5 + 385));
    // A range error comes first even when another fault follows.
    EXPECT_THROW(Eval("sqrt(checked(-1)) + 1/0"), ERangeError);
    // A cell is read at its place: before the call changes it, and after.
    double c = 1;
    E.AddVariable("c", &c);
    E.AddFunction("setc", &WriteCell, 1);
    WrittenCell = &c;
    EXPECT_EQ(Eval("c * (setc(3) + 1) - c"), 1 * 1 - 3);

    // The routine calls through the entry: it sees a new routine stored into
    // the entry, and stays valid after the entry is deleted from the table.
    Eval("seven+1");
    auto* entry = static_cast<TExtPointer*>(E.ExtFunctions().Find("SEVEN"));
    entry->Address = reinterpret_cast<void*>(+[](const double*, std::int32_t*) { return 8.0; });
    E.ExtFunctions().Delete("SEVEN");
    EXPECT_EQ(E.Evaluate(), 9);
}

TEST_P(Evaluator, FaultsAndEdgeValues) {
    using enum TEvalFault;
    const struct { const char* Formula; double X; test::TOutcome Expected; } cases[] = {
        {"1/(1/x)", 0, {efZeroDivide, 0}},  // finite result, fault still counts
        {"ln(x)", 0, {efZeroDivide, 0}},
        {"log10(x)", -1, {efInvalidOp, 0}},
        {"arccos(x)", -1.0000001, {efInvalidOp, 0}},
        {"arccos(x)", -1, {efNone, std::acos(-1.0)}},
        {"x^-1", 0, {efZeroDivide, 0}},
        {"(-8)^(1/3)", 0, {efInvalidOp, 0}},
        {"exp(x)", 1000, {efOverflow, 0}},
        {"x^2", 1e200, {efOverflow, 0}},
        {"x/(x*x)", 1e200, {efNone, 1e-200}},  // 1e400 stays in ST0
        {"x*x/x", 1e200, {efOverflow, 0}},  // rounded while x is pushed
        {"x-x", INFINITY, {efInvalidOp, 0}},
        {"sin(x)", INFINITY, {efInvalidOp, 0}},
        {"(-2)^3", 0, {efNone, -8}},
        {"x^0", NAN, {efNone, 1}},
        {"sin(x)", 1e19, {efNone, std::sin(1e19)}},  // x87 fsin would give 1e19
        {"x+1", NAN, {efNone, NAN}},  // a quiet NaN in is no fault
        {"2^1024/2^1000", 0, {efOverflow, 0}},  // 2^1024 leaves PowerFunc as a pending double
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Formula) + " at x = " + std::to_string(c.X));
        E.SetFormula(c.Formula);
        E.Compile();
        const test::TOutcome got = test::OutcomeOf([&] { return E.EvaluateAt(c.X); });
        EXPECT_TRUE(test::SameOutcome(got, c.Expected)) << got;
    }
}

INSTANTIATE_TEST_SUITE_P(Evaluators, Evaluator, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jit" : "Interpreter"; });

// The permissions /proc/self/maps shows for the page holding `p`.
std::string PagePermissions(const void* p) {
    std::ifstream maps("/proc/self/maps");
    unsigned long lo = 0, hi = 0, at = reinterpret_cast<std::uintptr_t>(p);
    char perms[5] = "";
    for (std::string line; std::getline(maps, line);)
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &lo, &hi, perms) == 3 && lo <= at && at < hi) return {perms, 3};
    return "";
}

TEST(CodePool, CodeIsSealedOnceAndSharedByContent) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    // nop; fld1 (fldz in the second); fstp [rsp-8]; movsd xmm0, [rsp-8]; ret
    // (the nop keeps it apart from anything the generator emits)
    std::uint8_t code[] = {0x90, 0xD9, 0xE8, 0xDD, 0x5C, 0x24, 0xF8, 0xF2, 0x0F, 0x10, 0x44, 0x24, 0xF8, 0xC3};
    const std::size_t seals = TCodeBlock::SealCount();
    const void* one = AcquireCode(code, sizeof code)->Seal();
    EXPECT_EQ(PagePermissions(one), "r-x");
    // The same bytes again: shared, no system call.
    EXPECT_EQ(AcquireCode(code, sizeof code)->Seal(), one);
    EXPECT_EQ(TCodeBlock::SealCount(), seals + 1);
    // New code goes to a page that is still writable, never to an executable one.
    code[2] = 0xEE;
    const void* zero = AcquireCode(code, sizeof code)->Seal();
    EXPECT_EQ(PagePermissions(zero), "r-x");
    EXPECT_EQ(reinterpret_cast<double (*)(std::int32_t*)>(const_cast<void*>(one))(nullptr), 1.0);
    EXPECT_EQ(reinterpret_cast<double (*)(std::int32_t*)>(const_cast<void*>(zero))(nullptr), 0.0);
}

// A shared evaluator resampling the functions of a window alternates formulas:
// code whose last user went stays cached. Compiling alone never seals.
TEST(CodePool, RecompilingAFormulaCostsNoSystemCall) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    TRapidEvaluator e;
    e.SetUseJit(true);
    std::size_t seals = 0;
    for (int i = 0; i < 6; ++i) {
        if (i == 2) seals = TCodeBlock::SealCount();
        e.SetFormula(i % 2 ? "x*1.25+sin(x)" : "x*1.25+cos(x)");
        e.Compile();
        e.EvaluateAt(1);
    }
    e.SetFormula("x/1000");
    e.Compile();
    EXPECT_EQ(TCodeBlock::SealCount(), seals);
}

}  // namespace
}  // namespace curvane
