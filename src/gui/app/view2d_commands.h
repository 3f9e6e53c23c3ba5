// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

class QActionGroup;

namespace curvane {

class TfrmChild2D_;

// The 2D window's view: the six mouse modes, the display switches and the
// walk through the window's earlier views.
class TView2DCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TView2DCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;
    // Checks the mode and the display switches from a 2D window's plot
    // (other windows leave them as they are).
    void ShowWindowState(TfrmAbstractMDIChild& window);

    // In the order of the tool bar and the menu.
    QList<QAction*> MouseModes() const;
    QList<QAction*> DisplaySwitches() const;

    QAction* const actNothing;
    QAction* const actCross;
    QAction* const actPan;
    QAction* const actScale;
    QAction* const actScaleX;
    QAction* const actScaleY;
    QAction* const actDisUniform;
    QAction* const actDisGrid;
    QAction* const actDisLabels;
    QAction* const actDisPoints;
    QAction* const actDisAutoredraw;
    QAction* const actDisResetScales;
    QAction* const actDisDefault;
    QAction* const actViewPrevious;
    QAction* const actViewNext;
    // A switch of every 2D window, kept in the settings.
    QAction* const actPointsOfInterest;

private:
    QAction* AddMode(const char* name, const QString& caption, int tag);
    void MouseModeExecute(QAction* mode);
    void actDisUniformExecute();
    void actDisGridExecute();
    void actDisLabelsExecute();
    void actDisPointsExecute();
    void actDisAutoredrawExecute();
    void actDisResetScalesExecute();
    void actDisDefaultExecute();
    void actViewPreviousExecute();
    void actViewNextExecute();
    void actPointsOfInterestExecute();
    TfrmChild2D_* Current2D() const;

    QActionGroup* FModeGroup;
};

}  // namespace curvane
