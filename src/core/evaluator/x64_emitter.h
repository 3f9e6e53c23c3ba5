// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace curvane {

// The code buffer: bytes of one routine while it is generated.
class TCode {
public:
    void Emit8(std::uint8_t b) { FBytes.push_back(b); }
    // High byte first, so that a two-byte opcode written as the number D9E0
    // comes out as D9, E0.
    void Emit16(std::uint16_t w) {
        Emit8(static_cast<std::uint8_t>(w >> 8));
        Emit8(static_cast<std::uint8_t>(w));
    }
    void Emit32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) Emit8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Emit64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) Emit8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) FBytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::size_t Size() const { return FBytes.size(); }
    void Reserve(std::size_t n) { FBytes.reserve(n); }
    const std::vector<std::uint8_t>& Bytes() const { return FBytes; }
    std::vector<std::uint8_t> Take() { return std::move(FBytes); }

private:
    std::vector<std::uint8_t> FBytes;
};

// A memory operand. In 64-bit mode ModRM mod=00 rm=101 means [rip+disp32],
// not an absolute address, so a variable's cell (anywhere in the 64-bit
// address space) is reached through rax, loaded with mov rax, imm64 just
// before. Constants live behind the routine and are reached RIP-relative.
struct TMem {
    enum TBase : std::uint8_t { mbStack, mbRegister, mbRip } Base;
    std::int32_t Disp = 0;  // mbStack: offset from rsp; mbRip: filled in by a fixup
    std::uint8_t Register = 0;  // mbRegister: rax, rcx or rdx
    static TMem Stack(std::int32_t disp) { return {mbStack, disp}; }
    static TMem Rax() { return {mbRegister, 0, 0}; }
    static TMem At(std::uint8_t reg) { return {mbRegister, 0, reg}; }
    static TMem Rip() { return {mbRip, 0}; }
};

