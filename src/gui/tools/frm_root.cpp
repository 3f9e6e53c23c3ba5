// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_root.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>

#include "core/document/constant_formula.h"
#include "core/numeric/roots.h"
#include "core/support/number_format.h"
#include "gui/common/exception_report.h"
#include "gui/common/shell.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"
#include "gui/widgets/formula_hint.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/paint_helpers.h"

namespace curvane {

namespace {

// What the fields held when the dialog was last open: kept while the
// program runs, never written to the settings file.
struct TRootFields {
    QString Function1;
    QString Function2;
    double From = 0;
    double To = 1;
    double Accuracy = DefaultRootAccuracy;
};
TRootFields GFields;

QPointer<TfrmRoot> GInstance;

QComboBox* MakeFunctionField(const char* name) {
    auto* field = new QComboBox;
    field->setObjectName(QString::fromLatin1(name));
    field->setEditable(true);
    // Enter computes; it does not collect the formula into the list.
    field->setInsertPolicy(QComboBox::NoInsert);
    field->setMinimumWidth(260);
    return field;
}

QLineEdit* MakeEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QGroupBox* FunctionGroup(const QString& caption, QComboBox* field) {
    auto* group = new QGroupBox(caption);
    auto* column = new QVBoxLayout(group);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    row->addWidget(new QLabel(QStringLiteral("F(x)=")));
    row->addWidget(field, 1);
    row->addWidget(MakePickButton(field, group));
    column->addWidget(new TFormulaHintLabel(field->lineEdit(), group));
    return group;
}

// A number field that stores what it holds whenever that reads as a number or
// a constant formula; other texts leave the stored value as it was.
void KeepNumber(QLineEdit* edit, double& stored) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [&stored](const QString& text) {
        if (const std::optional<double> value = ParseConstant(text.toStdString())) stored = *value;
    });
}

}  // namespace

TfrmRoot* TfrmRoot::Instance() { return GInstance.data(); }

TfrmRoot* TfrmRoot::Open(QWidget* parent) {
    return ShowSingleInstance(GInstance, parent);
}

TfrmRoot::TfrmRoot(QWidget* parent)
    : TToolDialog(QStringLiteral("Root/Intersection finder"), parent),
      cbxFunction1(MakeFunctionField("cbxFunction1")),
      cbxFunction2(MakeFunctionField("cbxFunction2")),
      edtFrom(MakeEdit("edtFrom")),
      edtTo(MakeEdit("edtTo")),
      edtAccuracy(MakeEdit("edtAccuracy")),
      cbxMethod(new QComboBox),
      edtValue(MakeEdit("edtValue")),
      btnCalc(new QPushButton(QStringLiteral("&Calculate"))),
      btnClose(MakeCloseButton()) {
    setObjectName(QStringLiteral("frmRoot"));
    SetHelpTopic(this, QStringLiteral("tools.html#root"));
    cbxMethod->setObjectName(QStringLiteral("cbxMethod"));
    cbxMethod->addItem(QStringLiteral("Chord method"));
    cbxMethod->setCurrentIndex(0);
    edtValue->setReadOnly(true);
    edtValue->setMinimumWidth(280);
    btnCalc->setObjectName(QStringLiteral("btnCalc"));
    btnCalc->setStatusTip(QStringLiteral("Calculate the root/intersection value"));
    btnCalc->setDefault(true);

    auto* interval = new QGroupBox(QStringLiteral(" Root interval "));
    {
        auto* row = new QHBoxLayout(interval);
        row->addWidget(new QLabel(QStringLiteral("From")));
        row->addWidget(edtFrom);
        row->addWidget(new QLabel(QStringLiteral("To")));
        row->addWidget(edtTo);
    }
    auto* accuracy = new QGroupBox(QStringLiteral(" Accuracy "));
    (new QHBoxLayout(accuracy))->addWidget(edtAccuracy);
    auto* method = new QGroupBox(QStringLiteral(" Method "));
    (new QHBoxLayout(method))->addWidget(cbxMethod);
    auto* result = new QGroupBox(QStringLiteral(" Result "));
    {
        auto* row = new QHBoxLayout(result);
        row->addWidget(edtValue, 1);
        row->addWidget(btnCalc);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(FunctionGroup(QStringLiteral(" Function  1 "), cbxFunction1), 0, 0, 1, 2);
    grid->addWidget(FunctionGroup(QStringLiteral(" Function  2 "), cbxFunction2), 1, 0, 1, 2);
    grid->addWidget(interval, 2, 0);
    grid->addWidget(accuracy, 2, 1);
    grid->addWidget(method, 3, 0);
    grid->addWidget(result, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    cbxFunction1->setEditText(GFields.Function1);
    cbxFunction2->setEditText(GFields.Function2);
    FillFunctionList(cbxFunction1);
    FillFunctionList(cbxFunction2);
    edtFrom->setText(ShortText(GFields.From));
    edtTo->setText(ShortText(GFields.To));
    edtAccuracy->setText(QString::fromStdString(FormatFixed(GFields.Accuracy, 10, 13)));

    // Connected after the fields are filled: filling clears the lists, and
    // that must not wipe what is remembered.
    connect(cbxFunction1, &QComboBox::editTextChanged, this, [](const QString& text) { GFields.Function1 = text; });
    connect(cbxFunction2, &QComboBox::editTextChanged, this, [](const QString& text) { GFields.Function2 = text; });
    KeepNumber(edtFrom, GFields.From);
    KeepNumber(edtTo, GFields.To);
    KeepNumber(edtAccuracy, GFields.Accuracy);
    connect(btnCalc, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnCalcClick(); }); });
}

