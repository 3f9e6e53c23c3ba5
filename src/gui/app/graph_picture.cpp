// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/graph_picture.h"

#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/plot3d/gl_panel.h"

namespace curvane {

QImage TakeGraphPicture(TfrmAbstractMDIChild* window) {
    if (auto* window2D = qobject_cast<TfrmChild2D_*>(window)) {
        // A value copy: tools drawing on the buffer later detach from it.
        return window2D->Scope()->Buffer();
    }
    if (auto* window3D = qobject_cast<TfrmChild3D*>(window)) {
        // Draws the scene again into the panel's own framebuffer and reads it
        // back: windows covering the panel never show in the picture.
        if (TGLPanel* panel = window3D->Panel()) return panel->grabFramebuffer();
    }
    return QImage();
}

bool CanTakeGraphPicture(TfrmAbstractMDIChild* window) {
    if (qobject_cast<TfrmChild2D_*>(window)) return true;
    auto* window3D = qobject_cast<TfrmChild3D*>(window);
    return window3D && window3D->Panel();
}

}  // namespace curvane