namespace x64 {

// x87 register forms, written as 16-bit numbers (high byte first).
constexpr std::uint16_t FCHS = 0xD9E0;        // fchs
constexpr std::uint16_t FABS = 0xD9E1;        // fabs
constexpr std::uint16_t FSQRT = 0xD9FA;       // fsqrt
constexpr std::uint16_t FLDPI = 0xD9EB;       // fldpi
constexpr std::uint16_t FLD1 = 0xD9E8;        // fld1
constexpr std::uint16_t FLDZ = 0xD9EE;        // fldz
constexpr std::uint16_t FLD_ST0 = 0xD9C0;     // fld st(0)
constexpr std::uint16_t FMUL_ST0_ST0 = 0xD8C8;  // fmul st, st
constexpr std::uint16_t FMUL_ST1_ST0 = 0xDCC9;  // fmul st(1), st
constexpr std::uint16_t FMULP = 0xDEC9;       // fmulp st(1), st
constexpr std::uint16_t FADDP = 0xDEC1;       // faddp st(1), st
constexpr std::uint16_t FDIVRP = 0xDEF1;      // fdivrp st(1), st: st1 = st0 / st1, pop
constexpr std::uint16_t FSTP_ST0 = 0xDDD8;    // fstp st(0): drop the top

// x87 memory forms, m64 operand: opcode and the ModRM reg field (/digit).
struct TFpuMem {
    std::uint8_t Opcode;
    std::uint8_t Digit;
};
constexpr TFpuMem FLD_M64 = {0xDD, 0};    // fld qword [m]
constexpr TFpuMem FSTP_M64 = {0xDD, 3};   // fstp qword [m]
constexpr TFpuMem FADD_M64 = {0xDC, 0};   // fadd qword [m]:  st = st + m
constexpr TFpuMem FMUL_M64 = {0xDC, 1};   // fmul qword [m]:  st = st * m
constexpr TFpuMem FSUB_M64 = {0xDC, 4};   // fsub qword [m]:  st = st - m
constexpr TFpuMem FSUBR_M64 = {0xDC, 5};  // fsubr qword [m]: st = m - st
constexpr TFpuMem FDIV_M64 = {0xDC, 6};   // fdiv qword [m]:  st = st / m
constexpr TFpuMem FDIVR_M64 = {0xDC, 7};  // fdivr qword [m]: st = m / st
constexpr TFpuMem FLD_M80 = {0xDB, 5};    // fld tbyte [m]: an extended value, exactly
constexpr TFpuMem FSTP_M80 = {0xDB, 7};   // fstp tbyte [m]

// SSE and integer forms with a memory operand: prefix bytes, then ModRM.
enum TReg : std::uint8_t { rax = 0, rcx = 1, rdx = 2, rsi = 6, rdi = 7, xmm0 = 0, xmm1 = 1 };
constexpr std::uint8_t MOVSD_X_M[] = {0xF2, 0x0F, 0x10};  // movsd xmm, qword [m]
constexpr std::uint8_t MOVSD_M_X[] = {0xF2, 0x0F, 0x11};  // movsd qword [m], xmm
constexpr std::uint8_t MOV_R_M[] = {0x48, 0x8B};          // mov r64, [m]
constexpr std::uint8_t MOV_M_R[] = {0x48, 0x89};          // mov [m], r64
constexpr std::uint8_t LEA_R_M[] = {0x48, 0x8D};          // lea r64, [m]

// Fixed sequences.
constexpr std::uint8_t MOV_RAX_IMM64[] = {0x48, 0xB8};         // mov rax, imm64 (B9 rcx, BA rdx)
constexpr std::uint8_t SUB_RSP_IMM32[] = {0x48, 0x81, 0xEC};   // sub rsp, imm32
constexpr std::uint8_t ADD_RSP_IMM32[] = {0x48, 0x81, 0xC4};   // add rsp, imm32
constexpr std::uint8_t CALL_RAX[] = {0xFF, 0xD0};              // call rax
constexpr std::uint8_t CALL_M_RAX[] = {0xFF, 0x10};            // call qword [rax]
constexpr std::uint8_t PUSH_RBP[] = {0x55};                    // push rbp
constexpr std::uint8_t MOV_RBP_RSP[] = {0x48, 0x89, 0xE5};     // mov rbp, rsp
constexpr std::uint8_t POP_RBP[] = {0x5D};                     // pop rbp
constexpr std::uint8_t RET[] = {0xC3};                         // ret
constexpr std::uint8_t INT3 = 0xCC;                            // int3 (padding)

// The batch loop's scaffolding: cell, params, count and out live in
// callee-saved registers, which calls into the C library leave intact.
constexpr std::uint8_t PUSH_LOOP_REGS[] = {0x53, 0x41, 0x54, 0x41, 0x55, 0x41, 0x56, 0x41, 0x57};  // push rbx, r12..r15
constexpr std::uint8_t POP_LOOP_REGS[] = {0x41, 0x5F, 0x41, 0x5E, 0x41, 0x5D, 0x41, 0x5C, 0x5B};   // pop r15..r12, rbx
constexpr std::uint8_t MOV_LOOP_ARGS[] = {
    0x48, 0x89, 0xFB,  // mov rbx, rdi (cell)
    0x49, 0x89, 0xF4,  // mov r12, rsi (params)
    0x49, 0x89, 0xD5,  // mov r13, rdx (count)
    0x49, 0x89, 0xCE,  // mov r14, rcx (out)
};
constexpr std::uint8_t MOV_STATUS_R8[] = {0x4C, 0x89, 0x04, 0x24};      // mov [rsp], r8
constexpr std::uint8_t TEST_R13_R13[] = {0x4D, 0x85, 0xED};             // test r13, r13
constexpr std::uint8_t JZ_REL32[] = {0x0F, 0x84};                       // jz rel32
constexpr std::uint8_t JNZ_REL32[] = {0x0F, 0x85};                      // jnz rel32
constexpr std::uint8_t LOAD_PARAM_TO_CELL[] = {0x49, 0x8B, 0x04, 0x24,  // mov rax, [r12]
                                               0x48, 0x89, 0x03};       // mov [rbx], rax
constexpr std::uint8_t MOVSD_OUT_XMM0[] = {0xF2, 0x41, 0x0F, 0x11, 0x06};  // movsd [r14], xmm0
constexpr std::uint8_t FSTP_OUT[] = {0x41, 0xDD, 0x1E};                     // fstp qword [r14]
// The two-point loop: r15 is the distance from point i to its partner, 8
// except on the first pass of an odd count, where both lanes take point 0.
constexpr std::uint8_t PAIR_SETUP[] = {
    0x41, 0xBF, 0x08, 0x00, 0x00, 0x00,  // mov r15d, 8
    0x41, 0xF6, 0xC5, 0x01,              // test r13b, 1
    0x74, 0x06,                          // jz +6
    0x45, 0x31, 0xFF,                    // xor r15d, r15d
    0x49, 0xFF, 0xC5,                    // inc r13
};
constexpr std::uint8_t LOAD_PARTNER_TO_CELL[] = {0x4B, 0x8B, 0x04, 0x3C,  // mov rax, [r12+r15]
                                                 0x48, 0x89, 0x03};       // mov [rbx], rax
constexpr std::uint8_t MOVSD_PARTNER_OUT_XMM0[] = {0xF2, 0x43, 0x0F, 0x11, 0x04, 0x3E};  // movsd [r14+r15], xmm0
constexpr std::uint8_t FSTP_PARTNER_OUT[] = {0x43, 0xDD, 0x1C, 0x3E};                   // fstp qword [r14+r15]
constexpr std::uint8_t NEXT_PAIR[] = {
    0x4F, 0x8D, 0x64, 0x3C, 0x08,        // lea r12, [r12+r15+8]
    0x4F, 0x8D, 0x74, 0x3E, 0x08,        // lea r14, [r14+r15+8]
    0x41, 0xBF, 0x08, 0x00, 0x00, 0x00,  // mov r15d, 8
    0x49, 0x83, 0xED, 0x02,              // sub r13, 2
};
constexpr std::uint8_t NEXT_POINT[] = {
    0x49, 0x83, 0xC4, 0x08,        // add r12, 8
    0x49, 0x83, 0xC6, 0x08,        // add r14, 8
    0x49, 0xFF, 0xCD,              // dec r13
};

}  // namespace x64

