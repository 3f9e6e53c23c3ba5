// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/x64_emitter.h"

namespace curvane {

void TX64Assembler::ModRM(std::uint8_t reg, TMem m) {
    const std::uint8_t r = static_cast<std::uint8_t>((reg & 7) << 3);
    switch (m.Base) {
        case TMem::mbRegister:
            // mod=00 rm=000 [rax], 001 [rcx], 010 [rdx]
            FCode.Emit8(static_cast<std::uint8_t>(r | (m.Register & 7)));
            break;
        case TMem::mbRip:
            FCode.Emit8(r | 0x05);  // mod=00 rm=101: [rip+disp32]
            LastRipFixup = FCode.Size();
            FCode.Emit32(0);
            break;
        case TMem::mbStack:
            // rm=100 needs a SIB byte; 24 = base rsp, no index.
            if (m.Disp == 0) {
                FCode.Emit8(r | 0x04);
                FCode.Emit8(0x24);
            } else if (m.Disp >= -128 && m.Disp <= 127) {
                FCode.Emit8(r | 0x44);
                FCode.Emit8(0x24);
                FCode.Emit8(static_cast<std::uint8_t>(m.Disp));
            } else {
                FCode.Emit8(r | 0x84);
                FCode.Emit8(0x24);
                FCode.Emit32(static_cast<std::uint32_t>(m.Disp));
            }
            break;
    }
}

}  // namespace curvane
