// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

namespace curvane {

// Arranging the graph windows, the tool windows and the options dialog.
class TWindowCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TWindowCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    // In the order of the Window menu.
    QList<QAction*> Arrangement() const;

    QAction* const WindowCascade1;
    QAction* const WindowTileHorizontal1;
    QAction* const WindowTileVertical1;
    QAction* const WindowMinimizeAll1;
    QAction* const WindowArrangeAll1;
    QAction* const WindowArrange1;  // always disabled: MDI windows here have no icons to line up
    // Shown and hidden by the tool windows' owner, which connects them.
    QAction* const ViewFuncExplorer;
    QAction* const ViewLog;
    QAction* const ViewParameters;
    QAction* const ViewOptions;

private:
    void WindowCascade1Execute();
    void WindowTileHorizontal1Execute();
    void WindowTileVertical1Execute();
    void WindowMinimizeAll1Execute();
    void WindowArrangeAll1Execute();
    void ViewOptionsExecute();
};

}  // namespace curvane
