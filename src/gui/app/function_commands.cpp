// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/function_commands.h"

#include "core/document/func_item.h"
#include "core/document/func_palette.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "gui/app/frm_main.h"
#include "gui/common/application.h"
#include "gui/dialogs/frm_func_props.h"
#include "gui/dialogs/frm_options.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/tools/tool_dialog.h"
#include "gui/widgets/formula_hint.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/parameter_offer.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>

#include <memory>
#include <optional>
#include <utility>

namespace curvane {

namespace {
constexpr TCommandUse cuEvaluators = TCommandUse::cuEvaluators;

struct TFormulaError {
    TFormulaSlot Slot;
    std::string Message;
    std::unique_ptr<TRapidEvaluator> Evaluator;  // stopped at the faulty token
};

// The first text of `item` that does not compile, tried with a scratch
// evaluator like the one that will compile it: the shared ones may be in use.
// A function without a formula is skipped when drawn, so it has no error.
std::optional<TFormulaError> FirstFormulaError(const TFuncItem& item, const TParameterList& parameters) {
    if (item.Expression.empty()) return std::nullopt;
    const TParameterBinding bound(parameters);
    for (TFormulaSlot slot : {TFormulaSlot::fsExpression, TFormulaSlot::fsExpression1, TFormulaSlot::fsExpression2}) {
        const TRapidEvaluator* shared = SharedEvaluatorFor(item.FuncKind, item.FuncType, slot);
        if (!shared) continue;
        double arg1 = 0, arg2 = 0;
        std::unique_ptr<TRapidEvaluator> scratch = MakeEvaluatorLike(*shared, &arg1, &arg2);
        scratch->SetFormula(FormulaText(item, slot));
        try {
            scratch->Compile();
        } catch (const ESyntaxError& e) {
            return TFormulaError{slot, e.what(), std::move(scratch)};
        }
    }
    return std::nullopt;
}

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
      FuncAddFromBox(Add("FuncAddFromBox", "Add as new function", "", {}, &TFunctionCommands::FuncAddFromBoxExecute,
                         cuEvaluators)),
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
    SetHint(FuncAddFromBox, "Add as new function (Shift+Enter)|Adds the formula typed in the function box as a new "
                            "function; without a graph window, in a new 2D window");
    // The coordinate system is chosen in the properties dialog; the buttons
    // stay in the function bar, hidden, for their check states.
    for (QAction* button : {btnOrtho, btnPolar}) {
        button->setCheckable(true);
        button->setVisible(false);
    }
}

void TFunctionCommands::UpdateControls(const TCommandState& state) {
    const bool free = !state.Busy;
    // The function box works without a window too: a formula entered there
    // opens a 2D window for itself.
    for (QAction* action : {FuncSet, FuncUpdate, FuncAddFromBox}) Enable(action, free);
    Enable(FuncGridSetup, state.Any && free);
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
    FBoxCommand = TBoxCommand::bcUpdate;
    TfrmAbstractMDIChild* window = CurrentWindow();
    // Nothing to replace without a window: the formula opens one, as
    // Shift+Enter does.
    if (!window) return FuncAddFromBoxExecute();
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
    const int caret = edit->cursorPosition();
    const QString formula = text.section(';', 0, 0);
    {
        // Without an active function the formula becomes a new one. The
        // window follows the edit: it samples the changed function.
        TDocumentEdit change(window->Owner(), window->ActiveFunc() ? QStringLiteral("Change formula")
                                                                   : QStringLiteral("Add function"));
        TFuncItem* item = change.ActiveFunc();
        // A new function keeps the colour it was given; the box shows the
        // colour of the function it changes.
        const bool added = item == nullptr;
        if (added) item = &AddFunction(change.Document(), formula.toStdString());
        item->Expression = formula.toStdString();
        change.Document().Parameters = WithCreated(change.Document().Parameters);
        // A typing error is the user's to correct where it was typed: the
        // document keeps its formula and nothing reaches the exception report.
        if (RefuseFormulaError(*item, change.Document().Parameters)) return change.Cancel();
        if (!added) item->Color = main.ColorBox()->Color();
        if (window->WindowType() == TWindowType::wt2D) item->Width = width->Width();
        change.Commit();
    }
    FinishBoxFormula(formula, caret);
}

void TFunctionCommands::FuncAddFromBoxExecute() {
    FBoxCommand = TBoxCommand::bcAddFromBox;
    TfrmMain& main = Main();
    QLineEdit* edit = main.FuncCombo()->lineEdit();
    const QString formula = edit->text().section(';', 0, 0);
    if (formula.trimmed().isEmpty()) return;
    const int caret = edit->cursorPosition();
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) {
        // A typo opens no window: it is refused first, as in a window.
        if (RefuseFormulaError(TFuncItem(formula.toStdString()), WithCreated(TParameterList()))) return;
        window = main.NewGraphWindow2D();
        // The bar shows the new window before its first function arrives,
        // so that the function's formula and its hint stay in the box.
        main.UpdateControls();
    }
    {
        // Made as Add function makes one (AddFunction): a new window's kind
        // (y=f(x) in 2D, z=f(x,y) in 3D) and its defaults.
        TDocumentEdit change(window->Owner(), QStringLiteral("Add function"));
        const TFuncItem& item = AddFunction(change.Document(), formula.toStdString());
        change.Document().Parameters = WithCreated(change.Document().Parameters);
        if (RefuseFormulaError(item, change.Document().Parameters)) return change.Cancel();
        change.Commit();
    }
    FinishBoxFormula(formula, caret);
}

