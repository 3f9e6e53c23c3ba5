// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace curvane {

class TfrmAbstractMDIChild;

// The picture a graph window shows, pixel for pixel: a 2D window's back
// buffer as it is (a HiDPI buffer keeps its device pixel ratio, so the
// picture stays sharp), or a 3D window's frame drawn again. A null image
// when there is no window, or a 3D window on a display without OpenGL.
QImage TakeGraphPicture(TfrmAbstractMDIChild* window);
// Whether TakeGraphPicture would give a picture, without drawing one.
bool CanTakeGraphPicture(TfrmAbstractMDIChild* window);

}  // namespace curvane
