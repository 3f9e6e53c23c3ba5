#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/code_pool.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

using test::OutcomeOf;
using test::SameOutcome;

double Digits3(const double* a, std::int32_t*) { return a[0] * 100 + a[1] * 10 + a[2]; }
double Seven(const double*, std::int32_t*) { return 7; }
double Fact(const double* a, std::int32_t* status) {
    if (a[0] < 0 || a[0] != std::floor(a[0]) || a[0] > 170) {
        *status = static_cast<std::int32_t>(TEvalFault::efRangeError);
        return NAN;
    }
    double r = 1;
    for (int i = 2; i <= static_cast<int>(a[0]); ++i) r *= i;
    return r;
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

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
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

TEST_P(Evaluator, RegistrationChecksEveryTableInOrder) {
    double t = 0;
    E.AddVariable("t", &t);
    EXPECT_EQ(ErrorOf([&] { E.AddVariable("T", &t); }), "Variable \"T\" already exists");
    EXPECT_EQ(ErrorOf([&] { E.AddFunction("sin", &Seven, 1); }), "Internal function \"sin\" already exists");
    E.AddFunction("f", &Seven, 0);
    EXPECT_EQ(ErrorOf([&] { E.AddVariable("F", &t); }), "External function \"F\" already exists");
    EXPECT_EQ(ErrorOf([&] { E.AddFunction("x", &Seven, 0); }), "Variable \"x\" already exists");
    EXPECT_EQ(ErrorOf([] { TIntFunction("SIX", 300, 6); }), "Too many parameters. ParamCount must be 5 or less");

    // A disabled entry is invisible to formulas but still blocks the name.
    E.Variables().Find("t")->Enabled = false;
    EXPECT_EQ(ErrorOf([&] { Eval("t"); }), "Unknown function or variable \"t\"");
    EXPECT_THROW(E.AddVariable("t", &t), Exception);
    EXPECT_NE(E.Variables().Find("T"), nullptr);
    EXPECT_EQ(E.Variables().FindEnabled("T"), nullptr);

    // Removing a built-in frees its name for an external function.
    EXPECT_GE(E.IntFunctions().Remove("PI"), 0);
    E.AddFunction("pi", &Seven, 0);
    EXPECT_EQ(Eval("pi*2"), 14);
    EXPECT_EQ(Eval("PI()"), 7);
    EXPECT_EQ(E.IntFunctions().Remove("PI"), -1);
    EXPECT_GE(E.DeleteVariable("T"), 0);
    EXPECT_EQ(E.DeleteVariable("T"), -1);
}

TEST_P(Evaluator, NameResolutionOrder) {
    double v = 5;
    E.AddVariable("v", &v);
    // Registered through the tables directly: a variable and a function of
    // the same name; functions are searched first.
    E.Variables().Add(std::make_shared<TExtPointer>("BOTH", &v, 0));
    E.ExtFunctions().Add(std::make_shared<TExtPointer>("BOTH", reinterpret_cast<void*>(&Seven), 0));
    EXPECT_EQ(Eval("both"), 7);
    // A built-in wins over both.
    E.ExtFunctions().Add(std::make_shared<TExtPointer>("ABS", reinterpret_cast<void*>(&Seven), 0));
    EXPECT_EQ(Eval("abs(-2)"), 2);

    TSharedVarTable sharedVars;
    double s = 11;
    sharedVars.AddVariable("s", &s);
    sharedVars.AddVariable("v", &s);  // the evaluator's own v comes first
    TSharedFuncTable sharedFuncs;
    sharedFuncs.AddFunction("d3", &Digits3, 3);
    E.SetSharedVarTable(&sharedVars);
    E.SetSharedFuncTable(&sharedFuncs);
    EXPECT_EQ(Eval("s+v+d3(1,2,3)"), 11 + 5 + 123);
    {
        TSharedVarTable temporary;
        E.SetSharedVarTable(&temporary);
    }
    EXPECT_EQ(E.SharedVarTable(), nullptr);
    EXPECT_EQ(ErrorOf([&] { Eval("s"); }), "Unknown function or variable \"s\"");
}

TEST_P(Evaluator, VariableEvents) {
    double cells[4] = {1, 2, 3, 4};
    int asked = 0;
    std::vector<std::string> used;
    E.DeleteVariable("x");
    E.DeleteVariable("y");
    E.DeleteVariable("z");
    E.OnGetVariable = [&](TRapidEvaluator& sender, const std::string& name, double*& addr) {
        EXPECT_EQ(&sender, &E);
        ++asked;
        if (name == "a" || name == "B") addr = &cells[asked];
    };
    E.OnUseVariable = [&](TRapidEvaluator&, const std::string& name, const double*) { used.push_back(name); };
    EXPECT_EQ(Eval("a*B+a"), 2 * 3 + 2);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Eval("a+B"), 5);
    EXPECT_EQ(asked, 2);  // learnt on the first compile
    ASSERT_NE(E.Variables().Find("A"), nullptr);
    EXPECT_EQ(ErrorOf([&] { Eval("c"); }), "Unknown function or variable \"c\"");
    EXPECT_EQ(asked, 3);
    // Every scan of a variable name reports it, the re-read of a pushed-back
    // token included ("a" is read again after SUM's first argument).
    used.clear();
    Eval("sum(a,B)");
    EXPECT_EQ(used, (std::vector<std::string>{"a", "B"}));
    // An error inside the handler passes through unchanged.
    E.OnGetVariable = [](TRapidEvaluator&, const std::string&, double*&) { throw EFileError("no cells"); };
    EXPECT_THROW(Eval("q"), EFileError);
}

