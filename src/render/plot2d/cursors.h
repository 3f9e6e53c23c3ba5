// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QImage>

#include "render/plot2d/indicator_types.h"

namespace curvane {

// The cursor of a mode: the program's own pictures for the numbered ones
// (drawn here, so no resource files are needed), the system's arrow and cross
// hair for the others. Needs the application object.
QCursor CursorFor(TCursorId id);

// The picture of one of the program's own cursors (32 x 32, transparent
// background) with its hot spot; a null image for the system cursors.
QImage CursorImage(TCursorId id, QPoint* hotSpot = nullptr);

}  // namespace curvane
