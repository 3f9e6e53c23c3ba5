#pragma once

#include "gui/app/command_group.h"

namespace curvane {

// The 3D window's tool bar and the display controller. The 3D window is not
// built yet: every command here is a disabled placeholder.
class TView3DCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TView3DCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    QAction* const btnPoints3;
    QAction* const btnLines;
    QAction* const btnSurface;
    QAction* const btnNormals;
    QAction* const btnSmooth;
    QAction* const btnAxes;
    QAction* const btnGrid3D;
    QAction* const btnLabels3D;
    QAction* const btnLightPos;
    QAction* const actViewView;  // the display controller
};

}  // namespace curvane
