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

// One row per instruction form the generator emits (the expected bytes were
// checked with a disassembler).
TEST(X64Emitter, GoldenBytesPerInstructionForm) {
    using namespace x64;
    const struct {
        const char* Mnemonic;
        std::function<void(TX64Assembler&)> Emit;
        const char* Bytes;
    } cases[] = {
        {"fchs", [](auto& a) { a.Fpu(FCHS); }, "D9E0"},
        {"fabs", [](auto& a) { a.Fpu(FABS); }, "D9E1"},
        {"fsqrt", [](auto& a) { a.Fpu(FSQRT); }, "D9FA"},
        {"fldpi", [](auto& a) { a.Fpu(FLDPI); }, "D9EB"},
        {"fld1", [](auto& a) { a.Fpu(FLD1); }, "D9E8"},
        {"fldz", [](auto& a) { a.Fpu(FLDZ); }, "D9EE"},
        {"fld st(0)", [](auto& a) { a.Fpu(FLD_ST0); }, "D9C0"},
        {"fmul st, st", [](auto& a) { a.Fpu(FMUL_ST0_ST0); }, "D8C8"},
        {"fmul st(1), st", [](auto& a) { a.Fpu(FMUL_ST1_ST0); }, "DCC9"},
        {"fmulp st(1), st", [](auto& a) { a.Fpu(FMULP); }, "DEC9"},
        {"faddp st(1), st", [](auto& a) { a.Fpu(FADDP); }, "DEC1"},
        {"fdivrp st(1), st", [](auto& a) { a.Fpu(FDIVRP); }, "DEF1"},
        {"fstp st(0)", [](auto& a) { a.Fpu(FSTP_ST0); }, "DDD8"},
        {"fld qword [rsp]", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(0)); }, "DD0424"},
        {"fld qword [rsp+8]", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(8)); }, "DD442408"},
        {"fld qword [rsp+0x80]", [](auto& a) { a.Fpu(FLD_M64, TMem::Stack(128)); }, "DD842480000000"},
        {"fld qword [rax]", [](auto& a) { a.Fpu(FLD_M64, TMem::Rax()); }, "DD00"},
        {"fld qword [rip+0]", [](auto& a) { a.Fpu(FLD_M64, TMem::Rip()); }, "DD0500000000"},
        {"fstp qword [rsp+0x10]", [](auto& a) { a.Fpu(FSTP_M64, TMem::Stack(16)); }, "DD5C2410"},
        {"fadd qword [rax]", [](auto& a) { a.Fpu(FADD_M64, TMem::Rax()); }, "DC00"},
        {"fmul qword [rax]", [](auto& a) { a.Fpu(FMUL_M64, TMem::Rax()); }, "DC08"},
        {"fsub qword [rsp+8]", [](auto& a) { a.Fpu(FSUB_M64, TMem::Stack(8)); }, "DC642408"},
        {"fsubr qword [rsp+8]", [](auto& a) { a.Fpu(FSUBR_M64, TMem::Stack(8)); }, "DC6C2408"},
        {"fdiv qword [rip+0]", [](auto& a) { a.Fpu(FDIV_M64, TMem::Rip()); }, "DC3500000000"},
        {"fdivr qword [rsp+8]", [](auto& a) { a.Fpu(FDIVR_M64, TMem::Stack(8)); }, "DC7C2408"},
        {"movsd xmm0, [rsp+8]", [](auto& a) { a.WithMem(MOVSD_X_M, xmm0, TMem::Stack(8)); }, "F20F10442408"},
        {"movsd xmm1, [rax]", [](auto& a) { a.WithMem(MOVSD_X_M, xmm1, TMem::Rax()); }, "F20F1008"},
        {"movsd xmm0, [rip+0]", [](auto& a) { a.WithMem(MOVSD_X_M, xmm0, TMem::Rip()); }, "F20F100500000000"},
        {"movsd [rsp+0x10], xmm0", [](auto& a) { a.WithMem(MOVSD_M_X, xmm0, TMem::Stack(16)); }, "F20F11442410"},
        {"mov [rsp], rdi", [](auto& a) { a.WithMem(MOV_M_R, rdi, TMem::Stack(0)); }, "48893C24"},
        {"mov rsi, [rsp]", [](auto& a) { a.WithMem(MOV_R_M, rsi, TMem::Stack(0)); }, "488B3424"},
        {"mov rax, [rax]", [](auto& a) { a.WithMem(MOV_R_M, rax, TMem::Rax()); }, "488B00"},
        {"mov [rsp+0x200], rax", [](auto& a) { a.WithMem(MOV_M_R, rax, TMem::Stack(512)); }, "4889842400020000"},
        {"lea rdi, [rsp+0x10]", [](auto& a) { a.WithMem(LEA_R_M, rdi, TMem::Stack(16)); }, "488D7C2410"},
        {"mov rax, imm64", [](auto& a) { a.MovRaxImm64(0x1122334455667788ull); }, "48B88877665544332211"},
        {"mov rcx, imm64", [](auto& a) { a.MovImm64(rcx, 0x1122334455667788ull); }, "48B98877665544332211"},
        {"mov rdx, imm64", [](auto& a) { a.MovImm64(rdx, 1); }, "48BA0100000000000000"},
        {"fld qword [rcx]", [](auto& a) { a.Fpu(FLD_M64, TMem::At(rcx)); }, "DD01"},
        {"fsubr qword [rdx]", [](auto& a) { a.Fpu(FSUBR_M64, TMem::At(rdx)); }, "DC2A"},
        {"fstp qword [rsp-8]", [](auto& a) { a.Fpu(FSTP_M64, TMem::Stack(-8)); }, "DD5C24F8"},
        {"sub rsp, imm32", [](auto& a) { a.Bytes(SUB_RSP_IMM32); }, "4881EC"},
        {"add rsp, imm32", [](auto& a) { a.Bytes(ADD_RSP_IMM32); }, "4881C4"},
        {"call rax", [](auto& a) { a.Bytes(CALL_RAX); }, "FFD0"},
        {"call qword [rax]", [](auto& a) { a.Bytes(CALL_M_RAX); }, "FF10"},
        {"push rbp; mov rbp, rsp", [](auto& a) { a.Bytes(PUSH_RBP), a.Bytes(MOV_RBP_RSP); }, "554889E5"},
        {"pop rbp; ret", [](auto& a) { a.Bytes(POP_RBP), a.Bytes(RET); }, "5DC3"},
        {"mov [rsp], r8", [](auto& a) { a.Bytes(MOV_STATUS_R8); }, "4C890424"},
        {"movsd [r14], xmm0", [](auto& a) { a.Bytes(MOVSD_OUT_XMM0); }, "F2410F1106"},
        {"fld tbyte [rsp+8]", [](auto& a) { a.Fpu(FLD_M80, TMem::Stack(8)); }, "DB6C2408"},
        {"fstp tbyte [rsp+0x18]", [](auto& a) { a.Fpu(FSTP_M80, TMem::Stack(24)); }, "DB7C2418"},
        {"mov r15d, 8; test r13b, 1; jz +6; xor r15d, r15d; inc r13", [](auto& a) { a.Bytes(PAIR_SETUP); },
         "41BF0800000041F6C50174064531FF49FFC5"},
        {"mov rax, [r12+r15]; mov [rbx], rax", [](auto& a) { a.Bytes(LOAD_PARTNER_TO_CELL); }, "4B8B043C488903"},
        {"movsd [r14+r15], xmm0", [](auto& a) { a.Bytes(MOVSD_PARTNER_OUT_XMM0); }, "F2430F11043E"},
        {"fstp qword [r14+r15]", [](auto& a) { a.Bytes(FSTP_PARTNER_OUT); }, "43DD1C3E"},
        {"lea r12, [r12+r15+8]; lea r14, [r14+r15+8]; mov r15d, 8; sub r13, 2", [](auto& a) { a.Bytes(NEXT_PAIR); },
         "4F8D643C084F8D743E0841BF080000004983ED02"},
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
