// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>

#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/exception_report.h"
#include "gui/common/shell.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"

namespace curvane {

namespace {

// The rows of the model box: the presets in the order of TFitPreset, then
// the user's own formula.
const char* const ModelNames[] = {"Line",     "Polynomial", "Exponential", "Power",
                                  "Logarithm", "Logistic",   "Sine",        "Gaussian"};
constexpr int PresetCount = static_cast<int>(std::size(ModelNames));
constexpr int MaxDegree = 10;

TFitData FitDataOf(const TDataSet& set) { return TFitData{set.X, set.Y, set.DY}; }

QString Number(double value) { return QString::number(value, 'g', 10); }

constexpr int ProgressIntervalMs = 100;

}  // namespace

// Everything the worker reads: copies, none of them shared with the window.
struct TfrmFit::TJob {
    TFitData Data;
    std::string DataSetName;
    // The formula over the unknowns: what Levenberg-Marquardt fits, unless
    // the model is a linear preset solved by QR, and what the residuals are of.
    std::optional<TFitModel> Model;
    std::vector<double> Start;
    std::optional<TFitPreset> Linear;
    int Degree = 0;
};

struct TfrmFit::TOutcome {
    TFitResult Result;
    TDataSet Residuals;  // filled when the fit converged
};

TfrmFit::TfrmFit(TfrmAbstractMDIChild* window, QWidget* parent)
    : QDialog(parent),
      FWindow(window),
      cbxDataSet(new QComboBox),
      cbxModel(new QComboBox),
      edtDegree(new QSpinBox),
      edtFormula(new QLineEdit),
      chkResiduals(new QCheckBox(QStringLiteral("&Residual plot"))),
      btnFit(new QPushButton(QStringLiteral("&Fit"))),
      btnApply(new QPushButton(QStringLiteral("&Apply"))),
      memResult(new QPlainTextEdit),
      prgFit(new QProgressBar),
      lblProgress(new QLabel),
      FProgressTimer(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Fit to data"));
    SetHelpTopic(this, QStringLiteral("data.html#fit"));
    cbxDataSet->setObjectName(QStringLiteral("cbxDataSet"));
    cbxModel->setObjectName(QStringLiteral("cbxModel"));
    edtDegree->setObjectName(QStringLiteral("edtDegree"));
    edtFormula->setObjectName(QStringLiteral("edtFormula"));
    btnFit->setObjectName(QStringLiteral("btnFit"));
    btnApply->setObjectName(QStringLiteral("btnApply"));
    chkResiduals->setObjectName(QStringLiteral("chkResiduals"));
    chkResiduals->setToolTip(QStringLiteral("Apply also adds the residuals y - f(x) as a data set"));
    memResult->setObjectName(QStringLiteral("memResult"));
    memResult->setReadOnly(true);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    // A fit has no known length: the bar only says it is working, the
    // label how far it has got.
    prgFit->setRange(0, 0);
    prgFit->setTextVisible(false);
    prgFit->hide();
    for (const TDataSet& set : window->Document().DataSets) cbxDataSet->addItem(QString::fromStdString(set.Name));
    for (const char* name : ModelNames) cbxModel->addItem(QString::fromLatin1(name));
    cbxModel->addItem(QStringLiteral("Own formula"));
    edtDegree->setRange(1, MaxDegree);
    edtDegree->setValue(2);
    btnApply->setEnabled(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Data:"), cbxDataSet);
    form->addRow(QStringLiteral("&Model:"), cbxModel);
    form->addRow(QStringLiteral("D&egree:"), edtDegree);
    form->addRow(QStringLiteral("F&ormula y(x) ="), edtFormula);
    form->addRow(QString(), chkResiduals);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(btnFit, QDialogButtonBox::ActionRole);
    buttons->addButton(btnApply, QDialogButtonBox::ApplyRole);
    btnFit->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(memResult, 1);
    auto* progress = new QHBoxLayout;
    progress->addWidget(prgFit, 1);
    progress->addWidget(lblProgress);
    layout->addLayout(progress);
    layout->addWidget(buttons);

    connect(cbxModel, &QComboBox::currentIndexChanged, this, &TfrmFit::ModelChanged);
    connect(edtDegree, &QSpinBox::valueChanged, this, &TfrmFit::ModelChanged);
    connect(cbxDataSet, &QComboBox::currentIndexChanged, this, &TfrmFit::ModelChanged);
    connect(edtFormula, &QLineEdit::textEdited, this, &TfrmFit::Forget);
    connect(btnFit, &QPushButton::clicked, this, [this] { RunGuarded([this] { FitClicked(); }); });
    connect(btnApply, &QPushButton::clicked, this, [this] { RunGuarded([this] { ApplyClicked(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FProgressTimer, &QTimer::timeout, this, [this] {
        if (FIterations) lblProgress->setText(QStringLiteral("iteration %1").arg(FIterations->load()));
    });
    resize(520, 420);
    ModelChanged();
}

TfrmFit::~TfrmFit() {
    // The worker posts its outcome to this object: it must have ended before
    // the QObject goes, which then drops the posted outcome with it. A
    // stopped fit ends within a few thousand points.
    FWorker.request_stop();
    if (FWorker.joinable()) FWorker.join();
}

void TfrmFit::Forget() {
    FResult.reset();
    btnApply->setEnabled(false);
}

void TfrmFit::ModelChanged() {
    Forget();
    const int row = cbxModel->currentIndex();
    edtDegree->setEnabled(row == static_cast<int>(TFitPreset::fpPolynomial));
    const int set = cbxDataSet->currentIndex();
    // The list was filled when the dialog opened: the set may be gone.
    if (row >= PresetCount || !FWindow || set < 0 ||
        static_cast<std::size_t>(set) >= FWindow->Document().DataSets.size())
        return;
    // The guessed start needs the data; the formula does not depend on it.
    const TFitData data = FitDataOf(FWindow->Document().DataSets[static_cast<std::size_t>(set)]);
    edtFormula->setText(
        QString::fromStdString(PresetModel(static_cast<TFitPreset>(row), data, edtDegree->value()).Formula));
}

TfrmFit::TJob TfrmFit::PrepareFit(const std::string& formula) const {
    const TGraphDocument& document = FWindow->Document();
    const int set = cbxDataSet->currentIndex();
    if (set < 0 || static_cast<std::size_t>(set) >= document.DataSets.size())
        throw Exception("Choose a data set.");
    if (SharedEvaluatorsLeased()) throw Exception("A computation is running; fit again when it has ended.");
    TJob job;
    job.Data = FitDataOf(document.DataSets[static_cast<std::size_t>(set)]);
    job.DataSetName = document.DataSets[static_cast<std::size_t>(set)].Name;
    const int row = cbxModel->currentIndex();
    std::optional<TPresetModel> preset;
    if (row < PresetCount) {
        const auto which = static_cast<TFitPreset>(row);
        preset = PresetModel(which, job.Data, edtDegree->value());
        // The preset as offered is solved its own way (directly when linear,
        // from its guessed start otherwise).
        if (preset->Formula == formula) {
            job.Model = TFitModel::Make(EvalOrtho(), formula, preset->Names);
            job.Start = preset->Start;
            if (LinearPreset(which)) job.Linear = which;
            job.Degree = edtDegree->value();
            return job;
        }
    }
    std::vector<std::string> unknowns;
    {
        // Unbound, the document's parameters count among the names the
        // formula does not know: they are what is fitted.
        const TParameterBinding none{TParameterList()};
        unknowns = UnknownVariableNames(formula, EvalOrtho());
    }
    if (unknowns.empty()) throw Exception("The formula has no parameters to fit.");
    TParameterList fixed;
    for (const TParameter& parameter : document.Parameters)
        if (std::none_of(unknowns.begin(), unknowns.end(),
                         [&](const std::string& name) { return name == parameter.Name; }))
            fixed.Add(parameter);
    job.Model = TFitModel::Make(EvalOrtho(), formula, unknowns, fixed);
    // Parameters start where the document has them, names of an edited
    // preset where its guess puts them, anything else at 1.
    for (const std::string& name : unknowns) {
        double value = 1;
        if (const TParameter* parameter = document.Parameters.Find(name)) {
            value = parameter->Value;
        } else if (preset) {
            const auto it = std::find(preset->Names.begin(), preset->Names.end(), name);
            if (it != preset->Names.end()) value = preset->Start[static_cast<std::size_t>(it - preset->Names.begin())];
        }
        job.Start.push_back(value);
    }
    return job;
}

void TfrmFit::SetFitting(bool fitting) {
    FFitting = fitting;
    btnFit->setText(fitting ? QStringLiteral("Stop") : QStringLiteral("&Fit"));
    // The choices stay as they were fitted: the outcome is shown against them.
    cbxDataSet->setEnabled(!fitting);
    cbxModel->setEnabled(!fitting);
    edtFormula->setEnabled(!fitting);
    edtDegree->setEnabled(!fitting && cbxModel->currentIndex() == static_cast<int>(TFitPreset::fpPolynomial));
    prgFit->setVisible(fitting);
    lblProgress->setVisible(fitting);
    lblProgress->clear();
    if (fitting) FProgressTimer->start(ProgressIntervalMs);
    else FProgressTimer->stop();
}

void TfrmFit::FitClicked() {
    if (FFitting) {
        FWorker.request_stop();
        return;
    }
    Forget();
    if (!FWindow) return reject();
    const std::string formula = edtFormula->text().trimmed().toStdString();
    TJob job;
    try {
        job = PrepareFit(formula);
    } catch (const std::exception& e) {
        return Report(QStringLiteral("The fit failed: %1").arg(QString::fromUtf8(e.what())));
    }
    FFormula = formula;
    memResult->setPlainText(QStringLiteral("Fitting %1 points...").arg(job.Data.Count()));
    SetFitting(true);
    FIterations = std::make_shared<std::atomic<std::size_t>>(0);
    FWorker = std::jthread([this, job = std::move(job), iterations = FIterations](std::stop_token stop) {
        TOutcome outcome;
        QString error;
        try {
            if (job.Linear) {
                outcome.Result = FitPreset(*job.Linear, job.Data, job.Degree, stop);
            } else {
                TLevenbergMarquardtOptions options;
                options.Stop = stop;
                options.Progress = [&iterations](std::size_t done) { iterations->store(done); };
                outcome.Result = FitModel(*job.Model, job.Data, job.Start, options);
            }
            if (outcome.Result.Succeeded()) {
                TDataSet& residuals = outcome.Residuals;
                residuals.Name = "Residuals of " + job.DataSetName;
                residuals.Marker = TMarkerShape::msCross;  // told apart from the points at a glance
                residuals.X = job.Data.X;
                residuals.DY = job.Data.DY;
                std::vector<double> y(job.Data.Count());
                for (std::size_t i = 0; i < y.size(); ++i)
                    y[i] = job.Data.Y[i] - job.Model->Value(job.Data.X[i], outcome.Result.Values.data());
                residuals.Y = std::move(y);
            }
        } catch (const std::exception& e) {
            // Nothing may escape a thread; the message is the outcome.
            error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome), error] { RunGuarded([&] { ShowResult(outcome, error); }); },
            Qt::QueuedConnection);
    });
}

void TfrmFit::ShowResult(const TOutcome& outcome, const QString& error) {
    SetFitting(false);
    if (!error.isEmpty()) return Report(QStringLiteral("The fit failed: %1").arg(error));
    const TFitResult& result = outcome.Result;
    QStringList lines{QStringLiteral("Fit of y(x) = %1 to %2").arg(QString::fromStdString(FFormula),
                                                                  cbxDataSet->currentText())};
    for (std::size_t j = 0; j < result.Names.size(); ++j)
        lines << QStringLiteral("%1 = %2 \u00b1 %3")
                     .arg(QString::fromStdString(result.Names[j]), Number(result.Values[j]),
                          Number(result.StandardErrors[j]));
    lines << QStringLiteral("RSS = %1").arg(Number(result.RSS)) << QStringLiteral("R2 = %1").arg(Number(result.R2))
          << QStringLiteral("dof = %1").arg(result.Dof) << QStringLiteral("iterations = %1").arg(result.Iterations)
          << QStringLiteral("stopped: %1").arg(QString::fromLatin1(FitStopName(result.Stop)));
    if (result.Stop == TFitStop::fsStopped) lines << QStringLiteral("The fit was stopped; Apply stays off.");
    else if (!result.Succeeded()) lines << QStringLiteral("The fit did not converge; Apply stays off.");
    Report(lines.join('\n'));
    if (!result.Succeeded()) return;
    FResult = result;
    FResiduals = outcome.Residuals;
    btnApply->setEnabled(true);
}

void TfrmFit::ApplyClicked() {
    if (!FWindow) return reject();
    if (!FResult) return;
    // Made on a copy first: a name the list refuses changes nothing.
    TParameterList parameters = FWindow->Document().Parameters;
    try {
        for (std::size_t j = 0; j < FResult->Names.size(); ++j) {
            TParameter* parameter = parameters.Find(FResult->Names[j]);
            if (!parameter) {
                TParameter added;
                added.Name = FResult->Names[j];
                parameter = &parameters.Add(added);
            }
            parameter->Value = FResult->Values[j];
            RepairParameter(*parameter);
        }
    } catch (const std::exception& e) {
        return Report(QStringLiteral("The values could not be applied: %1").arg(QString::fromUtf8(e.what())));
    }
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Fit to data"));
    TGraphDocument& document = edit.Document();
    document.Parameters = std::move(parameters);
    bool drawn = false;
    for (int i = 0; i < document.Functions.Count(); ++i)
        if (const TFuncItem* item = document.Func(i);
            item->FuncType == TFuncType::ftOrtho2D && item->Expression == FFormula)
            drawn = true;
    if (!drawn) AddFunction(document, FFormula);
    if (chkResiduals->isChecked()) {
        // A fit again replaces the residuals of the last one rather than
        // piling up sets of the same name.
        const auto same = std::find_if(document.DataSets.begin(), document.DataSets.end(),
                                       [&](const TDataSet& set) { return set.Name == FResiduals.Name; });
        if (same != document.DataSets.end()) {
            same->X = FResiduals.X;
            same->Y = FResiduals.Y;
            same->DY = FResiduals.DY;
        } else if (document.DataSets.size() < MaxDataSetCount) {
            document.DataSets.push_back(FResiduals);
        } else {
            Report(QStringLiteral("The residuals were not added: a window holds at most %1 data sets.")
                       .arg(MaxDataSetCount));
        }
    }
    edit.Commit();
}

void TfrmFit::Report(const QString& text) {
    memResult->setPlainText(text);
    if (TShell* shell = MainShell())
        for (const QString& line : text.split('\n')) shell->AddLogLine(line);
}

}  // namespace curvane
