#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "core/evaluator/code_generator.h"
#include "core/evaluator/math_functions.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/evaluator/x64_emitter.h"

namespace curvane {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
    }
    return s;
}

std::string Emitted(const std::function<void(TX64Assembler&)>& emit) {
    TCode code;
    TX64Assembler a(code);
    emit(a);
    return Hex(code.Bytes());
}

// The addressing forms the assembler composes itself, where the golden
// routines below do not reach them (the expected bytes were checked with a
// disassembler). Fixed byte sequences are not listed: they would only repeat
// their constants, and running the batch loops checks them.
TEST(X64Emitter, GoldenBytesPerAddressingForm) {
    using namespace x64;
    const struct {
        const char* Mnemonic;
        std::function<void(TX64Assembler&)> Emit;
        const char* Bytes;
    } cases[] = {
        {"fchs: register forms go high byte first", [](auto& a) { a.Fpu(FCHS); }, "D9E0"},
        {"fld qword [rsp]: SIB, no displacement", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(0)); }, "DD0424"},
        {"fstp qword [rsp-8]: negative disp8", [](auto& a) { a.Fpu(FSTP_M64, TMem::Stack(-8)); }, "DD5C24F8"},
        {"fld qword [rsp+0x7F]: last disp8", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(127)); }, "DD44247F"},
        {"fld qword [rsp+0x80]: first disp32", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(128)); }, "DD842480000000"},
        // mod=00 rm=101 is [rip+disp32] in 64-bit mode, never an absolute address.
        {"fld qword [rip+0]", [](auto& a) { a.Fpu(FLD_M64, TMem::Rip()); }, "DD0500000000"},
        {"fsubr qword [rdx]", [](auto& a) { a.Fpu(FSUBR_M64, TMem::At(rdx)); }, "DC2A"},
        {"fstp tbyte [rsp+0x18]", [](auto& a) { a.Fpu(FSTP_M80, TMem::Stack(24)); }, "DB7C2418"},
        {"movsd xmm1, [rax]", [](auto& a) { a.WithMem(MOVSD_X_M, xmm1, TMem::Rax()); }, "F20F1008"},
        {"mov [rsp], rdi: REX.W, reg 7", [](auto& a) { a.WithMem(MOV_M_R, rdi, TMem::Stack(0)); }, "48893C24"},
        {"mov rcx, imm64: register in the opcode", [](auto& a) { a.MovImm64(rcx, 0x1122334455667788ull); },
         "48B98877665544332211"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mnemonic);
        EXPECT_EQ(Emitted(c.Emit), c.Bytes);
    }
}

std::string Imm64(const void* p) {
    std::vector<std::uint8_t> b;
    auto v = reinterpret_cast<std::uintptr_t>(p);
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return Hex(b);
}

// Whole routines pin what running them cannot show: slots in the red zone
// without calls, a 16-byte aligned frame around a call, constants behind the code.
TEST(X64Emitter, GoldenRoutines) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    const std::string x = "48B8" + Imm64(&GlobalX);
    const struct {
        const char* Formula;
        std::string Bytes;
    } cases[] = {
        // A routine that calls nothing keeps its slots in the red zone.
        {"x*x+2*x+1",
         x + "DD00DC08"                        // fld x; fmul x (the address stays in rax)
             "DD5C24F8"                        // fstp [rsp-8]: pending while 2 is pushed
             "DD0520000000DC08"                // fld 2.0; fmul x
             "DC4424F8"                        // fadd [rsp-8]
             "DD5C24F8DD4424F8DC0514000000"    // rounded while 1 is pushed; fadd 1.0
             "DD5C24F8F20F104424F8C3"          // return through xmm0
             "CC0000000000000040000000000000F03F"},
        // A call needs a frame that keeps rsp 16-byte aligned.
        {"sin(x)*2",
         "4881EC18000000" + x + "F20F1000"                                      // movsd xmm0, [x]
             "48B8" + Imm64(reinterpret_cast<const void*>(LibraryFunction(fcSin))) + "FFD0"  // call sin
             "F20F11442408DD442408DC0D17000000"                                 // fld result; fmul 2.0
             "DD5C2408F20F104424084881C418000000C3CCCCCCCCCC0000000000000040"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Formula);
        TRapidEvaluator e;
        e.SetFormula(c.Formula);
        e.Compile();
        EXPECT_EQ(Hex(GenerateX64(e.Commands(), false)), c.Bytes);
    }
}

// The batch loop wraps the same body: registers saved, params[i] stored into
// the cell, the value stored to out[i], and no frame for a body without calls.
TEST(X64Emitter, GoldenBatchLoop) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    TRapidEvaluator e;
    e.SetFormula("x*x");
    e.Compile();
    EXPECT_EQ(Hex(GenerateX64Loop(e.Commands(), false)),
              "534154415541564157"          // push rbx, r12, r13, r14, r15
              "4889FB4989F44989D54989CE"    // mov rbx, rdi; r12, rsi; r13, rdx; r14, rcx
              "4D85ED0F8429000000"          // test r13, r13; jz done
              "498B04244889034"             // loop: mov rax, [r12]; mov [rbx], rax
              "8B8" + Imm64(&GlobalX) +     // mov rax, &x
              "DD00DC08"                    // fld x; fmul x
              "41DD1E"                      // fstp [r14]: the value to out[i]
              "4983C4084983C60849FFCD"      // next point; dec r13
              "0F85D7FFFFFF"                // jnz loop
              "415F415E415D415C5BC3");      // done: pop r15 .. rbx; ret
}

}  // namespace
}  // namespace curvane
