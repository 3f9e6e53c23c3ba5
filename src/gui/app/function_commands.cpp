// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/function_commands.h"

#include "core/document/func_item.h"
#include "gui/app/application.h"
#include "gui/app/frm_func_props.h"
#include "gui/app/frm_main.h"
#include "gui/app/frm_options.h"
#include "gui/document/document_edit.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/widgets/func_bar_widgets.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>

namespace curvane {

namespace {
constexpr TCommandUse cuEvaluators = TCommandUse::cuEvaluators;

// The derivative is taken along the sampling parameter; a curve F(x,y)=0 is
// traced, not sampled along one, so it has none to draw.
bool RefuseImplicitDerivative(QWidget* parent, const TFuncItem& item) {
    if (item.FuncKind != TFuncKind::fkImplicit) return false;
    QMessageBox::information(parent, ApplicationTitle(),
                             QStringLiteral("An implicit function cannot be drawn as a derivative."));
    return true;
}
}  // namespace

TFunctionCommands::TFunctionCommands(TfrmMain& main)
    : TCommandGroup(main),
      FuncSet(Add("FuncSet", "Set function...", "", QKeySequence(Qt::Key_F2), &TFunctionCommands::FuncSetExecute,
                  cuEvaluators)),
      FuncUpdate(Add("FuncUpdate", "Enter function", "", {}, &TFunctionCommands::FuncUpdateExecute, cuEvaluators)),
      FuncAdd(Add("FuncAdd", "&Add function", "list-add", QKeySequence(Qt::Key_F7), &TFunctionCommands::FuncAddExecute,
                  cuEvaluators)),
      FuncDelete(Add("FuncDelete", "&Delete function", "list-remove", QKeySequence(Qt::Key_F8),
                     &TFunctionCommands::FuncDeleteExecute, cuEvaluators)),
      FuncDraw(Add("FuncDraw", "Draw function", "view-refresh", QKeySequence(Qt::Key_F5),
                   &TFunctionCommands::FuncDrawExecute, cuEvaluators)),
      FuncProperties(Add("FuncProperties", "Properties...", "document-properties", {},
                         &TFunctionCommands::FuncPropertiesExecute, cuEvaluators)),
      FuncDerivate(Add("FuncDerivate", "Derivated", "", {}, &TFunctionCommands::FuncDerivateExecute, cuEvaluators)),
      FuncAddCopy(Add("FuncAddCopy", "&Duplicate function", "", {}, &TFunctionCommands::FuncAddCopyExecute,
                      cuEvaluators)),
      FuncAddDeriv(Add("FuncAddDeriv", "Duplicate as deri&vative", "", {}, &TFunctionCommands::FuncAddDerivExecute,
                       cuEvaluators)),
      FuncVisible(Add("FuncVisible", "FuncVisible", "", {}, &TFunctionCommands::FuncVisibleExecute, cuEvaluators)),
      FuncGridSetup(Add("FuncGridSetup", "Grid setup...", "", {}, &TFunctionCommands::FuncGridSetupExecute)),
      btnOrtho(Add("btnOrtho", "Orthogonal", "", {}, &TFunctionCommands::btnOrthoExecute, cuEvaluators)),
      btnPolar(Add("btnPolar", "Polar", "", {}, &TFunctionCommands::btnPolarExecute, cuEvaluators)) {
    FuncDerivate->setCheckable(true);
    FuncVisible->setCheckable(true);
    FuncVisible->setChecked(true);
    SetHint(FuncVisible, "Visible|Show or hide the function");
    // The coordinate system is chosen in the properties dialog; the buttons
    // stay in the function bar, hidden, for their check states.
    for (QAction* button : {btnOrtho, btnPolar}) {
        button->setCheckable(true);
        button->setVisible(false);
    }
}

void TFunctionCommands::UpdateControls(const TCommandState& state) {
    const bool free = !state.Busy;
    for (QAction* action : {FuncSet, FuncUpdate, FuncGridSetup}) Enable(action, state.Any && free);
    for (QAction* action : {FuncDraw, FuncDelete, FuncVisible, FuncAddCopy, FuncProperties})
        Enable(action, state.HasFunctions && free);
    Enable(FuncAdd, state.Window && free);
    for (QAction* action : {FuncDerivate, FuncAddDeriv}) Enable(action, state.HasFunctions && state.Is2D && free);
    const bool hasActive = state.Is2D && state.Window->ActiveFunc();
    for (QAction* action : {btnOrtho, btnPolar}) Enable(action, hasActive && free);
}

void TFunctionCommands::ShowActiveFunction(const TFuncItem& item) {
    FuncDerivate->setChecked(item.Derivative);
    btnOrtho->setChecked(item.FuncType == TFuncType::ftOrtho2D);
    btnPolar->setChecked(item.FuncType == TFuncType::ftPolar);
    FuncVisible->setChecked(item.Active);
}

void TFunctionCommands::FuncSetExecute() {
    TFuncCombo* combo = Main().FuncCombo();
    if (!combo->isEnabled()) return;
    combo->setFocus(Qt::ShortcutFocusReason);
    combo->lineEdit()->selectAll();
}

void TFunctionCommands::FuncUpdateExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TfrmMain& main = Main();
    QLineEdit* edit = main.FuncCombo()->lineEdit();
    TWidthCombo* width = main.WidthCombo();
    const QString text = edit->text();
    if (const TFuncItem* item = window->ActiveFunc(); item && text == QString::fromStdString(item->Expression)) {
        edit->selectAll();
        return;
    }
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
    if (semicolon >= 0 && text.left(semicolon).trimmed().isEmpty()) return;
    if (width->currentIndex() < 0) width->SetWidth(1);
    // Without an active function the formula becomes a new one.
    TDocumentEdit change(window, window->ActiveFunc() ? QStringLiteral("Change formula")
                                                      : QStringLiteral("Add function"));
    window->SetActiveExpression(text);
    if (window->ActiveFunc()) {
        window->SetFuncColor(window->FuncActive(), main.ColorBox()->Color());
        if (window->WindowType() == TWindowType::wt2D) window->SetFuncWidth(window->FuncActive(), width->Width());
    }
    change.Commit();
    main.UpdateFuncBar(true);
    const int caret = edit->cursorPosition();
    window->Recalculate(true);
    main.FillFuncCombo();
    main.SelectFuncActiveInCombo();
    edit->setCursorPosition(caret);
    edit->selectAll();
}

