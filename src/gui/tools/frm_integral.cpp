// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_integral.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>
#include <optional>

#include "core/document/constant_formula.h"
#include "core/numeric/compiled_integrand.h"
#include "core/numeric/integration.h"
#include "core/support/number_format.h"
#include "gui/help/help.h"
#include "gui/widgets/formula_hint.h"

namespace curvane {

namespace {

// What the fields hold, kept for the whole run of the program so that the
// dialog reopens as it was left.
struct TIntegralSettings {
    QString Function;
    double From = 0;
    double To = 1;
    int Segments = DefaultSegments;
    bool LimitAccuracy = false;
    double Accuracy = DefaultIntegralAccuracy;
};

TIntegralSettings Integral;
QPointer<TfrmIntegral> OpenDialog;

// One segment is a pass the rules can run, but the field has always started
// at two.
constexpr int MinFieldSegments = 2;

// Stores the text of `edit` into `value` whenever it reads as a number or a
// constant formula; a text that does not (yet) read ("pi/") keeps the previous
// value.
void StoreNumber(QLineEdit* edit, double& value) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [&value](const QString& text) {
        if (const std::optional<double> number = ParseConstant(text.toStdString())) value = *number;
    });
}

QString AccuracyText(double accuracy) { return QString::fromStdString(FormatFixed(accuracy, 10, 13)); }

}  // namespace

TfrmIntegral* TfrmIntegral::Instance() { return OpenDialog; }

TfrmIntegral* TfrmIntegral::ShowInstance(QWidget* parent) {
    return ShowSingleInstance(OpenDialog, parent);
}

TfrmIntegral::TfrmIntegral(QWidget* parent) : TToolDialog(QStringLiteral("Riemann (definite) integral"), parent) {
    setObjectName(QStringLiteral("frmIntegral"));
    SetHelpTopic(this, QStringLiteral("tools.html#integral"));

    // The integral as it is written: the limits beside the sign, the upper
    // one above, then the function and "dx".
    auto* grpIntegral = new QGroupBox(QStringLiteral(" Integral "), this);
    auto* sign = new QLabel(QString(QChar(0x222B)), grpIntegral);
    QFont signFont = sign->font();
    signFont.setPointSize(signFont.pointSize() * 3);
    sign->setFont(signFont);
    edtTo = new QLineEdit(ShortText(Integral.To), grpIntegral);
    edtTo->setObjectName(QStringLiteral("edtTo"));
    edtFrom = new QLineEdit(ShortText(Integral.From), grpIntegral);
    edtFrom->setObjectName(QStringLiteral("edtFrom"));
    for (QLineEdit* limit : {edtFrom, edtTo}) limit->setMaximumWidth(80);
    cbxFunction = new QComboBox(grpIntegral);
    cbxFunction->setObjectName(QStringLiteral("cbxFunction"));
    cbxFunction->setEditable(true);
    cbxFunction->setInsertPolicy(QComboBox::NoInsert);
    cbxFunction->setMinimumWidth(220);
    cbxFunction->setEditText(Integral.Function);
    FillFunctionList(cbxFunction);
    QToolButton* SpeedButton1 = MakePickButton(cbxFunction, grpIntegral);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    auto* integralGrid = new QGridLayout(grpIntegral);
    integralGrid->addWidget(sign, 0, 0, 3, 1);
    integralGrid->addWidget(edtTo, 0, 1);
    integralGrid->addWidget(cbxFunction, 1, 2);
    integralGrid->addWidget(SpeedButton1, 1, 3);
    integralGrid->addWidget(new QLabel(QStringLiteral("dx"), grpIntegral), 1, 4);
    integralGrid->addWidget(edtFrom, 2, 1);
    integralGrid->addWidget(new TFormulaHintLabel(cbxFunction->lineEdit(), grpIntegral), 3, 1, 1, 4);
    integralGrid->setColumnStretch(2, 1);

    auto* grpResult = new QGroupBox(QStringLiteral(" Result "), this);
    edtValue = new QLineEdit(grpResult);
    edtValue->setObjectName(QStringLiteral("edtValue"));
    edtValue->setReadOnly(true);
    lblStatus = new QLabel(grpResult);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    btnCalc = new QPushButton(QStringLiteral("&Calculate"), grpResult);
    btnCalc->setObjectName(QStringLiteral("btnCalc"));
    btnCalc->setStatusTip(QStringLiteral("Calculate the integral value"));
    btnCalc->setDefault(true);
    auto* resultGrid = new QGridLayout(grpResult);
    resultGrid->addWidget(new QLabel(QStringLiteral("I="), grpResult), 0, 0);
    resultGrid->addWidget(edtValue, 0, 1);
    resultGrid->addWidget(btnCalc, 0, 2);
    resultGrid->addWidget(lblStatus, 1, 1, 1, 2);

    auto* grpMethod = new QGroupBox(QStringLiteral(" Method "), this);
    cbxMethod = new QComboBox(grpMethod);
    cbxMethod->setObjectName(QStringLiteral("cbxMethod"));
    // In the order of TIntegralMethod.
    cbxMethod->addItems({QStringLiteral("Method of rectangles"), QStringLiteral("Method of trapezoids"),
                         QStringLiteral("Method of parabolas (Simpson method)")});
    edtSegments = new QSpinBox(grpMethod);
    edtSegments->setObjectName(QStringLiteral("edtSegments"));
    edtSegments->setRange(MinFieldSegments, MaxSegments);
    edtSegments->setValue(Integral.Segments);
    cbxAccuracy = new QCheckBox(QStringLiteral("Limiting accuracy"), grpMethod);
    cbxAccuracy->setObjectName(QStringLiteral("cbxAccuracy"));
    cbxAccuracy->setChecked(Integral.LimitAccuracy);
    edtAccuracy = new QLineEdit(AccuracyText(Integral.Accuracy), grpMethod);
    edtAccuracy->setObjectName(QStringLiteral("edtAccuracy"));
    edtAccuracy->setEnabled(Integral.LimitAccuracy);
    auto* methodGrid = new QGridLayout(grpMethod);
    methodGrid->addWidget(cbxMethod, 0, 0, 1, 2);
    methodGrid->addWidget(new QLabel(QStringLiteral("Segments"), grpMethod), 1, 0);
    methodGrid->addWidget(edtSegments, 1, 1);
    methodGrid->addWidget(cbxAccuracy, 2, 0);
    methodGrid->addWidget(edtAccuracy, 2, 1);

    QPushButton* btnClose = MakeCloseButton();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grpIntegral);
    layout->addWidget(grpResult);
    layout->addWidget(grpMethod);
    layout->addLayout(buttons);

    connect(cbxFunction, &QComboBox::editTextChanged, this, [](const QString& text) { Integral.Function = text; });
    StoreNumber(edtFrom, Integral.From);
    StoreNumber(edtTo, Integral.To);
    StoreNumber(edtAccuracy, Integral.Accuracy);
    connect(edtSegments, &QSpinBox::valueChanged, this, [](int value) { Integral.Segments = value; });
    connect(cbxAccuracy, &QCheckBox::toggled, this, [this](bool on) {
        Integral.LimitAccuracy = on;
        edtAccuracy->setEnabled(on);
    });
    connect(btnCalc, &QPushButton::clicked, this, &TfrmIntegral::btnCalcClick);
}