bool TFunctionCommands::RefuseFormulaError(const TFuncItem& item, const TParameterList& parameters) {
    const std::optional<TFormulaError> error = FirstFormulaError(item, parameters);
    TfrmMain& main = Main();
    if (!error) {
        main.ParameterOffer()->Offer({});
        return false;
    }
    QLineEdit* edit = main.FuncCombo()->lineEdit();
    main.ShowFuncMessage(QStringLiteral("Syntax error : %1").arg(QString::fromStdString(error->Message)));
    edit->setFocus(Qt::OtherFocusReason);
    if (error->Slot == TFormulaSlot::fsExpression) SelectFormulaToken(edit, *error->Evaluator);

    // Names used as variables that nothing defines yet are offered as new
    // parameters, but only when that is all the formula lacks: an offer that
    // ends in another error would only be in the way.
    std::vector<std::string> missing;
    {
        const TParameterBinding bound(parameters);
        missing = UnknownVariableNames(item);
    }
    QStringList offered;
    if (!missing.empty()) {
        TParameterList trial = parameters;
        for (const std::string& name : missing) {
            TParameter parameter;
            parameter.Name = name;
            trial.Add(parameter);
            offered << QString::fromStdString(name);
        }
        if (FirstFormulaError(item, trial)) offered.clear();
    }
    main.ParameterOffer()->Offer(offered);
    return true;
}

TParameterList TFunctionCommands::WithCreated(const TParameterList& parameters) const {
    TParameterList result = parameters;
    for (const std::string& name : FCreating) {
        if (CheckParameterName(name, result)) continue;  // made meanwhile, or no longer a possible name
        TParameter parameter;
        parameter.Name = name;
        result.Add(parameter);
    }
    return result;
}

void TFunctionCommands::CreateOfferedParameters(const QStringList& names) {
    for (const QString& name : names) FCreating.push_back(name.toStdString());
    // Whatever the command does, the names are not created twice.
    struct TClear {
        std::vector<std::string>& Names;
        ~TClear() { Names.clear(); }
    } clear{FCreating};
    if (FBoxCommand == TBoxCommand::bcAddFromBox)
        FuncAddFromBoxExecute();
    else
        FuncUpdateExecute();
}

void TFunctionCommands::FinishBoxFormula(const QString& formula, int caret) {
    TfrmMain& main = Main();
    QLineEdit* edit = main.FuncCombo()->lineEdit();
    if (const QString hint = SignPowerHint(formula); !hint.isEmpty()) {
        main.ShowFuncMessage(hint, TFuncMessage::fmHint);
        KeepFormulaAfterHint(formula);
    }
    edit->setFocus(Qt::OtherFocusReason);
    edit->setCursorPosition(caret);
    edit->selectAll();
}