bool TFunctionCommands::RunPropertiesDialog(int index) {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->Func(index)) return false;
    TfrmFuncProps dialog(&Main());
    dialog.Setup(window->WindowType() == TWindowType::wt3D, window->Functions(), index);
    // Only the main window waits for the answer: the help (F1), a window of
    // its own, stays usable beside the dialog.
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

void TFunctionCommands::FuncAddExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TDocumentEdit edit(window, QStringLiteral("Add function"));
    window->AddFunction(QString());
    const int last = window->FuncCount() - 1;
    if (!RunPropertiesDialog(last)) {
        window->DeleteFunction(last);
        Main().UpdateFuncBar(true);
        return;
    }
    window->UpdateCaption();
    window->SetFuncActive(last);
    edit.Commit();
    window->Recalculate(false);
    Main().UpdateFuncBar(true);
}

void TFunctionCommands::FuncDeleteExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TDocumentEdit edit(window, QStringLiteral("Delete function"));
    window->DeleteFunction(window->FuncActive());
    edit.Commit();
    Main().UpdateFuncBar(true);
    window->Redraw();
}

void TFunctionCommands::FuncDrawExecute() {
    if (TfrmAbstractMDIChild* window = CurrentWindow()) window->Recalculate(false);
}

void TFunctionCommands::FuncPropertiesExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->ActiveFunc()) return;
    TDocumentEdit edit(window, QStringLiteral("Function properties"));
    if (!RunPropertiesDialog(window->FuncActive())) return;
    edit.Commit();
    TfrmMain& main = Main();
    main.UpdateFuncDependentControls();
    window->Recalculate(false);
    window->UpdateCaption();
    main.FillFuncCombo();
    main.SelectFuncActiveInCombo();
}

void TFunctionCommands::FuncDerivateExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    // Turning it off is always allowed (a file may have set it).
    if (FuncDerivate->isChecked() && RefuseImplicitDerivative(&Main(), *item)) {
        FuncDerivate->setChecked(false);
        return;
    }
    TDocumentEdit edit(window, QStringLiteral("Derivative"));
    item->Derivative = FuncDerivate->isChecked();
    edit.Commit();
    Main().FillFuncCombo();
    Main().SelectFuncActiveInCombo();
    window->UpdateCaption();
    window->Recalculate(true);
}

void TFunctionCommands::FuncAddCopyExecute() {
    TDocumentEdit edit(CurrentWindow(), QStringLiteral("Duplicate function"));
    AddCopy();
}

bool TFunctionCommands::AddCopy() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->ActiveFunc()) return false;
    const int source = window->FuncActive();
    const int before = window->FuncCount();
    window->AddFunction(QString::fromStdString(window->Func(source)->Expression));
    // An empty last function is reused instead of appended; copying onto it
    // is still right, but copying onto the source itself would be a no-op
    // that hides the failure, so nothing more happens then.
    if (window->FuncCount() == before && window->FuncActive() == source) return false;
    CopyFuncParams(*window->ActiveFunc(), *window->Func(source));
    window->UpdateCaption();
    Main().UpdateFuncBar(true);
    return true;
}

void TFunctionCommands::FuncAddDerivExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->ActiveFunc() || window->WindowType() != TWindowType::wt2D) return;
    if (RefuseImplicitDerivative(&Main(), *window->ActiveFunc())) return;
    TDocumentEdit edit(window, QStringLiteral("Duplicate as derivative"));
    if (!AddCopy()) return;
    window->ActiveFunc()->Derivative = true;
    edit.Commit();
    window->UpdateCaption();
    Main().UpdateFuncBar(true);
    window->Recalculate(true);
}

void TFunctionCommands::FuncVisibleExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    TDocumentEdit edit(window, item->Active ? QStringLiteral("Hide function") : QStringLiteral("Show function"));
    item->Active = !item->Active;
    edit.Commit();
    window->Recalculate(false);
    window->Redraw();
    Main().UpdateFuncBar(true);
}

void TFunctionCommands::FuncGridSetupExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    const bool is2D = window && window->WindowType() == TWindowType::wt2D;
    RunOptionsDialog(Main().MdiArea(), &Main(), is2D ? TOptionsPage::op2DGrid : TOptionsPage::op3D, false);
}

void TFunctionCommands::SetCoordinateSystem(TFuncType type) {
    auto* window = qobject_cast<TfrmChild2D_*>(CurrentWindow());
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    if (item->FuncType != type) {
        TDocumentEdit edit(window, QStringLiteral("Coordinate system"));
        item->FuncType = type;
        edit.Commit();
        window->Recalculate(true);
    }
    Main().UpdateFuncBar(true);
}

void TFunctionCommands::btnOrthoExecute() { SetCoordinateSystem(TFuncType::ftOrtho2D); }

void TFunctionCommands::btnPolarExecute() { SetCoordinateSystem(TFuncType::ftPolar); }

}  // namespace curvane