TEST_P(Evaluator, FailedCompileKeepsThePreviousRoutine) {
    EXPECT_EQ(ErrorOf([&] { E.Evaluate(); }), "TRapidEvaluator.Evaluate: no formula has been compiled");
    EXPECT_EQ(Eval("x+1"), GlobalX + 1);
    E.SetFormula("x+");
    EXPECT_THROW(E.Compile(), ESyntaxError);
    EXPECT_FALSE(E.Compiled());
    EXPECT_EQ(E.EvaluateAt(41), 42);

    E.SetAutoCompile(true);
    E.SetFormula("2*x");
    EXPECT_TRUE(E.Compiled());
    EXPECT_THROW(E.SetFormula("2*"), ESyntaxError);
    EXPECT_EQ(E.Formula(), "2*x");  // the previous text is put back
    EXPECT_EQ(E.ErrorMessage(), "Syntax error");
    EXPECT_EQ(E.EvaluateAt(3), 6);
    E.SetFormula("x");
    EXPECT_FALSE(E.ErrorFlag());
}

TEST_P(Evaluator, ExternalFunctions) {
    E.AddFunction("d3", &Digits3, 3);
    E.AddFunction("w10", &Weighted10, 10);
    E.AddFunction("fact", &Fact, 1);
    E.AddFunction("seven", &Seven, 0);
    GlobalX = 2;
    EXPECT_EQ(Eval("d3(1,x,3)"), 123);
    EXPECT_EQ(Eval("x-seven"), -5);
    EXPECT_EQ(Eval("x*3-seven()"), -1);
    EXPECT_EQ(Eval("seven^2*d3(x,x,1)"), 49 * 221);
    // Operands pending below the call keep their places.
    EXPECT_EQ(Eval("1000-(x+1)*(5+w10(1,2,3,4,5,6,7,8,9,x*5))"), 1000 - 3 * (5 + 385));
    EXPECT_EQ(Eval("fact(5)+fact(x)"), 122);
    EXPECT_EQ(ErrorOf([&] { Eval("fact(-1)*0+1"); }), "Range check error");
    // A range error comes first even when a flag follows from its NaN.
    EXPECT_THROW(Eval("sqrt(fact(0.5)) + 1/0"), ERangeError);

    // The routine calls through the entry: it stays valid after the entry is
    // deleted from the table, and sees a new routine stored into the entry.
    Eval("seven+1");
    auto* entry = static_cast<TExtPointer*>(E.ExtFunctions().Find("SEVEN"));
    entry->Address = reinterpret_cast<void*>(+[](const double*, std::int32_t*) { return 8.0; });
    EXPECT_EQ(E.Evaluate(), 9);
    E.ExtFunctions().Delete("SEVEN");
    EXPECT_EQ(E.Evaluate(), 9);
}

TEST_P(Evaluator, VariablesAreReadAtTheirPlace) {
    double c = 1;
    E.AddVariable("c", &c);
    E.AddFunction("setc", &WriteCell, 1);
    WrittenCell = &c;
    // c is read before the call changes it, and after it in the second term.
    EXPECT_EQ(Eval("c + setc(5) + c"), 1 + 0 + 5);
    c = 1;
    EXPECT_EQ(Eval("c * (setc(3) + 1) - c"), 1 * 1 - 3);
}

