// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_fit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
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

}  // namespace

TfrmFit::TfrmFit(TfrmAbstractMDIChild* window, QWidget* parent)
    : QDialog(parent),
      FWindow(window),
      cbxDataSet(new QComboBox),
      cbxModel(new QComboBox),
      edtDegree(new QSpinBox),
      edtFormula(new QLineEdit),
      btnFit(new QPushButton(QStringLiteral("&Fit"))),
      btnApply(new QPushButton(QStringLiteral("&Apply"))),
      memResult(new QPlainTextEdit) {
    setWindowTitle(QStringLiteral("Fit to data"));
    SetHelpTopic(this, QStringLiteral("data.html#fit"));
    cbxDataSet->setObjectName(QStringLiteral("cbxDataSet"));
    cbxModel->setObjectName(QStringLiteral("cbxModel"));
    edtDegree->setObjectName(QStringLiteral("edtDegree"));
    edtFormula->setObjectName(QStringLiteral("edtFormula"));
    btnFit->setObjectName(QStringLiteral("btnFit"));
    btnApply->setObjectName(QStringLiteral("btnApply"));
    memResult->setObjectName(QStringLiteral("memResult"));
    memResult->setReadOnly(true);
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(btnFit, QDialogButtonBox::ActionRole);
    buttons->addButton(btnApply, QDialogButtonBox::ApplyRole);
    btnFit->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(memResult, 1);
    layout->addWidget(buttons);

    connect(cbxModel, &QComboBox::currentIndexChanged, this, &TfrmFit::ModelChanged);
    connect(edtDegree, &QSpinBox::valueChanged, this, &TfrmFit::ModelChanged);
    connect(cbxDataSet, &QComboBox::currentIndexChanged, this, &TfrmFit::ModelChanged);
    connect(edtFormula, &QLineEdit::textEdited, this, &TfrmFit::Forget);
    connect(btnFit, &QPushButton::clicked, this, &TfrmFit::FitClicked);
    connect(btnApply, &QPushButton::clicked, this, &TfrmFit::ApplyClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 420);
    ModelChanged();
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
    if (row >= PresetCount || !FWindow || set < 0) return;
    // The guessed start needs the data; the formula does not depend on it.
    const TFitData data = FitDataOf(FWindow->Document().DataSets.at(static_cast<std::size_t>(set)));
    edtFormula->setText(
        QString::fromStdString(PresetModel(static_cast<TFitPreset>(row), data, edtDegree->value()).Formula));
}

TFitResult TfrmFit::RunFit(const std::string& formula) const {
    const TGraphDocument& document = FWindow->Document();
    const int set = cbxDataSet->currentIndex();
    if (set < 0 || static_cast<std::size_t>(set) >= document.DataSets.size())
        throw Exception("Choose a data set.");
    const TFitData data = FitDataOf(document.DataSets[static_cast<std::size_t>(set)]);
    const int row = cbxModel->currentIndex();
    std::optional<TPresetModel> preset;
    if (row < PresetCount) {
        preset = PresetModel(static_cast<TFitPreset>(row), data, edtDegree->value());
        // The preset as offered is solved its own way (directly when linear,
        // from its guessed start otherwise).
        if (preset->Formula == formula) return FitPreset(static_cast<TFitPreset>(row), data, edtDegree->value());
    }
    if (SharedEvaluatorsLeased()) throw Exception("A computation is running; fit again when it has ended.");
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
    const TFitModel model = TFitModel::Make(EvalOrtho(), formula, unknowns, fixed);
    // Parameters start where the document has them, names of an edited
    // preset where its guess puts them, anything else at 1.
    std::vector<double> start;
    for (const std::string& name : unknowns) {
        double value = 1;
        if (const TParameter* parameter = document.Parameters.Find(name)) {
            value = parameter->Value;
        } else if (preset) {
            const auto it = std::find(preset->Names.begin(), preset->Names.end(), name);
            if (it != preset->Names.end()) value = preset->Start[static_cast<std::size_t>(it - preset->Names.begin())];
        }
        start.push_back(value);
    }
    return FitModel(model, data, start);
}

void TfrmFit::FitClicked() {
    Forget();
    if (!FWindow) return reject();
    const std::string formula = edtFormula->text().trimmed().toStdString();
    TFitResult result;
    try {
        result = RunFit(formula);
    } catch (const std::exception& e) {
        return Report(QStringLiteral("The fit failed: %1").arg(QString::fromUtf8(e.what())));
    }
    QStringList lines{QStringLiteral("Fit of y(x) = %1 to %2").arg(QString::fromStdString(formula),
                                                                  cbxDataSet->currentText())};
    for (std::size_t j = 0; j < result.Names.size(); ++j)
        lines << QStringLiteral("%1 = %2 \u00b1 %3")
                     .arg(QString::fromStdString(result.Names[j]), Number(result.Values[j]),
                          Number(result.StandardErrors[j]));
    lines << QStringLiteral("RSS = %1").arg(Number(result.RSS)) << QStringLiteral("R2 = %1").arg(Number(result.R2))
          << QStringLiteral("dof = %1").arg(result.Dof) << QStringLiteral("iterations = %1").arg(result.Iterations)
          << QStringLiteral("stopped: %1").arg(QString::fromLatin1(FitStopName(result.Stop)));
    if (!result.Succeeded()) lines << QStringLiteral("The fit did not converge; Apply stays off.");
    Report(lines.join('\n'));
    if (!result.Succeeded()) return;
    FResult = std::move(result);
    FFormula = formula;
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
    edit.Commit();
}

void TfrmFit::Report(const QString& text) {
    memResult->setPlainText(text);
    if (TShell* shell = MainShell())
        for (const QString& line : text.split('\n')) shell->AddLogLine(line);
}

}  // namespace curvane
