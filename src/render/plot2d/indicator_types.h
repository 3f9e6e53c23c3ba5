// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// Colours are 0x00BBGGRR values (red in the low byte). A value whose top byte
// is 0xFF names a system colour by the index in its low byte; see color.h.
using TPlotColor = std::int32_t;

enum class TMouseMode {
    mmNothing,
    mmPan,
    mmScale,
    mmScaleX,
    mmScaleY,
    mmCross,
    mmCombinedDraw,
    mmPencil,
    mmLine,
};

enum class TDrawType { dtLines, dtPoints };

enum class TScopeType { stScope, stChart1, stChart2 };

enum class TDataOrientation { doLeftToRight, doTopToBottom };

// The cursor a mode shows over the plot. The numbered ones are the program's
// own pictures (cursors.h); crDefault and crCross are the system's.
enum class TCursorId {
    crDefault = 0,
    crHand = 1,
    crHandHold = 2,
    crZoom = 3,
    crScale = 4,
    crScaleX = 5,
    crScaleY = 6,
    crEmpty = 7,
    crPencil = 8,
    crCross = 100,
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The shift state of a mouse event: keys and buttons held, as one bit set.
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

}  // namespace curvane
