// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "gui/app/command_group.h"

namespace curvane {

// The commands on the current window's functions: add, edit, delete, draw,
// duplicate, derivative and visibility, the formula box's Set and Enter, and
// the (hidden) coordinate-system buttons of the function bar.
class TDocumentEdit;

class TFunctionCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TFunctionCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;
    // Checks Derivated, Visible and the coordinate system from the active
    // function.
    void ShowActiveFunction(const TFuncItem& item);
    // The offer under the function box was taken: the command that refused
    // the formula runs again and makes `names` parameters of the document,
    // all in the one undo step that stores the formula.
    void CreateOfferedParameters(const QStringList& names);

    QAction* const FuncSet;
    QAction* const FuncUpdate;
    // The function box's formula as a new function (Shift+Enter, Ctrl+Enter);
    // without a graph window, in a new 2D window.
    QAction* const FuncAddFromBox;
    QAction* const FuncAdd;
    QAction* const FuncDelete;
    QAction* const FuncDraw;
    QAction* const FuncProperties;
    QAction* const FuncDerivate;
    QAction* const FuncAddCopy;
    QAction* const FuncAddDeriv;
    QAction* const FuncVisible;
    QAction* const FuncGridSetup;
    QAction* const btnOrtho;
    QAction* const btnPolar;

private:
    void FuncSetExecute();
    void FuncUpdateExecute();
    void FuncAddFromBoxExecute();
    void FuncAddExecute();
    void FuncDeleteExecute();
    void FuncDrawExecute();
    void FuncPropertiesExecute();
    void FuncDerivateExecute();
    void FuncAddCopyExecute();
    void FuncAddDerivExecute();
    void FuncVisibleExecute();
    void FuncGridSetupExecute();
    void btnOrthoExecute();
    void btnPolarExecute();

    // Appends a copy of the active function in a colour of its own and makes
    // it active; false when there is none or the last function is empty.
    static bool AddCopy(TGraphDocument& document);
    void SetCoordinateSystem(TFuncType type);
    // A formula of `item` that does not compile is shown under the function
    // box, its token selected there; true when so refused.
    // When the only trouble is names no parameter has yet, creating them is
    // offered under the box.
    bool RefuseFormulaError(const TFuncItem& item, const TParameterList& parameters);
    // The document's parameters with the names being created added.
    TParameterList WithCreated(const TParameterList& parameters) const;
    // After a formula from the box was stored: the sign-and-power hint under
    // the box, and the box ready for the next formula.
    void FinishBoxFormula(const QString& formula, int caret);
    // Asks the properties dialog to edit function `index` of the current
    // window; true when it closed with OK.
    // The properties dialog on function index of the edit's copy; its Apply
    // button shows the copy as it stands.
    bool RunPropertiesDialog(TDocumentEdit& edit, int index);

    // Which box command refused the formula whose names are on offer.
    enum class TBoxCommand : std::uint8_t { bcUpdate, bcAddFromBox };
    TBoxCommand FBoxCommand = TBoxCommand::bcUpdate;
    // The names being made parameters while that command runs again.
    std::vector<std::string> FCreating;
};

}  // namespace curvane
