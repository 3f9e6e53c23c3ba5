// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QDialog>
#include <QPointer>

#include "core/document/func_item.h"
#include "gui/widgets/formula_snippet_menu.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QWidget;

namespace curvane {

class TColorBox;
class TFormulaHintLabel;
class TFuncItem;
class TFuncList;
class TParameterList;
class TParameterOffer;
class TRapidEvaluator;

// Edits every property of one function of a graph window. Each formula is
// compiled with the evaluator of its kind before it is stored; a failure shows
// a message, puts the focus on the faulty field and keeps the dialog open.
class TfrmFuncProps : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFuncProps(QWidget* parent = nullptr);

    // The function to edit: is3D, the window's list and the index. Loads the
    // fields. The list must outlive the dialog.
    void Setup(bool is3D, TFuncList& list, int index);
    // The document's parameters, which the formulas may use; null (the
    // default) for none. They must outlive the dialog. A formula that lacks
    // only parameters offers to create them (ParameterOffer): taking the
    // offer adds them here and applies again.
    void SetParameters(TParameterList* parameters) { FParameters = parameters; }
    TParameterOffer* ParameterOffer() const { return FOffer; }
    // The error under the formulas that came with the offer; empty when none.
    QString FormulaError() const;
    // Run by the Apply button once the fields are in the list: the caller
    // shows the list as it stands.
    std::function<void()> OnApply;

    // The menu the "Pick function" buttons open; the main window's by
    // default, a menu of the dialog's own when there is no main window.
    void SetSnippetMenu(TFormulaSnippetMenu* menu);
    TFormulaSnippetMenu* SnippetMenu() const { return FSnippetMenu; }

    // Stores the fields into the function in their fixed order. The first
    // failure shows its message and stops, with earlier fields already
    // stored. True when everything was stored.
    bool Apply();

    // The process-wide link between the first and second parameter's bounds
    // (3D), initially on and kept between openings.
    static bool LinkState();
    static void SetLinkState(bool on);

    void accept() override;

private:
    void BuildCommonPage(QWidget* page);
    void BuildBoundsPage(QWidget* page);
    void LoadFields();
    void UpdateControls();
    void CoordinatesChanged();
    void TypeChanged(int index);
    void LimitsClicked();
    void ApplyClicked();
    void PickFunction(int row);
    void StackFormulaRows();
    bool IsParametric() const;
    // The implicit kind chosen in a 2D window: traced over x and y ranges.
    bool IsImplicit2D() const;
    // The implicit kind chosen in a 3D window: meshed over x, y and z ranges.
    bool IsImplicit3D() const;
    // The kind and coordinate system the lists show.
    TFuncKind SelectedKind() const;
    TFuncType SelectedType() const;
    TRapidEvaluator& MenuEvaluator() const;

    // Failure reports; each returns false so that Apply can `return Fail...`.
    bool FailEmpty(int row);
    bool FailCompile(int row, const TRapidEvaluator& evaluator, const QString& message);
    bool FailField(QWidget* page, QWidget* focus, const QString& message);
    bool CompileRow(int row, TRapidEvaluator& evaluator, std::string& target);

    bool FIs3D = false;
    TFuncList* FList = nullptr;
    TParameterList* FParameters = nullptr;
    TParameterOffer* FOffer = nullptr;
    QLabel* lblFormulaError = nullptr;
    // Whether OK (rather than Apply) met the formula the offer is for.
    bool FOfferFromOk = false;
    // The names `text` of a row lacks, when creating them as parameters
    // would make it compile; empty otherwise.
    QStringList MissingParameters(const QString& text, TRapidEvaluator& evaluator) const;
    void CreateParameters(const QStringList& names);
    int FIndex = -1;
    bool FTypeReaction = true;
    TFuncItem* Item() const;

    QPointer<TFormulaSnippetMenu> FSnippetMenu;

    QTabWidget* FPages = nullptr;
    QWidget* tshCommon = nullptr;
    QWidget* tshBounds = nullptr;
    QComboBox* cbxType = nullptr;
    QLabel* FRowLabels[3] = {};
    QComboBox* FRowEdits[3] = {};  // edtFuncX, edtFuncY, edtFuncZ
    QToolButton* FRowPick[3] = {};
    TFormulaHintLabel* FRowHints[3] = {};  // the sign-and-power hint under each row
    TColorBox* FColor = nullptr;
    QCheckBox* cbxVisible = nullptr;
    QWidget* pnl2D = nullptr;
    QComboBox* cbxCS = nullptr;
    QSpinBox* edtWidth = nullptr;
    QCheckBox* cbxDerivative = nullptr;
    QWidget* pnl3D = nullptr;
    QComboBox* cbxCS3D = nullptr;
    QGroupBox* gbxOpacity = nullptr;
    QSlider* trkOpacity = nullptr;

    QCheckBox* cbxLimits = nullptr;
    QGroupBox* gbxLimits = nullptr;
    QLineEdit* edtFrom = nullptr;
    QLineEdit* edtTo = nullptr;
    QLineEdit* edtStep = nullptr;
    QCheckBox* cbxDeg = nullptr;
    QLabel* FLimitLabels[3] = {};
    QCheckBox* cbxLimitsY = nullptr;
    QGroupBox* gbxLimitsY = nullptr;
    QLineEdit* edtFromY = nullptr;
    QLineEdit* edtToY = nullptr;
    QLineEdit* edtStepY = nullptr;
    QCheckBox* cbxDegY = nullptr;
    QLabel* FLimitLabelsY[3] = {};
    // The z range of an implicit surface.
    QGroupBox* gbxLimitsZ = nullptr;
    QLineEdit* edtFromZ = nullptr;
    QLineEdit* edtToZ = nullptr;
    QLineEdit* edtStepZ = nullptr;
    QToolButton* btnLink = nullptr;

    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnHelp = nullptr;
};

}  // namespace curvane
