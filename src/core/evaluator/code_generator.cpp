// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/code_generator.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>

#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/math_functions.h"
#include "core/evaluator/x64_emitter.h"
#include "core/support/exceptions.h"

namespace curvane {

bool X64CodeGeneratorAvailable() noexcept {
#if defined(__x86_64__) && defined(__unix__)
    return true;
#else
    return false;
#endif
}

namespace {

using namespace x64;

// Where a pending operand is at compile time.
struct TOperand {
    enum TWhere : std::uint8_t {
        owSt0,       // in x87 ST0 (only ever the top operand)
        owSlot,      // stored as a double in its frame slot
        owConstant,  // not loaded yet: Value
        owVariable,  // not loaded yet: the cell at Address
    } Where;
    double Value = 0;
    std::uintptr_t Address = 0;
};

// How one routine is built; Generate decides it from the whole command list
// before the first instruction is emitted.
struct TGenerateOptions {
    bool SafeCall = false;    // rbp frame prologue
    bool UsesStatus = false;  // external functions get the status pointer
    bool Leaf = true;         // calls nothing: slots in the red zone, no frame
    bool Loop = false;        // the batch loop instead of the one-point routine
    bool Paired = false;      // the loop runs two points per pass (RunPairs)
};

// "^" with a constant integral exponent within PowerFunc's integer range
// becomes inline repeated squaring; every other "^" calls PowerFunc. The
// exponent is the command just before the operator.
bool InlinesPower(const TCommandList& commands, std::size_t i) {
    if (i == 0 || commands[i - 1].Kind != TCommandKind::ckConstant) return false;
    const double exponent = commands[i - 1].Value;
    return std::trunc(exponent) == exponent && std::fabs(exponent) <= PowerIntegerLimit;
}

class TGenerator {
public:
    // A paired loop reads the formula's variables `pairCells` once per point;
    // the other forms need no list of them.
    TGenerator(const TGenerateOptions& options, std::size_t commandCount, std::vector<std::uintptr_t> pairCells)
        : FAsm(FCode), FSafeCall(options.SafeCall), FUsesStatus(options.UsesStatus), FLeaf(options.Leaf),
          FLoop(options.Loop), FLanes(options.Paired ? 2 : 1), FCells(std::move(pairCells)) {
        FCode.Reserve(64 + 24 * commandCount * FLanes);
        FStack.reserve(16);
    }

    std::vector<std::uint8_t> Run(const TCommandList& commands);

private:
    // The frame: [rsp] holds the status pointer, slot i is at [rsp + 8 + 8i].
    // A routine that calls nothing keeps its few slots in the red zone below
    // rsp instead (slot i at [rsp - 8 - 8i]) and needs no frame at all.
    // The two-point loop puts two 16-byte spill areas after the status, then
    // the copies of the variables and then the slots, the two lanes' 8-byte
    // cells side by side.
    std::size_t FixedBytes() const { return FLanes == 2 ? 8 + 32 : 8; }
    TMem FrameCell(std::size_t k) const {
        const auto offset = static_cast<std::int32_t>(FixedBytes() + 8 * k);
        return TMem::Stack(FLeaf ? -offset : offset);
    }
    TMem Slot(std::size_t i) const { return FrameCell(FLanes * (FCells.size() + i) + FLane); }
    TMem CellCopy(std::size_t j, unsigned lane) const { return FrameCell(FLanes * j + lane); }
    TMem Spill() const { return TMem::Stack(static_cast<std::int32_t>(8 + 16 * FLane)); }
    std::size_t Top() const { return FStack.size() - 1; }

