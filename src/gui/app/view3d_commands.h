// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/document/graph_document.h"

#include "gui/app/command_group.h"

namespace curvane {

class TfrmChild3D;
struct TScene3DStyle;

// The 3D window's tool bar (how its scene is drawn) and the display
// controller, which serves 2D windows as well.
class TView3DCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TView3DCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;
    // Checks the draw type and the switches from a 3D window's scene
    // (other windows leave them as they are).
    void ShowWindowState(TfrmAbstractMDIChild& window);
    // At start-up: opens the display controller when it was open at the
    // last exit.
    void RestoreViewDialog();

    QAction* const btnPoints3;
    QAction* const btnLines;
    QAction* const btnSurface;
    QAction* const btnNormals;
    QAction* const btnSmooth;
    QAction* const btnAxes;
    QAction* const btnGrid3D;
    QAction* const btnLabels3D;
    QAction* const btnScaledBox;
    QAction* const btnLightPos;
    QAction* const actViewView;  // the display controller

private:
    QAction* AddDrawType(const char* name, int drawType);
    // A display switch of the document, reached by `flag`.
    using TDocumentSwitch = bool& (*)(TGraphDocument& document);
    QAction* AddSwitch(const char* name, TDocumentSwitch flag);
    void btnLightPosExecute();
    void actViewViewExecute();
    void OpenViewDialog();
    TfrmChild3D* Current3D() const;
};

}  // namespace curvane
