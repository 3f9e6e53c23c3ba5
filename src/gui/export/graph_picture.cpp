// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/graph_picture.h"

#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane {

QImage TakeGraphPicture(TfrmAbstractMDIChild* window) { return window ? window->Picture() : QImage(); }

bool CanTakeGraphPicture(TfrmAbstractMDIChild* window) { return window && window->HasPicture(); }

}  // namespace curvane