    // The memory operand of a not-yet-loaded or stored operand; a variable's
    // address goes into rax first.
    // Inlined: returned out of line, GCC builds the small TMem with byte
    // stores and reloads it whole, a store-forwarding stall on every operand.
    [[gnu::always_inline]] TMem Memory(const TOperand& op, std::size_t index) {
        switch (op.Where) {
            case TOperand::owSlot: return Slot(index);
            case TOperand::owConstant: return ConstantRef(op.Value);
            case TOperand::owVariable:
                if (FLanes == 2) return CellCopy(CellIndex(op.Address), FLane);
                return TMem::At(AddressRegister(op.Address));
            case TOperand::owSt0: break;
        }
        throw Exception("TGenerator.Memory: operand is in a register");
    }
    // rax, rcx and rdx hold the addresses of recently used cells until a call
    // clobbers them, so a variable used again costs no second mov imm64.
    std::uint8_t AddressRegister(std::uintptr_t address) {
        for (std::uint8_t r = 0; r < 3; ++r) {
            if (FHeld[r] == address) {
                FUse[r] = ++FClock;
                return r;
            }
        }
        std::uint8_t victim = 0;
        for (std::uint8_t r = 1; r < 3; ++r)
            if (FUse[r] < FUse[victim]) victim = r;
        FAsm.MovImm64(victim, address);
        FHeld[victim] = address;
        FUse[victim] = ++FClock;
        return victim;
    }
    std::size_t CellIndex(std::uintptr_t address) const {
        return static_cast<std::size_t>(std::find(FCells.begin(), FCells.end(), address) - FCells.begin());
    }
    void Clobbered(std::uint8_t reg) { FHeld[reg] = 0; }
    void ClobberedAll() { FHeld[0] = FHeld[1] = FHeld[2] = 0; }
    TMem ConstantRef(double value) {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
        std::size_t index = 0;
        while (index < FConstants.size() && FConstants[index] != bits) ++index;
        if (index == FConstants.size()) FConstants.push_back(bits);
        // The disp32 is patched once the constants' place is known; ModRM
        // records where it is.
        FPendingConstant = index;
        return TMem::Rip();
    }
    void Fpu(TFpuMem form, TMem m) {
        FAsm.Fpu(form, m);
        NoteFixup(m);
    }
    template <std::size_t N>
    void WithMem(const std::uint8_t (&prefix)[N], std::uint8_t reg, TMem m) {
        FAsm.WithMem(prefix, reg, m);
        NoteFixup(m);
    }
    void NoteFixup(TMem m) {
        if (m.Base == TMem::mbRip) FFixups.push_back({FAsm.LastRipFixup, FPendingConstant});
    }

    void Load(std::size_t index) {
        TOperand& op = FStack[index];
        if (op.Where == TOperand::owSt0) return;
        Fpu(FLD_M64, Memory(op, index));
        op.Where = TOperand::owSt0;
    }
    void Store(std::size_t index) {
        TOperand& op = FStack[index];
        switch (op.Where) {
            case TOperand::owSlot: return;
            case TOperand::owSt0: Fpu(FSTP_M64, Slot(index)); break;
            case TOperand::owConstant:
                FAsm.MovRaxImm64(std::bit_cast<std::uint64_t>(op.Value));
                Clobbered(rax);
                WithMem(MOV_M_R, rax, Slot(index));
                break;
            case TOperand::owVariable: {
                WithMem(MOV_R_M, rax, Memory(op, index));
                Clobbered(rax);
                WithMem(MOV_M_R, rax, Slot(index));
                break;
            }
        }
        op.Where = TOperand::owSlot;
    }
    // Loads an operand into xmm register `reg` as a double (rounding it if it
    // was in ST0).
    void ToXmm(std::size_t index, std::uint8_t reg) {
        if (FStack[index].Where == TOperand::owSt0) Store(index);
        WithMem(MOVSD_X_M, reg, Memory(FStack[index], index));
    }
    void Push(TOperand op) {
        // A value that becomes pending waits in its slot, as a double.
        if (!FStack.empty() && FStack.back().Where == TOperand::owSt0) Store(Top());
        FStack.push_back(op);
        if (FStack.size() > FMaxDepth) FMaxDepth = FStack.size();
    }
    void CallAbsolute(const void* fn) {
        FAsm.MovRaxImm64(reinterpret_cast<std::uintptr_t>(fn));
        FAsm.Bytes(CALL_RAX);
        ClobberedAll();
        ++FCalls;
    }
    void SwitchLane();
    void Command(const TCommandList& commands, std::size_t i);
    void StoreValue(bool partner);
    void RunPairs(const TCommandList& commands);

    void Arithmetic(std::uint8_t operation);
    void Power(bool inlined);
    void IntegerPower(std::int64_t n);
    void Function(std::int32_t code);
    void ExternalCall(std::uintptr_t field, std::size_t paramCount);

