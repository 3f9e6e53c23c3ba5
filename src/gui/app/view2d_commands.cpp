// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/view2d_commands.h"

#include "core/settings/settings.h"
#include "gui/app/frm_main.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/points_of_interest.h"
#include "gui/plot2d/scope.h"
#include "render/plot2d/indicator.h"

#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace curvane {

namespace {
constexpr TCommandUse cuEvaluators = TCommandUse::cuEvaluators;

// These commands exist for 2D windows only; any other window is none to them.
TfrmChild2D_* Window2D(TfrmAbstractMDIChild* window) { return qobject_cast<TfrmChild2D_*>(window); }
}

TView2DCommands::TView2DCommands(TfrmMain& main)
    : TCommandGroup(main),
      actNothing(AddMode("actNothing", "Nothing", static_cast<int>(TMouseMode::mmNothing))),
      actCross(AddMode("actCross", "Cross", static_cast<int>(TMouseMode::mmCross))),
      actPan(AddMode("actPan", "Pan", static_cast<int>(TMouseMode::mmPan))),
      actScale(AddMode("actScale", "Scale", static_cast<int>(TMouseMode::mmScale))),
      actScaleX(AddMode("actScaleX", "Scale by X axis", static_cast<int>(TMouseMode::mmScaleX))),
      actScaleY(AddMode("actScaleY", "Scale by Y axis", static_cast<int>(TMouseMode::mmScaleY))),
      // With Autoredraw on, these three resample the window.
      actDisUniform(Add("actDisUniform", "Non-Uniform", "", {}, &TView2DCommands::actDisUniformExecute, cuEvaluators)),
      actDisGrid(Add("actDisGrid", "Grid", "", {}, &TView2DCommands::actDisGridExecute)),
      actDisLabels(Add("actDisLabels", "Number labels", "", {}, &TView2DCommands::actDisLabelsExecute)),
      actDisPoints(Add("actDisPoints", "Draw as points", "", {}, &TView2DCommands::actDisPointsExecute)),
      actDisAutoredraw(Add("actDisAutoredraw", "Autoredraw", "", {}, &TView2DCommands::actDisAutoredrawExecute)),
      actDisResetScales(Add("actDisResetScales", "&Reset scale to 1:1", "zoom-original", {},
                            &TView2DCommands::actDisResetScalesExecute, cuEvaluators)),
      actDisDefault(Add("actDisDefault", "De&fault view diapasone", "zoom-fit-best", {},
                        &TView2DCommands::actDisDefaultExecute, cuEvaluators)),
      actViewPrevious(Add("actViewPrevious", "Pre&vious view", "go-previous", QKeySequence(Qt::ALT | Qt::Key_Left),
                          &TView2DCommands::actViewPreviousExecute, cuEvaluators)),
      actViewNext(Add("actViewNext", "Ne&xt view", "go-next", QKeySequence(Qt::ALT | Qt::Key_Right),
                      &TView2DCommands::actViewNextExecute, cuEvaluators)),
      actPointsOfInterest(Add("actPointsOfInterest", "Points of interest", "", {},
                              &TView2DCommands::actPointsOfInterestExecute)) {
    FModeGroup = new QActionGroup(this);
    FModeGroup->setExclusive(true);
    for (QAction* mode : MouseModes()) FModeGroup->addAction(mode);
    for (QAction* check : DisplaySwitches()) check->setCheckable(true);
    actPointsOfInterest->setCheckable(true);
    actPointsOfInterest->setChecked(Settings().Window2D.PointsOfInterest);
    SetHint(actPointsOfInterest, "Points of interest|Mark the roots, extrema and y-intercept of the active function "
                                 "and where it meets the other functions");
    // The wheel and the keys work in every mode; the modes that do the same
    // with the mouse say so.
    SetHint(actPan, "Pan|Drag to move the view; in any mode, Shift+wheel and the arrow keys pan");
    SetHint(actScale, "Scale|Drag a rectangle to show it; in any mode, the wheel zooms about the pointer, "
                      "+ and - about the centre");
    SetHint(actScaleX, "Scale by X axis|Drag to stretch the x range; in any mode, Ctrl+wheel zooms x alone");
}

QAction* TView2DCommands::AddMode(const char* name, const QString& caption, int tag) {
    QAction* mode = Create(name, caption, "", {});
    mode->setCheckable(true);
    mode->setData(tag);
    Connect(mode, [this, mode] { MouseModeExecute(mode); }, TCommandUse::cuFree);
    return mode;
}

QList<QAction*> TView2DCommands::MouseModes() const {
    return {actNothing, actCross, actPan, actScale, actScaleX, actScaleY};
}

QList<QAction*> TView2DCommands::DisplaySwitches() const {
    return {actDisUniform, actDisGrid, actDisLabels, actDisPoints, actDisAutoredraw};
}

