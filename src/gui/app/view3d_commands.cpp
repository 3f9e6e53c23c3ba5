#include "gui/app/view3d_commands.h"

#include <QAction>
#include <QActionGroup>

namespace curvane {

TView3DCommands::TView3DCommands(TfrmMain& main)
    : TCommandGroup(main),
      btnPoints3(AddPlaceholder("btnPoints3", "btnPoints3")),
      btnLines(AddPlaceholder("btnLines", "btnLines")),
      btnSurface(AddPlaceholder("btnSurface", "btnSurface")),
      btnNormals(AddPlaceholder("btnNormals", "btnNormals")),
      btnSmooth(AddPlaceholder("btnSmooth", "btnSmooth")),
      btnAxes(AddPlaceholder("btnAxes", "btnAxes")),
      btnGrid3D(AddPlaceholder("btnGrid3D", "btnGrid3D")),
      btnLabels3D(AddPlaceholder("btnLabels3D", "btnLabels3D")),
      btnLightPos(AddPlaceholder("btnLightPos", "Random light position")),
      actViewView(AddPlaceholder("actViewView", "Display controller")) {
    SetHint(btnPoints3, "Points|Draw the surfaces as points");
    SetHint(btnLines, "Lines|Draw the surfaces as lines");
    SetHint(btnSurface, "Surface|Draw the surfaces filled");
    SetHint(btnNormals, "Normals|Show the normals");
    SetHint(btnSmooth, "Smooth|Smooth shading");
    SetHint(btnAxes, "Axes|Show the axes");
    SetHint(btnGrid3D, "Grid|Show the grid");
    SetHint(btnLabels3D, "Labels|Show the axis labels");
    auto* drawTypes = new QActionGroup(this);
    for (QAction* button : {btnPoints3, btnLines, btnSurface}) drawTypes->addAction(button);
    for (QAction* button : {btnPoints3, btnLines, btnSurface, btnNormals, btnSmooth, btnAxes, btnGrid3D, btnLabels3D,
                            actViewView})
        button->setCheckable(true);
}

void TView3DCommands::UpdateControls(const TCommandState&) {
    // Nothing to follow until the 3D window exists.
}

}  // namespace curvane
