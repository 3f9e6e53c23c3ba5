// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/window_look.h"

#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

void CopyLook2D(const TPlot2D& source, TPlot2D& target) {
    TIndicator& to = target.Indicator();
    const TOwnerBatch batch(to.Owner());
    target.SetBackground(source.Background());
    TLook2D look = to.Look();
    look.Stored() = source.Indicator().Look();
    to.SetLook(look);
}

void CopyLook3D(const TScene3DStyle& from, TScene3DStyle& to) {
    to.Background = from.Background;
    to.GridColor = from.GridColor;
    to.AxesColor = from.AxesColor;
    to.LabelsColor = from.LabelsColor;
    to.Axes = from.Axes;
    to.AxesLabels = from.AxesLabels;
    to.Grid = from.Grid;
    to.Smooth = from.Smooth;
    to.Coloring = from.Coloring;
    to.ColorMap = from.ColorMap;
    to.Contours = from.Contours;
    to.ContourCount = from.ContourCount;
    to.ScaledBox = from.ScaledBox;
    to.ScreenLabels = from.ScreenLabels;
    to.BoxRatioX = from.BoxRatioX, to.BoxRatioY = from.BoxRatioY, to.BoxRatioZ = from.BoxRatioZ;
}

}  // namespace curvane
