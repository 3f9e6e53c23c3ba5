// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

#include <optional>
#include <string>

#include "core/numeric/fit.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace curvane {

class TfrmAbstractMDIChild;

// Fits a formula to one data set of a 2D window: a preset model (its formula
// shown and open to editing) or the user's own, whose unknowns become the
// window's parameters. Fit shows the values with their standard errors and
// the fit's figures here and in the log window; Apply writes the values into
// the parameters and adds the model as a function when the window has no
// function of that formula, as one undo step. The window is looked up at
// each button: it may be closed while the dialog is open.
class TfrmFit : public QDialog {
    Q_OBJECT
public:
    TfrmFit(TfrmAbstractMDIChild* window, QWidget* parent = nullptr);

    // The last fit's result, if it converged and nothing was changed since.
    const std::optional<TFitResult>& Result() const { return FResult; }

private:
    void ModelChanged();
    void Forget();
    void FitClicked();
    void ApplyClicked();
    // The fit of the chosen model to the chosen data set; raises Exception.
    TFitResult RunFit(const std::string& formula) const;
    void Report(const QString& text);

    QPointer<TfrmAbstractMDIChild> FWindow;
    std::optional<TFitResult> FResult;
    std::string FFormula;  // what FResult fitted

    QComboBox* cbxDataSet;
    QComboBox* cbxModel;
    QSpinBox* edtDegree;
    QLineEdit* edtFormula;
    QPushButton* btnFit;
    QPushButton* btnApply;
    QPlainTextEdit* memResult;
};

}  // namespace curvane
