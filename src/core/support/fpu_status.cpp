// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/fpu_status.h"

#if !defined(__x86_64__)
#include <cfenv>
#endif

namespace curvane {

#if defined(__x86_64__)

// The x87 status word and MXCSR share the bit layout of the six exception
// flags (IE, DE, ZE, OE, UE, PE in bits 0..5), so the two can simply be ORed.
// feclearexcept would do the same through fnstenv/fldenv, which costs far more
// than fnclex and matters when flags are cleared once per evaluation.
void ClearFpuFlags() noexcept {
    std::uint32_t mxcsr;
    asm volatile("fnclex\n\tstmxcsr %0" : "=m"(mxcsr));
    mxcsr &= ~0x3Fu;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

std::uint32_t ReadFpuFlags() noexcept {
    std::uint16_t sw;
    std::uint32_t mxcsr;
    asm volatile("fnstsw %0\n\tstmxcsr %1" : "=m"(sw), "=m"(mxcsr));
    return (sw | mxcsr) & 0x3Fu;
}

#else

void ClearFpuFlags() noexcept { std::feclearexcept(FE_ALL_EXCEPT); }

std::uint32_t ReadFpuFlags() noexcept {
    std::uint32_t flags = 0;
    if (std::fetestexcept(FE_INVALID)) flags |= fpuInvalid;
    if (std::fetestexcept(FE_DIVBYZERO)) flags |= fpuZeroDivide;
    if (std::fetestexcept(FE_OVERFLOW)) flags |= fpuOverflow;
    return flags;
}

#endif

}  // namespace curvane