bool TFunctionCommands::RunPropertiesDialog(TDocumentEdit& edit, int index) {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !edit.Func(index)) return false;
    TfrmFuncProps dialog(&Main());
    dialog.Setup(window->WindowType() == TWindowType::wt3D, edit.Document().Functions, index);
    dialog.SetParameters(&edit.Document().Parameters);
    dialog.OnApply = [&edit] { edit.Preview(); };
    // Only the main window waits for the answer: the help (F1), a window of
    // its own, stays usable beside the dialog.
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

void TFunctionCommands::FuncAddExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Add function"));
    AddFunction(edit.Document(), std::string());
    const int last = edit.Document().Functions.Count() - 1;
    if (!RunPropertiesDialog(edit, last)) return edit.Cancel();
    edit.Document().FuncActive = last;
    edit.Commit();
}

void TFunctionCommands::FuncDeleteExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Delete function"));
    DeleteFunction(edit.Document(), edit.Document().FuncActive);
    edit.Commit();
}

void TFunctionCommands::FuncDrawExecute() {
    if (TfrmAbstractMDIChild* window = CurrentWindow()) window->Recalculate(TRecalc::rcAll);
}

void TFunctionCommands::FuncPropertiesExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->ActiveFunc()) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Function properties"));
    if (!RunPropertiesDialog(edit, edit.Document().FuncActive)) return;
    edit.Commit();
}

void TFunctionCommands::FuncDerivateExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    // Turning it off is always allowed (a file may have set it).
    if (FuncDerivate->isChecked() && RefuseImplicitDerivative(&Main(), *item)) {
        FuncDerivate->setChecked(false);
        return;
    }
    TDocumentEdit edit(window->Owner(), QStringLiteral("Derivative"));
    edit.ActiveFunc()->Derivative = FuncDerivate->isChecked();
    edit.Commit();
}

void TFunctionCommands::FuncAddCopyExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Duplicate function"));
    AddCopy(edit.Document());
}

bool TFunctionCommands::AddCopy(TGraphDocument& document) {
    const TFuncItem* source = document.ActiveFunc();
    if (!source) return false;
    // An empty last function is reused instead of appended: it may be the
    // source itself, and copying onto it would be a no-op that hides the
    // failure, so nothing happens then.
    const TFuncItem* last = document.Functions.Last();
    if (last->Expression.empty()) return false;
    const TFuncItem copy = *source;
    TFuncItem& added = AddFunction(document, copy.Expression);
    // Everything but the colour: a copy drawn over its source in the same
    // colour could not be told from it.
    const std::int32_t color = added.Color;
    CopyFuncParams(added, copy);
    added.Color = color;
    return true;
}

void TFunctionCommands::FuncAddDerivExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || !window->ActiveFunc() || window->WindowType() != TWindowType::wt2D) return;
    if (RefuseImplicitDerivative(&Main(), *window->ActiveFunc())) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Duplicate as derivative"));
    const std::int32_t sourceColor = edit.ActiveFunc()->Color;
    if (!AddCopy(edit.Document())) return;
    edit.ActiveFunc()->Derivative = true;
    edit.ActiveFunc()->Color = DerivativeColor(sourceColor);
    edit.Commit();
}

void TFunctionCommands::FuncVisibleExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    TDocumentEdit edit(window->Owner(),
                       item->Active ? QStringLiteral("Hide function") : QStringLiteral("Show function"));
    edit.ActiveFunc()->Active = !item->Active;
    edit.Commit();
}

void TFunctionCommands::FuncGridSetupExecute() {
    TfrmAbstractMDIChild* window = CurrentWindow();
    const bool is2D = window && window->WindowType() == TWindowType::wt2D;
    RunOptionsDialog(Main().MdiArea(), &Main(), is2D ? TOptionsPage::op2DGrid : TOptionsPage::op3D, false);
}

void TFunctionCommands::SetCoordinateSystem(TFuncType type) {
    TfrmAbstractMDIChild* window = CurrentWindow();
    const TFuncItem* item = window && window->WindowType() == TWindowType::wt2D ? window->ActiveFunc() : nullptr;
    if (!item || item->FuncType == type) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Coordinate system"));
    edit.ActiveFunc()->FuncType = type;
    edit.Commit();
}

void TFunctionCommands::btnOrthoExecute() { SetCoordinateSystem(TFuncType::ftOrtho2D); }

void TFunctionCommands::btnPolarExecute() { SetCoordinateSystem(TFuncType::ftPolar); }

}  // namespace curvane
