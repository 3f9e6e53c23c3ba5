// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/window_classes.h"

#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot3d/frm_child3d.h"

namespace curvane {

// Here rather than in a static initialiser beside each class: a linker may
// leave an unreferenced object file of a static library out, and the class
// with it, without a word.
void RegisterGraphWindowClasses() {
    RegisterGraphWindowClass(TWindowType::wt2D, [] { return new TfrmChild2D; });
    RegisterGraphWindowClass(TWindowType::wt3D, [] { return new TfrmChild3D; });
}

}  // namespace curvane
