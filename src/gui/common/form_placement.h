// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/win_restorer.h"

class QWidget;

namespace curvane {

// A top-level window's placement as the restorer stores it: the frame's
// position, the size, and minimised / normal / maximised.
TWinPlacement PlacementOf(const QWidget& window);

// Puts a window where a placement says, for the chosen aspects (already
// resolved: no raDefault). Values from another screen layout or a hand-edited
// file are brought back: the size is kept between a usable minimum and the
// desktop, and the window is moved so that it lies on a screen.
void ApplyPlacement(QWidget& window, const TWinPlacement& placement, TRestoreAspects aspects);

}  // namespace curvane