void TfrmIntegral::btnCalcClick() {
    if (TToolRun* run = Run()) {
        run->RequestStop();
        return;
    }
    const std::optional<TCompiledFunction> f =
        CompileToolFormula(this, cbxFunction, QStringLiteral("Function must not be empty"));
    if (!f) return;
    std::optional<double> from = ReadFloatField(this, edtFrom);
    if (!from) return;
    std::optional<double> to = ReadFloatField(this, edtTo);
    if (!to) return;
    // Equal limits are offered the swap too; they then integrate to 0.
    if (*from >= *to &&
        !AskSwap(this, QStringLiteral("Integral constraints are invalid (\"a\" must be less than \"b\")"), *from, *to,
                 edtFrom, edtTo))
        return;

    TIntegralTask task;
    task.Method = static_cast<TIntegralMethod>(cbxMethod->currentIndex());
    task.From = *from;
    task.To = *to;
    task.Segments = edtSegments->value();
    task.LimitAccuracy = cbxAccuracy->isChecked();
    task.Accuracy = Integral.Accuracy;
    RunStoppable(btnCalc, [&](TToolRun& run) {
        QElapsedTimer clock;
        clock.start();
        try {
            // A stop in the first pass leaves only that pass's partial sum to
            // show; in a doubled pass, the previous complete result.
            const TIntegralResult result = Integrate(CompiledIntegrand(*f), task, run.StopRequest());
            const double seconds = static_cast<double>(clock.elapsed()) / 1000;
            QString value = QString::fromStdString(FormatFixed(result.Value, 14, 20));
            if (result.Stopped) value += QStringLiteral(" ;Stopped");
            edtValue->setText(value);
            // Hundredths of a second: more digits of a millisecond clock
            // would only show the noise of the run.
            lblStatus->setText(QStringLiteral("Elapsed: %1 s   Iterations: %2  Segments: %3")
                                   .arg(QString::number(seconds, 'f', 2))
                                   .arg(result.Iterations)
                                   .arg(result.Segments));
        } catch (const std::exception& e) {
            // A fault of the integrand (or a limit the rules refuse) ends the
            // calculation; its message takes the value's place.
            edtValue->setText(QString::fromUtf8(e.what()));
            lblStatus->clear();
        }
    });
}

}  // namespace curvane
