// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/document/data_set.h"
#include "core/numeric/fit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace curvane {

class TfrmAbstractMDIChild;

// Fits a formula to one data set of a 2D window: a preset model (its formula
// shown and open to editing) or the user's own, whose unknowns become the
// window's parameters. Fit shows the values with their standard errors and
// the fit's figures here and in the log window; Apply writes the values into
// the parameters and adds the model as a function when the window has no
// function of that formula, and with "Residual plot" checked the residuals
// y - f(x) as a data set of the same window, as one undo step.
// The fit runs on a thread of its own over copies of the points and of the
// model's commands, the Fit button reading "Stop" meanwhile: the window and
// its data may change or go while it runs, and the window is looked up at
// each button. Closing the dialog stops the fit.
class TfrmFit : public QDialog {
    Q_OBJECT
public:
    TfrmFit(TfrmAbstractMDIChild* window, QWidget* parent = nullptr);
    ~TfrmFit() override;

    // The last fit's result, if it converged and nothing was changed since.
    const std::optional<TFitResult>& Result() const { return FResult; }
    // A fit is running.
    bool Fitting() const { return FFitting; }

    struct TJob;
    struct TOutcome;

private:
    void ModelChanged();
    void Forget();
    void FitClicked();
    void ApplyClicked();
    // What the fit of the chosen model to the chosen data set needs, made
    // here where the evaluators live; raises Exception.
    TJob PrepareFit(const std::string& formula) const;
    // On the user-interface thread once the worker is done; `error` is the
    // message of a fit that raised.
    void ShowResult(const TOutcome& outcome, const QString& error);
    void SetFitting(bool fitting);
    void Report(const QString& text);

    QPointer<TfrmAbstractMDIChild> FWindow;
    std::optional<TFitResult> FResult;
    std::string FFormula;  // what FResult fitted
    TDataSet FResiduals;  // y - f(x) of FResult at the points it fitted
    std::shared_ptr<std::atomic<std::size_t>> FIterations;  // the running fit's, written by the worker
    std::jthread FWorker;  // the fit running or last run; stopped and joined on destruction
    bool FFitting = false;

    QComboBox* cbxDataSet;
    QComboBox* cbxModel;
    QSpinBox* edtDegree;
    QLineEdit* edtFormula;
    QCheckBox* chkResiduals;
    QPushButton* btnFit;
    QPushButton* btnApply;
    QPlainTextEdit* memResult;
    QProgressBar* prgFit;
    QLabel* lblProgress;
    QTimer* FProgressTimer;
};

}  // namespace curvane