// Writes instructions into a TCode; RIP-relative operands are recorded so
// that the caller can point them at the constants after the code.
class TX64Assembler {
public:
    explicit TX64Assembler(TCode& code) : FCode(code) {}

    template <std::size_t N>
    void Bytes(const std::uint8_t (&bytes)[N]) {
        for (std::uint8_t b : bytes) FCode.Emit8(b);
    }
    void Fpu(std::uint16_t form) { FCode.Emit16(form); }
    void Fpu(x64::TFpuMem form, TMem m) {
        FCode.Emit8(form.Opcode);
        ModRM(form.Digit, m);
    }
    template <std::size_t N>
    void WithMem(const std::uint8_t (&prefix)[N], std::uint8_t reg, TMem m) {
        Bytes(prefix);
        ModRM(reg, m);
    }
    void MovRaxImm64(std::uint64_t value) { MovImm64(x64::rax, value); }
    // mov r64, imm64 for rax, rcx or rdx.
    void MovImm64(std::uint8_t reg, std::uint64_t value) {
        FCode.Emit8(x64::MOV_RAX_IMM64[0]);
        FCode.Emit8(static_cast<std::uint8_t>(x64::MOV_RAX_IMM64[1] + reg));
        FCode.Emit64(value);
    }
    // Emits the ModRM (and SIB, displacement) for reg and m. For mbRip the
    // position of the disp32 is remembered in LastRipFixup.
    void ModRM(std::uint8_t reg, TMem m);

    std::size_t LastRipFixup = 0;

private:
    TCode& FCode;
};

}  // namespace curvane