struct TFaultCase {
    const char* Formula;
    double X;
    TEvalFault Fault;
    double Value;  // when no fault
};

TEST_P(Evaluator, FaultsAndEdgeValues) {
    const double pi = std::acos(-1.0);
    const TFaultCase cases[] = {
        {"1/x", 0, TEvalFault::efZeroDivide, 0},
        {"1/(1/x)", 0, TEvalFault::efZeroDivide, 0},  // finite result, fault still counts
        {"ln(x)", 0, TEvalFault::efZeroDivide, 0},
        {"ln(x)", -1, TEvalFault::efInvalidOp, 0},
        {"log10(x)", -1, TEvalFault::efInvalidOp, 0},
        {"log2(x)", 0, TEvalFault::efZeroDivide, 0},
        {"sqrt(x)", -1, TEvalFault::efInvalidOp, 0},
        {"arcsin(x)", 1.5, TEvalFault::efInvalidOp, 0},
        {"arccos(x)", -1.0000001, TEvalFault::efInvalidOp, 0},
        {"0^-1", 0, TEvalFault::efZeroDivide, 0},
        {"x^-1", 0, TEvalFault::efZeroDivide, 0},
        {"(-8)^(1/3)", 0, TEvalFault::efInvalidOp, 0},
        {"x^0.5", -2, TEvalFault::efInvalidOp, 0},
        {"exp(x)", 1000, TEvalFault::efOverflow, 0},
        {"x*x", 1e200, TEvalFault::efOverflow, 0},
        {"x^2", 1e200, TEvalFault::efOverflow, 0},
        {"x/(x*x)", 1e200, TEvalFault::efNone, 1e-200},  // 1e400 stays in ST0
        {"x*x/x", 1e200, TEvalFault::efOverflow, 0},  // rounded while x is pushed
        {"sin(x)", INFINITY, TEvalFault::efInvalidOp, 0},
        {"x-x", INFINITY, TEvalFault::efInvalidOp, 0},
        {"cosec(x)", 0, TEvalFault::efZeroDivide, 0},
        {"ctg(x)", 0, TEvalFault::efZeroDivide, 0},
        {"0/0", 0, TEvalFault::efInvalidOp, 0},
        {"(-2)^3", 0, TEvalFault::efNone, -8},
        {"0^0", 0, TEvalFault::efNone, 1},
        {"0^2", 0, TEvalFault::efNone, 0},
        {"x^0", NAN, TEvalFault::efNone, 1},
        {"x^x", 0, TEvalFault::efNone, 1},
        {"arcsin(1)", 0, TEvalFault::efNone, pi / 2},
        {"arccos(-1)", 0, TEvalFault::efNone, pi},
        {"sin(x)", 1e19, TEvalFault::efNone, std::sin(1e19)},  // x87 fsin would give 1e19
        {"tg(x)", 1e19, TEvalFault::efNone, std::tan(1e19)},
        {"x+1", NAN, TEvalFault::efNone, NAN},  // a quiet NaN in is no fault
        {"2^1024/2^1000", 0, TEvalFault::efOverflow, 0},  // 2^1024 leaves PowerFunc as a pending double
        {"8/(2^1023*4)", 0, TEvalFault::efNone, std::ldexp(1.0, -1022)},
    };
    for (const TFaultCase& c : cases) {
        SCOPED_TRACE(std::string(c.Formula) + " at x = " + std::to_string(c.X));
        E.SetFormula(c.Formula);
        E.Compile();
        const test::TOutcome expected{c.Fault, c.Value};
        const test::TOutcome single = OutcomeOf([&] { return E.EvaluateAt(c.X); });
        EXPECT_TRUE(SameOutcome(single, expected)) << single;
        // The batch entry reports exactly what Evaluate raised, in a block
        // of good points.
        const double params[3] = {1, c.X, 2};
        double out[3];
        TEvalFault faults[3];
        E.EvaluateBatch(&GlobalX, params, 3, out, faults);
        EXPECT_TRUE(SameOutcome({faults[1], out[1]}, expected)) << out[1];
    }
}

