// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/view3d_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QRandomGenerator>
#include <QSignalBlocker>

#include "core/settings/settings.h"
#include "gui/app/frm_main.h"
#include "gui/app/shell_memory.h"
#include "gui/document/document_owner.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/plot3d/frm_view.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {
constexpr const char* ViewFormClass = "TfrmView";

// These commands exist for 3D windows only; any other window is none to them.
TfrmChild3D* Window3D(TfrmAbstractMDIChild* window) { return qobject_cast<TfrmChild3D*>(window); }
}

TView3DCommands::TView3DCommands(TfrmMain& main)
    : TCommandGroup(main),
      btnPoints3(AddDrawType("btnPoints3", 0)),
      btnLines(AddDrawType("btnLines", 1)),
      btnSurface(AddDrawType("btnSurface", 2)),
      btnNormals(AddSwitch("btnNormals", [](TGraphDocument& d) -> bool& { return d.View3D.Normals; })),
      btnSmooth(AddSwitch("btnSmooth", [](TGraphDocument& d) -> bool& { return d.View3D.Smooth; })),
      btnAxes(AddSwitch("btnAxes", [](TGraphDocument& d) -> bool& { return d.View3D.Axes; })),
      btnGrid3D(AddSwitch("btnGrid3D", [](TGraphDocument& d) -> bool& { return d.Grid3D; })),
      btnLabels3D(AddSwitch("btnLabels3D", [](TGraphDocument& d) -> bool& { return d.View3D.Labels; })),
      btnScaledBox(AddSwitch("btnScaledBox", [](TGraphDocument& d) -> bool& { return d.View3D.ScaledBox; })),
      btnLightPos(Add("btnLightPos", "Random light position", "", {}, &TView3DCommands::btnLightPosExecute)),
      actViewView(Add("actViewView", "Display controller", "", {}, &TView3DCommands::actViewViewExecute)) {
    SetHint(btnPoints3, "Points|Draw the surfaces as points");
    SetHint(btnLines, "Lines|Draw the surfaces as lines");
    SetHint(btnSurface, "Surface|Draw the surfaces filled");
    SetHint(btnNormals, "Normals|Show the normals");
    SetHint(btnSmooth, "Smooth|Smooth shading");
    SetHint(btnAxes, "Axes|Show the axes");
    SetHint(btnGrid3D, "Grid|Show the grid");
    SetHint(btnLabels3D, "Labels|Show the axis labels");
    SetHint(btnScaledBox, "Box in proportion|Scale the box to a cube instead of the values' scale");
    SetHint(btnLightPos, "Random light position|Move the light to a random place");
    auto* drawTypes = new QActionGroup(this);
    for (QAction* button : {btnPoints3, btnLines, btnSurface}) drawTypes->addAction(button);
    actViewView->setCheckable(true);
}

QAction* TView3DCommands::AddDrawType(const char* name, int drawType) {
    QAction* action = Create(name, QString::fromLatin1(name), "", {});
    action->setCheckable(true);
    Connect(
        action,
        [this, drawType] {
            if (TfrmChild3D* window = Current3D()) {
                TDocumentEdit edit(window->Owner(), QStringLiteral("Draw type"));
                edit.Document().View3D.DrawType = drawType;
                edit.Commit();
            }
        },
        TCommandUse::cuFree);
    return action;
}

QAction* TView3DCommands::AddSwitch(const char* name, TDocumentSwitch flag) {
    QAction* action = Create(name, QString::fromLatin1(name), "", {});
    action->setCheckable(true);
    Connect(
        action,
        [this, action, flag] {
            if (TfrmChild3D* window = Current3D()) {
                // The window paints the switch; Smooth takes effect with the
                // next frame's GL state.
                TDocumentEdit edit(window->Owner(), action->toolTip());
                flag(edit.Document()) = action->isChecked();
                edit.Commit();
            }
        },
        TCommandUse::cuFree);
    return action;
}

TfrmChild3D* TView3DCommands::Current3D() const { return Window3D(CurrentWindow()); }

void TView3DCommands::UpdateControls(const TCommandState& state) {
    for (QAction* action :
         {btnPoints3, btnLines, btnSurface, btnNormals, btnSmooth, btnAxes, btnGrid3D, btnLabels3D, btnScaledBox,
          btnLightPos})
        Enable(action, state.Is3D);
    Enable(actViewView, true);
    {
        const QSignalBlocker block(actViewView);
        actViewView->setChecked(TfrmView::Instance() != nullptr);
    }
    // The buttons' checks follow the window through the frame's activation
    // handling (ShowWindowState).
}

void TView3DCommands::ShowWindowState(TfrmAbstractMDIChild& window) {
    const TfrmChild3D* window3D = Window3D(&window);
    if (!window3D) return;
    const TScene3DStyle& style = window3D->Plot().Style();
    QAction* const drawTypes[] = {btnPoints3, btnLines, btnSurface};
    if (style.DrawType < 3) drawTypes[style.DrawType]->setChecked(true);
    btnNormals->setChecked(style.Normals);
    btnSmooth->setChecked(style.Smooth);
    btnAxes->setChecked(style.Axes);
    btnGrid3D->setChecked(style.Grid);
    btnLabels3D->setChecked(style.AxesLabels);
    btnScaledBox->setChecked(style.ScaledBox);
}

void TView3DCommands::btnLightPosExecute() {
    TfrmChild3D* window = Current3D();
    if (!window) return;
    float* light = window->Plot().Style().LightPosition;
    // x, y and z each anywhere from -20 to 20; w stays (a positional light).
    for (int i = 0; i < 3; ++i) light[i] = static_cast<float>(QRandomGenerator::global()->bounded(-20, 21));
    window->Redraw();
}

void TView3DCommands::OpenViewDialog() {
    TShellMemory* memory = Main().Memory();
    TFormPositionStore store;
    if (memory) {
        store.Load = [memory] { return memory->FormPosition(ViewFormClass); };
        store.Save = [memory](const TWinPlacement& placement) { memory->SetFormPosition(ViewFormClass, placement); };
    }
    TfrmView* view = TfrmView::Open(&Main(), std::move(store));
    connect(view, &TfrmView::Closed, this, [this] {
        const QSignalBlocker block(actViewView);
        actViewView->setChecked(false);
    });
    const QSignalBlocker block(actViewView);
    actViewView->setChecked(true);
}

void TView3DCommands::actViewViewExecute() {
    if (TfrmView* view = TfrmView::Instance()) {
        view->close();
        return;
    }
    OpenViewDialog();
}

void TView3DCommands::RestoreViewDialog() {
    if (!Settings().FormView) return;
    // After the frame has been shown, so that the tool window appears over it.
    QMetaObject::invokeMethod(this, [this] {
        if (!TfrmView::Instance()) OpenViewDialog();
    }, Qt::QueuedConnection);
}

}  // namespace curvane
