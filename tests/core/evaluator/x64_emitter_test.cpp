// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/evaluator/code_generator.h"
#include "core/evaluator/math_functions.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += {"0123456789ABCDEF"[bytes[i] >> 4], "0123456789ABCDEF"[bytes[i] & 15]};
    return s;
}
std::string Hex(const std::vector<std::uint8_t>& bytes) { return Hex(bytes.data(), bytes.size()); }
// An address as the 8 little-endian bytes of mov r64, imm64.
std::string Imm64(const void* p) { return Hex(reinterpret_cast<const std::uint8_t*>(&p), sizeof p); }

// The golden bytes were checked with a disassembler. Every instruction form is
// also run by the differential and batch tests; whole routines pin what running
// cannot show: slots in the red zone without calls, a 16-byte aligned frame
// around a call, constants behind the code.
TEST(X64Emitter, GoldenRoutines) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    const std::string x = "48B8" + Imm64(&GlobalX);
    const struct { const char* Formula; std::string Bytes; } cases[] = {
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