    TCode FCode;
    TX64Assembler FAsm;
    bool FSafeCall;
    bool FUsesStatus;
    bool FLeaf;
    bool FLoop;
    std::size_t FLanes;
    unsigned FLane = 0;
    std::vector<std::uintptr_t> FCells;
    std::vector<TOperand> FOtherStack;
    bool FSpilled[2] = {false, false};
    std::size_t FCalls = 0;
    std::uintptr_t FHeld[3] = {0, 0, 0};
    unsigned FUse[3] = {0, 0, 0};
    unsigned FClock = 0;
    std::vector<TOperand> FStack;
    std::size_t FMaxDepth = 0;
    std::vector<std::uint64_t> FConstants;
    std::size_t FPendingConstant = 0;
    struct TFixup {
        std::size_t At;
        std::size_t Constant;
    };
    std::vector<TFixup> FFixups;
};

// True when x / c and x * (1 / c) are the same number for every x: c is a
// power of two whose reciprocal is a normal double. Both are then the
// correctly rounded value of one real number, with the same faults, and the
// multiplication costs a third of the division's latency.
bool HasExactReciprocal(double c) {
    int exponent = 0;
    return std::isnormal(c) && std::fabs(std::frexp(c, &exponent)) == 0.5 && std::isnormal(1 / c);
}

void TGenerator::Arithmetic(std::uint8_t operation) {
    const std::size_t right = Top(), left = Top() - 1;
    if (operation == opDivide && FStack[right].Where == TOperand::owConstant &&
        HasExactReciprocal(FStack[right].Value)) {
        FStack[right].Value = 1 / FStack[right].Value;
        operation = opMultiply;
    }
    // Only the top operand can be in ST0, so at most one of the two is.
    if (FStack[right].Where == TOperand::owSt0) {
        static constexpr TFpuMem Reversed[] = {FADD_M64, FSUBR_M64, FMUL_M64, FDIVR_M64};
        Fpu(Reversed[operation - opAdd], Memory(FStack[left], left));
    } else {
        static constexpr TFpuMem Direct[] = {FADD_M64, FSUB_M64, FMUL_M64, FDIV_M64};
        Load(left);
        Fpu(Direct[operation - opAdd], Memory(FStack[right], right));
    }
    FStack.pop_back();
    FStack.back() = {TOperand::owSt0};
}

void TGenerator::IntegerPower(std::int64_t n) {
    // The same multiplications in the same order as PowerFunc's integer path:
    // ST0 holds the repeated square, ST1 the result once it exists.
    std::uint64_t bits = static_cast<std::uint64_t>(n < 0 ? -n : n);
    bool haveResult = false;
    while (bits != 0) {
        const bool last = (bits >> 1) == 0;
        if (bits & 1) {
            if (!haveResult) {
                if (!last) FAsm.Fpu(FLD_ST0);
                haveResult = true;
            } else {
                FAsm.Fpu(last ? FMULP : FMUL_ST1_ST0);
            }
        }
        bits >>= 1;
        if (bits != 0) FAsm.Fpu(FMUL_ST0_ST0);
    }
    if (n < 0) {
        FAsm.Fpu(FLD1);
        FAsm.Fpu(FDIVRP);
    } else if (n % 2 != 0) {
        // PowerFunc answers 0^n with +0 before multiplying; an odd power of
        // -0 would be -0 here (and 1/x^3 at x = -0 a different infinity).
        // Adding +0 turns -0 into +0 and leaves every other value as it is.
        FAsm.Fpu(FLDZ);
        FAsm.Fpu(FADDP);
    }
}

void TGenerator::Power(bool inlined) {
    const std::size_t right = Top(), left = Top() - 1;
    const TOperand exponent = FStack[right];
    if (inlined) {
        assert(exponent.Where == TOperand::owConstant && "a constant stays unloaded until its operator");
        // PowerFunc's integer path, inline.
        FStack.pop_back();
        if (exponent.Value == 0) {
            FStack.back() = {TOperand::owSt0};
            FAsm.Fpu(FLD1);
            return;
        }
        Load(left);
        IntegerPower(static_cast<std::int64_t>(exponent.Value));
        return;
    }
    ToXmm(right, xmm1);
    ToXmm(left, xmm0);
    // long double PowerFunc(double, double): the result comes back in ST0.
    CallAbsolute(reinterpret_cast<const void*>(&PowerFunc));
    FStack.pop_back();
    FStack.back() = {TOperand::owSt0};
}

void TGenerator::Function(std::int32_t code) {
    if (code == fcPi) {
        Push({TOperand::owSt0});
        FAsm.Fpu(FLDPI);
        return;
    }
    if (code == fcE) {
        // Like a number written in the formula: loaded by whatever consumes it.
        Push({TOperand::owConstant, EulerNumber});
        return;
    }
    if (code == fcSum) {
        Arithmetic(opAdd);
        return;
    }
    if (TLibraryFunction2 fn = LibraryFunction2(code)) {
        // Called like PowerFunc, but the double comes back in xmm0.
        const std::size_t right = Top(), left = Top() - 1;
        ToXmm(right, xmm1);
        ToXmm(left, xmm0);
        CallAbsolute(reinterpret_cast<const void*>(fn));
        FStack.pop_back();
        WithMem(MOVSD_M_X, xmm0, Slot(left));
        FStack[left] = {TOperand::owSlot};
        return;
    }
    const std::size_t top = Top();
    if (TLibraryFunction fn = LibraryFunction(code)) {
        ToXmm(top, xmm0);
        CallAbsolute(reinterpret_cast<const void*>(fn));
        WithMem(MOVSD_M_X, xmm0, Slot(top));
        FStack[top] = {TOperand::owSlot};
        if (IsReciprocalFunction(code)) {
            FAsm.Fpu(FLD1);
            Fpu(FDIV_M64, Slot(top));
            FStack[top] = {TOperand::owSt0};
        }
        return;
    }
    std::uint16_t form;
    switch (code) {
        case fcNeg: form = FCHS; break;
        case fcAbs: form = FABS; break;
        case fcSqrt: form = FSQRT; break;
        default: throw Exception("UNSUPPORTED FUNCTION");
    }
    Load(top);
    FAsm.Fpu(form);
}

void TGenerator::ExternalCall(std::uintptr_t field, std::size_t paramCount) {
    // The function may write variable cells: variables pushed before the call
    // must keep the values they had at their place in the formula. The x87
    // stack must be empty at a call, so a value in ST0 goes to its slot too.
    for (std::size_t i = 0; i < FStack.size(); ++i)
        if (FStack[i].Where == TOperand::owVariable || FStack[i].Where == TOperand::owSt0) Store(i);
    const std::size_t first = FStack.size() - paramCount;
    for (std::size_t i = first; i < FStack.size(); ++i) Store(i);
    // double fn(const double* args, int32_t* status): the arguments sit in
    // consecutive slots, first argument lowest.
    if (FStack.size() + 1 > FMaxDepth) FMaxDepth = FStack.size() + 1;
    WithMem(LEA_R_M, rdi, Slot(first));
    WithMem(MOV_R_M, rsi, TMem::Stack(0));
    FAsm.MovRaxImm64(field);
    FAsm.Bytes(CALL_M_RAX);
    ClobberedAll();
    WithMem(MOVSD_M_X, xmm0, Slot(first));
    FStack.resize(first);
    FStack.push_back({TOperand::owSlot});
}

void TGenerator::Command(const TCommandList& commands, std::size_t i) {
    const TStackItem& item = commands[i];
    switch (item.Kind) {
        case TCommandKind::ckConstant: Push({TOperand::owConstant, item.Value}); break;
        case TCommandKind::ckVariable: Push({TOperand::owVariable, 0, item.Address}); break;
        case TCommandKind::ckOperator:
            if (item.Operation == opPower)
                Power(InlinesPower(commands, i));
            else if (item.Operation >= opAdd && item.Operation <= opDivide)
                Arithmetic(item.Operation);
            else
                throw Exception("OPERATION NOT SUPPORTED");
            break;
        case TCommandKind::ckFunction: Function(static_cast<std::int32_t>(item.Address)); break;
        case TCommandKind::ckExtFunction:
            ExternalCall(item.Address, static_cast<std::size_t>(item.ParamCount));
            break;
    }
}

// The value goes straight to out[i] (or to the partner point's place);
// rounded to a double on the way like a returned value.
void TGenerator::StoreValue(bool partner) {
    if (FStack.back().Where == TOperand::owSt0) {
        if (partner)
            FAsm.Bytes(FSTP_PARTNER_OUT);
        else
            FAsm.Bytes(FSTP_OUT);
    } else {
        ToXmm(Top(), xmm0);
        if (partner)
            FAsm.Bytes(MOVSD_PARTNER_OUT_XMM0);
        else
            FAsm.Bytes(MOVSD_OUT_XMM0);
    }
    FStack.pop_back();
}

// Calls must find the x87 stack empty, and the other lane runs in between:
// a value this lane keeps in ST0 goes to its spill area as an 80-bit number,
// so it comes back unrounded.
void TGenerator::SwitchLane() {
    if (!FStack.empty() && FStack.back().Where == TOperand::owSt0) {
        Fpu(FSTP_M80, Spill());
        FSpilled[FLane] = true;
    }
    std::swap(FStack, FOtherStack);
    FLane ^= 1;
    ClobberedAll();
    if (FSpilled[FLane]) {
        Fpu(FLD_M80, Spill());
        FSpilled[FLane] = false;
    }
}

// Two points per pass, point i in lane 0 and its partner i + 1 in lane 1.
// Each lane runs exactly the instructions of the one-point body on frame
// cells of its own; the lanes take turns between calls into the C library,
// so the latency of one point's chain of rounded sums overlaps the other's.
// The cell holds each point's parameter while that point copies the
// variables it reads, and the partner's parameter at the end of the pass.
void TGenerator::RunPairs(const TCommandList& commands) {
    for (unsigned lane = 0; lane < 2; ++lane) {
        if (lane == 1) FAsm.Bytes(LOAD_PARTNER_TO_CELL);
        for (std::size_t j = 0; j < FCells.size(); ++j) {
            FAsm.MovImm64(rcx, FCells[j]);
            WithMem(MOV_R_M, rax, TMem::At(rcx));
            WithMem(MOV_M_R, rax, CellCopy(j, lane));
        }
    }
    ClobberedAll();
    std::size_t start = 0;
    while (start < commands.size()) {
        std::size_t end = start;
        for (unsigned lane = 0; lane < 2; ++lane) {
            std::size_t i = start;
            while (i < commands.size()) {
                const std::size_t calls = FCalls;
                Command(commands, i++);
                if (FCalls != calls) break;
            }
            end = i;
            if (end == commands.size()) StoreValue(lane == 1);
            SwitchLane();
        }
        start = end;
    }
}

std::vector<std::uint8_t> TGenerator::Run(const TCommandList& commands) {
    if (FLoop) FAsm.Bytes(PUSH_LOOP_REGS);
    if (FSafeCall) {
        FAsm.Bytes(PUSH_RBP);
        FAsm.Bytes(MOV_RBP_RSP);
    }
    std::size_t frameAt = 0;
    if (!FLeaf) {
        FAsm.Bytes(SUB_RSP_IMM32);
        frameAt = FCode.Size();
        FCode.Emit32(0);
    }
    std::size_t skipLoopAt = 0, loopTop = 0;
    if (FLoop) {
        FAsm.Bytes(MOV_LOOP_ARGS);
        if (FUsesStatus) FAsm.Bytes(MOV_STATUS_R8);
        FAsm.Bytes(TEST_R13_R13);
        FAsm.Bytes(JZ_REL32);
        skipLoopAt = FCode.Size();
        FCode.Emit32(0);
        if (FLanes == 2) FAsm.Bytes(PAIR_SETUP);
        loopTop = FCode.Size();
        FAsm.Bytes(LOAD_PARAM_TO_CELL);
    } else if (FUsesStatus) {
        WithMem(MOV_M_R, rdi, TMem::Stack(0));
    }

    if (FLanes == 2) {
        RunPairs(commands);
    } else {
        for (std::size_t i = 0; i < commands.size(); ++i) Command(commands, i);
        if (FStack.empty()) Push({TOperand::owConstant, 0.0});
    }
    // The value returns in xmm0; a value still in ST0 is rounded to a double
    // on the way, which is where an overflow of the extended range shows.
    if (FLoop) {
        if (FLanes == 2) {
            FAsm.Bytes(NEXT_PAIR);
        } else {
            StoreValue(false);
            FAsm.Bytes(NEXT_POINT);
        }
        FAsm.Bytes(JNZ_REL32);
        FCode.Emit32(static_cast<std::uint32_t>(static_cast<std::int64_t>(loopTop) -
                                                static_cast<std::int64_t>(FCode.Size() + 4)));
        FCode.Patch32(skipLoopAt, static_cast<std::uint32_t>(FCode.Size() - (skipLoopAt + 4)));
    } else {
        ToXmm(Top(), xmm0);
    }

    // Keep rsp 16-byte aligned at every call: the return address, the saved
    // rbp and the loop's saved registers count too.
    if (!FLeaf) {
        std::size_t frame = FixedBytes() + 8 * FLanes * (FCells.size() + FMaxDepth);
        const std::size_t pushed = 8 + (FSafeCall ? 8 : 0) + (FLoop ? 40 : 0);
        if ((frame + pushed) % 16 != 0) frame += 8;
        FCode.Patch32(frameAt, static_cast<std::uint32_t>(frame));
        FAsm.Bytes(ADD_RSP_IMM32);
        FCode.Emit32(static_cast<std::uint32_t>(frame));
    }
    if (FSafeCall) FAsm.Bytes(POP_RBP);
    if (FLoop) FAsm.Bytes(POP_LOOP_REGS);
    FAsm.Bytes(RET);

    while (!FConstants.empty() && FCode.Size() % 8 != 0) FCode.Emit8(INT3);
    const std::size_t constantsAt = FCode.Size();
    for (std::uint64_t bits : FConstants) FCode.Emit64(bits);
    for (const TFixup& f : FFixups) {
        const std::size_t target = constantsAt + 8 * f.Constant;
        FCode.Patch32(f.At, static_cast<std::uint32_t>(static_cast<std::int64_t>(target) -
                                                       static_cast<std::int64_t>(f.At + 4)));
    }
    return FCode.Take();
}

}  // namespace

namespace {

std::vector<std::uint8_t> Generate(const TCommandList& commands, bool useSafeCall, bool loop) {
    TGenerateOptions options;
    options.SafeCall = useSafeCall;
    options.Loop = loop;
    // A routine that calls nothing and needs few slots fits the 128-byte red
    // zone; that decides the frame before any slot is addressed.
    std::size_t depth = 0, maxDepth = 0;
    std::vector<std::uintptr_t> cells;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const TStackItem& item = commands[i];
        switch (item.Kind) {
            case TCommandKind::ckVariable:
                if (std::find(cells.begin(), cells.end(), item.Address) == cells.end())
                    cells.push_back(item.Address);
                [[fallthrough]];
            case TCommandKind::ckConstant: ++depth; break;
            case TCommandKind::ckOperator:
                --depth;
                if (item.Operation == opPower && !InlinesPower(commands, i)) options.Leaf = false;
                break;
            case TCommandKind::ckFunction:
                depth = depth + 1 - static_cast<std::size_t>(item.ParamCount);
                if (LibraryFunction(static_cast<std::int32_t>(item.Address)) ||
                    LibraryFunction2(static_cast<std::int32_t>(item.Address)))
                    options.Leaf = false;
                break;
            case TCommandKind::ckExtFunction:
                depth = depth + 1 - static_cast<std::size_t>(item.ParamCount);
                options.UsesStatus = true;
                options.Leaf = false;
                break;
        }
        maxDepth = std::max(maxDepth, depth);
    }
    // 15 slots of 8 bytes, below the return address's neighbour: -8 .. -120.
    if (maxDepth + 1 > 15) options.Leaf = false;
    // A loop whose body calls into the C library runs two points per pass:
    // there the body is a long chain of latencies (calls, values rounded
    // through memory) that the processor cannot overlap from one point to
    // the next by itself. External functions may write variable cells in
    // the middle of a point, so their formulas keep one point per pass.
    options.Paired = loop && !options.Leaf && !options.UsesStatus;
    if (!options.Paired) cells.clear();
    return TGenerator(options, commands.size(), std::move(cells)).Run(commands);
}

}  // namespace

std::vector<std::uint8_t> GenerateX64(const TCommandList& commands, bool useSafeCall) {
    return Generate(commands, useSafeCall, false);
}

std::vector<std::uint8_t> GenerateX64Loop(const TCommandList& commands, bool useSafeCall) {
    return Generate(commands, useSafeCall, true);
}

}  // namespace curvane