void TView2DCommands::UpdateControls(const TCommandState& state) {
    for (QAction* action : MouseModes()) Enable(action, state.Is2D);
    for (QAction* action : {actDisGrid, actDisLabels, actDisPoints, actDisAutoredraw, actPointsOfInterest})
        Enable(action, state.Is2D);
    // The settings are read after the commands are made.
    actPointsOfInterest->setChecked(Settings().Window2D.PointsOfInterest);
    for (QAction* action : {actDisUniform, actDisResetScales, actDisDefault})
        Enable(action, state.Is2D && !state.Busy);
    const TfrmChild2D_* window = Window2D(state.Window);
    const bool free = window && !state.Busy;
    Enable(actViewPrevious, free && window->ViewHistory().CanBack());
    Enable(actViewNext, free && window->ViewHistory().CanForward());
}

void TView2DCommands::ShowWindowState(TfrmAbstractMDIChild& window) {
    const TfrmChild2D_* window2D = Window2D(&window);
    if (!window2D) return;
    const TIndicator& indicator = window2D->Indicator();
    const QVariant tag = static_cast<int>(indicator.MouseMode());
    QAction* mode = nullptr;
    for (QAction* action : MouseModes())
        if (action->data() == tag) mode = action;
    if (mode) {
        mode->setChecked(true);
    } else if (QAction* checked = FModeGroup->checkedAction()) {
        // A mode without a command of its own (a drawing tool): no mode is
        // checked, which an exclusive group does not allow.
        FModeGroup->setExclusive(false);
        checked->setChecked(false);
        FModeGroup->setExclusive(true);
    }
    actDisGrid->setChecked(indicator.FullGrid());
    actDisLabels->setChecked(indicator.Labels());
    actDisUniform->setChecked(!indicator.Uniform());
    actDisPoints->setChecked(indicator.DrawType() == TDrawType::dtPoints);
}

TfrmChild2D_* TView2DCommands::Current2D() const { return Window2D(CurrentWindow()); }

void TView2DCommands::MouseModeExecute(QAction* mode) {
    if (TfrmChild2D_* window = Current2D())
        window->Indicator().SetMouseMode(static_cast<TMouseMode>(mode->data().toInt()));
    mode->setChecked(true);
}

void TView2DCommands::actDisUniformExecute() {
    TfrmChild2D_* window = Current2D();
    if (!window) return;
    // Both a document edit (the switch) and a view step (the rectangle it
    // leaves): undo brings the switch back, Previous view the view. The
    // window follows the switch: it rescales, and samples with Autoredraw.
    const TViewAction action(*window);
    TDocumentEdit edit(window->Owner(), QStringLiteral("Uniform scale"));
    edit.Document().View2D.Uniform = !actDisUniform->isChecked();
    edit.Commit();
}

void TView2DCommands::actDisGridExecute() {
    TfrmChild2D_* window = Current2D();
    if (!window) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Grid"));
    edit.Document().View2D.FullGrid = actDisGrid->isChecked();
    edit.Commit();
}

void TView2DCommands::actDisLabelsExecute() {
    TfrmChild2D_* window = Current2D();
    if (!window) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Number labels"));
    edit.Document().View2D.Labels = actDisLabels->isChecked();
    edit.Commit();
}

void TView2DCommands::actDisPointsExecute() {
    if (TfrmChild2D_* window = Current2D())
        window->Indicator().SetDrawType(actDisPoints->isChecked() ? TDrawType::dtPoints : TDrawType::dtLines);
}

void TView2DCommands::actDisAutoredrawExecute() { Main().SetAutoredraw(actDisAutoredraw->isChecked()); }

void TView2DCommands::actDisResetScalesExecute() {
    TfrmChild2D_* window = Current2D();
    if (!window) return;
    {
        // Switching uniform scale on rescales the view to 1:1; switching it
        // back keeps that view. One redraw at the end.
        const TViewAction action(*window);
        TUpdateGuard<TScope> guard(*window->Scope());
        TIndicator& indicator = window->Indicator();
        const bool uniform = indicator.Uniform();
        indicator.SetUniform(true);
        indicator.SetUniform(uniform);
    }
    if (Main().Autoredraw()) window->Recalculate(TRecalc::rcAll);
}

void TView2DCommands::actDisDefaultExecute() {
    TfrmChild2D_* window = Current2D();
    if (!window) return;
    {
        const TViewAction action(*window);
        TUpdateGuard<TScope> guard(*window->Scope());
        window->Indicator().ZoomToRect(QPointF(-10, -10), QPointF(10, 10));
    }
    if (Main().Autoredraw()) window->Recalculate(TRecalc::rcAll);
}

void TView2DCommands::actViewPreviousExecute() {
    if (TfrmChild2D_* window = Current2D()) window->PreviousView();
}

void TView2DCommands::actViewNextExecute() {
    if (TfrmChild2D_* window = Current2D()) window->NextView();
}

void TView2DCommands::actPointsOfInterestExecute() {
    const bool on = actPointsOfInterest->isChecked();
    Settings().Window2D.PointsOfInterest = on;
    for (QMdiSubWindow* sub : Main().MdiArea()->subWindowList())
        if (TfrmChild2D_* window = Window2D(qobject_cast<TfrmAbstractMDIChild*>(sub->widget())))
            window->PointsOfInterest().SetShown(on);
}

}  // namespace curvane