void TfrmRoot::btnCalcClick() {
    // Each function is compiled on its own, so that an error points into the
    // field that holds it; the difference is formed from the two compiled
    // functions.
    const std::optional<TCompiledFunction> f1 =
        CompileToolFormula(this, cbxFunction1, QStringLiteral("Function 1 must not be empty"));
    if (!f1) return;
    const bool intersection = !cbxFunction2->currentText().trimmed().isEmpty();
    std::optional<TCompiledFunction> f2;
    if (intersection) {
        f2 = CompileToolFormula(this, cbxFunction2, QString());
        if (!f2) return;
    }
    std::optional<double> from = ReadFloatField(this, edtFrom);
    if (!from) return;
    std::optional<double> to = ReadFloatField(this, edtTo);
    if (!to) return;
    if (*from >= *to &&
        !AskSwap(this, QStringLiteral("Root interval invalid. \"From\" value must be lower than \"To\" value"), *from,
                 *to, edtFrom, edtTo))
        return;

    const std::string text1 = cbxFunction1->currentText().toStdString();
    try {
        double x = 0, y = 0;
        std::string report;
        if (!intersection) {
            x = FindRoot([&](double t) { return f1->Evaluate(t); }, *from, *to, GFields.Accuracy);
            edtValue->setText(QString::fromStdString(FormatFixed(x, 14, 20)));
            report = RootReport(text1, *from, *to, x);
        } else {
            const TIntersection point = FindIntersection([&](double t) { return f1->Evaluate(t); },
                                                         [&](double t) { return f2->Evaluate(t); }, *from, *to,
                                                         GFields.Accuracy);
            x = point.X;
            y = point.Y;
            edtValue->setText(QString::fromStdString(IntersectionValueText(point)));
            report = IntersectionReport(text1, cbxFunction2->currentText().toStdString(), *from, *to, point);
        }
        Report(QString::fromStdString(report));
        MarkPoint(x, y);
    } catch (const ENoRoots& e) {
        QMessageBox::information(this, QStringLiteral("Error"), QString::fromLatin1(NoRootsExplanation));
        edtValue->setText(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        // Arithmetic faults of the formula, a chord that never settles, a
        // point too far out to be marked: the message is the result.
        edtValue->setText(QString::fromUtf8(e.what()));
    }
}

void TfrmRoot::Report(const QString& line) {
    if (TShell* shell = MainShell()) shell->AddLogLine(line);
}

void TfrmRoot::MarkPoint(double x, double y) {
    auto* window = qobject_cast<TfrmChild2D_*>(CurrentGraphWindow());
    if (!window) return;
    TScope* scope = window->Scope();
    const QPoint p = scope->Indicator().WorldToScreen(x, y);
    {
        // The indicator maps to the widget's logical pixels; a painter on
        // the buffer, which has the screen's device pixel ratio, scales by
        // itself.
        QPainter painter(&scope->Buffer());
        painter.setPen(QPen(Qt::red, 1));
        painter.setBrush(Qt::NoBrush);
        const detail::TLineAlignment aligned(painter, 1);
        painter.drawEllipse(QRect(QPoint(p.x() - 4, p.y() - 4), QPoint(p.x() + 5, p.y() + 5)));
    }
    scope->update();
}

}  // namespace curvane