// The batch entry under a frame pointer is compared with Evaluate in the code
// generator's tests.
TEST_P(Evaluator, SafeCallFrameGivesTheSameResults) {
    for (const char* f : {"x*x+2*x+1", "sin(x)^2.5+fact(3)", "x^7/(1+x^-3)"}) {
        SCOPED_TRACE(f);
        TRapidEvaluator plain, safe;
        for (TRapidEvaluator* e : {&plain, &safe}) {
            e->SetUseJit(GetParam());
            e->AddFunction("fact", &Fact, 1);
            e->SetFormula(f);
        }
        safe.SetUseSafeCall(true);
        plain.Compile();
        safe.Compile();
        for (double x : {0.5, 1.5, 3.0}) EXPECT_EQ(plain.EvaluateAt(x), safe.EvaluateAt(x));
        if (GetParam()) {
            const std::vector<std::uint8_t> bytes = safe.CodeBytes();
            ASSERT_GE(bytes.size(), 4u);  // push rbp; mov rbp, rsp
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4),
                      (std::vector<std::uint8_t>{0x55, 0x48, 0x89, 0xE5}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Evaluators, Evaluator, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Jit" : "Interpreter"; });

// The permissions /proc/self/maps shows for the page holding `p`.
std::string PagePermissions(const void* p) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::uintptr_t lo = 0, hi = 0;
        char dash = 0;
        std::string perms;
        in >> std::hex >> lo >> dash >> hi >> perms;
        if (address >= lo && address < hi) return perms.substr(0, 3);
    }
    return "";
}

TEST(CodePool, CodeIsSealedOnceAndSharedByContent) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    // nop; fld1; fstp [rsp-8]; movsd xmm0, [rsp-8]; ret (the nop keeps it
    // apart from anything the generator emits)
    const std::uint8_t ret[] = {0x90, 0xD9, 0xE8, 0xDD, 0x5C, 0x24, 0xF8, 0xF2, 0x0F, 0x10, 0x44, 0x24, 0xF8, 0xC3};
    auto first = AcquireCode(ret, sizeof ret);
    const std::size_t seals = TCodeBlock::SealCount();
    const void* entry = first->Seal();
    EXPECT_EQ(PagePermissions(entry), "r-x");
    EXPECT_EQ(TCodeBlock::SealCount(), seals + 1);
    // The same bytes again: shared, no system call.
    EXPECT_EQ(AcquireCode(ret, sizeof ret)->Seal(), entry);
    EXPECT_EQ(TCodeBlock::SealCount(), seals + 1);
    // New code goes to a page that is still writable, never to an executable one.
    std::uint8_t other[sizeof ret];
    std::copy(std::begin(ret), std::end(ret), other);
    other[2] = 0xEE;  // fldz
    auto third = AcquireCode(other, sizeof other);
    const void* thirdEntry = third->Seal();
    EXPECT_NE(thirdEntry, entry);
    EXPECT_EQ(PagePermissions(thirdEntry), "r-x");
    EXPECT_EQ(reinterpret_cast<double (*)(std::int32_t*)>(const_cast<void*>(entry))(nullptr), 1.0);
    EXPECT_EQ(reinterpret_cast<double (*)(std::int32_t*)>(const_cast<void*>(thirdEntry))(nullptr), 0.0);
}

TEST(CodePool, RecompilingAFormulaCostsNoSystemCall) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    TRapidEvaluator a, b;
    a.SetUseJit(true);
    b.SetUseJit(true);
    a.SetFormula("x*1.25+sin(x)");
    a.Compile();
    a.EvaluateAt(1);
    const std::size_t seals = TCodeBlock::SealCount();
    for (int i = 0; i < 100; ++i) {
        // Another formula in between, then the first again, as a shared
        // evaluator does when it resamples the functions of a window.
        a.SetFormula(i % 2 ? "x*1.25+sin(x)" : "x*1.25+cos(x)");
        a.Compile();
        a.EvaluateAt(1);
        b.SetFormula("x*1.25+sin(x)");
        b.Compile();
        b.EvaluateAt(1);
    }
    EXPECT_LE(TCodeBlock::SealCount(), seals + 1);
    // Compiling alone (a dialog checking a formula) never seals.
    const std::size_t before = TCodeBlock::SealCount();
    for (int i = 0; i < 50; ++i) {
        a.SetFormula("x/" + std::to_string(i + 1000));
        a.Compile();
    }
    EXPECT_EQ(TCodeBlock::SealCount(), before);
}

}  // namespace
}  // namespace curvane
