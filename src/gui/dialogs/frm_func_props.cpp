// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_func_props.h"

#include "core/document/func_item.h"
#include "core/document/constant_formula.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/checked.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/tools/tool_dialog.h"
#include "gui/widgets/formula_hint.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/parameter_offer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace curvane {

namespace {

bool gLinkState = true;

enum TRow { rowX = 0, rowY = 1, rowZ = 2 };

QString Text(const std::string& s) { return QString::fromStdString(s); }

// A limit or step field: a number or a constant formula ("pi/2"). The field
// shows 15 digits of the stored value; a text left as shown keeps that value
// to the last bit, so that OK on an untouched page changes nothing.
std::optional<double> ReadLimit(const QLineEdit* edit, double stored) {
    const std::string text = edit->text().toStdString();
    if (text == FormatGeneral(stored)) return stored;
    return ParseConstant(text);
}

// Opens the snippet menu on a right click into a formula row and makes that
// row the menu's target.
class TRowMenuFilter : public QObject {
public:
    TRowMenuFilter(QObject* parent, std::function<void(const QPoint&)> show)
        : QObject(parent), FShow(std::move(show)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu) return false;
        FShow(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }

private:
    std::function<void(const QPoint&)> FShow;
};

}  // namespace

bool TfrmFuncProps::LinkState() { return gLinkState; }
void TfrmFuncProps::SetLinkState(bool on) { gLinkState = on; }

TfrmFuncProps::TfrmFuncProps(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFuncProps"));
    SetHelpTopic(this, QStringLiteral("functions.html#properties"));

    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("pgcProps"));
    tshCommon = new QWidget;
    tshCommon->setObjectName(QStringLiteral("tshCommon"));
    tshBounds = new QWidget;
    tshBounds->setObjectName(QStringLiteral("tshBounds"));
    FPages->addTab(tshCommon, QStringLiteral("Common"));
    FPages->addTab(tshBounds, QStringLiteral("Plotting bounds"));
    BuildCommonPage(tshCommon);
    BuildBoundsPage(tshBounds);

    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnApply = new QPushButton(QStringLiteral("&Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {btnOk, btnCancel, btnApply, btnHelp}) buttons->addWidget(b);

    // A formula that lacks only parameters is answered here, beside the
    // formula, instead of by a box to dismiss.
    lblFormulaError = new QLabel(this);
    lblFormulaError->setObjectName(QStringLiteral("lblFormulaError"));
    QPalette red = lblFormulaError->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblFormulaError->setPalette(red);
    lblFormulaError->hide();
    FOffer = new TParameterOffer(this);
    connect(FOffer, &TParameterOffer::Accepted, this, [this](const QStringList& names) {
        RunGuarded([this, names] { CreateParameters(names); });
    });
    connect(FOffer, &TParameterOffer::Accepted, lblFormulaError, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(lblFormulaError);
    layout->addWidget(FOffer);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, &TfrmFuncProps::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmFuncProps::reject);
    connect(btnApply, &QPushButton::clicked, this, [this] { RunGuarded([this] { ApplyClicked(); }); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { ShowHelpTopic(HelpTopicAt(this)); });
    connect(FPages, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0) UpdateControls();
    });

    FSnippetMenu = TGraphHub::Instance().SnippetMenu();
    if (!FSnippetMenu) FSnippetMenu = new TFormulaSnippetMenu(this);
}

void TfrmFuncProps::BuildCommonPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* typeRow = new QFormLayout;
    cbxType = new QComboBox;
    cbxType->setObjectName(QStringLiteral("cbxType"));
    typeRow->addRow(QStringLiteral("Type"), cbxType);
    layout->addLayout(typeRow);

    // Hidden rows take no room in a grid, so the visible ones stack from the
    // top in the order X, Y, Z.
    auto* rows = new QGridLayout;
    const char* names[3] = {"edtFuncX", "edtFuncY", "edtFuncZ"};
    for (int row = 0; row < 3; ++row) {
        FRowLabels[row] = new QLabel;
        FRowEdits[row] = new QComboBox;
        FRowEdits[row]->setObjectName(QString::fromLatin1(names[row]));
        FRowEdits[row]->setEditable(true);
        FRowEdits[row]->setInsertPolicy(QComboBox::NoInsert);
        FRowEdits[row]->setMinimumWidth(260);
        FRowEdits[row]->setFont(QFont(QStringLiteral("Courier New"), 10));
        FRowLabels[row]->setBuddy(FRowEdits[row]);
        FRowPick[row] = new QToolButton;
        FRowPick[row]->setText(QStringLiteral("..."));
        FRowPick[row]->setToolTip(QStringLiteral("Pick function"));
        FRowPick[row]->setProperty("tag", row + 1);
        connect(FRowPick[row], &QToolButton::clicked, this, [this, row] { PickFunction(row); });
        FRowEdits[row]->lineEdit()->installEventFilter(new TRowMenuFilter(this, [this, row](const QPoint& at) {
            if (!FSnippetMenu) return;
            FSnippetMenu->SetTarget(FRowEdits[row]->lineEdit());
            FSnippetMenu->popup(at);
        }));
        FRowHints[row] = new TFormulaHintLabel(FRowEdits[row]->lineEdit(), page);
        rows->addWidget(FRowLabels[row], 2 * row, 0);
        rows->addWidget(FRowEdits[row], 2 * row, 1);
        rows->addWidget(FRowPick[row], 2 * row, 2);
        rows->addWidget(FRowHints[row], 2 * row + 1, 1, 1, 2);
    }
    rows->setColumnStretch(1, 1);
    layout->addLayout(rows);

    auto* look = new QHBoxLayout;
    look->addWidget(new QLabel(QStringLiteral("Graphic color")));
    FColor = new TColorBox;
    FColor->setObjectName(QStringLiteral("Color"));
    look->addWidget(FColor);
    cbxVisible = new QCheckBox(QStringLiteral("Visible"));
    cbxVisible->setObjectName(QStringLiteral("cbxVisible"));
    look->addWidget(cbxVisible);
    look->addStretch();
    layout->addLayout(look);

    pnl2D = new QWidget;
    pnl2D->setObjectName(QStringLiteral("pnl2D"));
    auto* form2D = new QFormLayout(pnl2D);
    form2D->setContentsMargins(0, 0, 0, 0);
    cbxCS = new QComboBox;
    cbxCS->setObjectName(QStringLiteral("cbxCS"));
    cbxCS->addItems({QStringLiteral("Orthogonal (Cartesian)"), QStringLiteral("Polar")});
    form2D->addRow(QStringLiteral("Coordinates"), cbxCS);
    edtWidth = new QSpinBox;
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtWidth->setRange(1, 10);
    edtWidth->setSuffix(QStringLiteral(" pixel(s)"));
    form2D->addRow(QStringLiteral("Graphic width"), edtWidth);
    cbxDerivative = new QCheckBox(QStringLiteral("As derivative"));
    cbxDerivative->setObjectName(QStringLiteral("cbxDerivative"));
    form2D->addRow(QString(), cbxDerivative);
    layout->addWidget(pnl2D);

    pnl3D = new QWidget;
    pnl3D->setObjectName(QStringLiteral("pnl3D"));
    auto* box3D = new QVBoxLayout(pnl3D);
    box3D->setContentsMargins(0, 0, 0, 0);
    auto* form3D = new QFormLayout;
    cbxCS3D = new QComboBox;
    cbxCS3D->setObjectName(QStringLiteral("cbxCS3D"));
    cbxCS3D->addItems(
        {QStringLiteral("Orthogonal (Cartesian)"), QStringLiteral("Spherical"), QStringLiteral("Cylindrical")});
    form3D->addRow(QStringLiteral("Coordinates"), cbxCS3D);
    box3D->addLayout(form3D);
    gbxOpacity = new QGroupBox(QStringLiteral(" Opacity "));
    gbxOpacity->setObjectName(QStringLiteral("gbxOpacity"));
    auto* opacity = new QGridLayout(gbxOpacity);
    trkOpacity = new QSlider(Qt::Horizontal);
    trkOpacity->setObjectName(QStringLiteral("trkOpacity"));
    trkOpacity->setRange(0, 100);
    trkOpacity->setTickInterval(10);
    trkOpacity->setTickPosition(QSlider::TicksBelow);
    trkOpacity->setPageStep(25);
    opacity->addWidget(trkOpacity, 0, 0, 1, 2);
    opacity->addWidget(new QLabel(QStringLiteral("Transparent")), 1, 0, Qt::AlignLeft);
    opacity->addWidget(new QLabel(QStringLiteral("Opaque")), 1, 1, Qt::AlignRight);
    box3D->addWidget(gbxOpacity);
    layout->addWidget(pnl3D);
    layout->addStretch();

    connect(cbxType, &QComboBox::currentIndexChanged, this, &TfrmFuncProps::TypeChanged);
    connect(cbxCS, &QComboBox::currentIndexChanged, this, &TfrmFuncProps::CoordinatesChanged);
    connect(cbxCS3D, &QComboBox::currentIndexChanged, this, &TfrmFuncProps::CoordinatesChanged);
}

void TfrmFuncProps::BuildBoundsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    const auto buildBox = [](QCheckBox*& check, QGroupBox*& box, QLineEdit*& from, QLineEdit*& to,
                             QLineEdit*& step, QCheckBox*& degrees, QLabel* (&labels)[3], const QString& suffix) {
        check = new QCheckBox;
        check->setObjectName(QStringLiteral("cbxLimits") + suffix);
        box = new QGroupBox;
        box->setObjectName(QStringLiteral("gbxLimits") + suffix);
        auto* grid = new QGridLayout(box);
        from = new QLineEdit;
        to = new QLineEdit;
        step = new QLineEdit;
        from->setObjectName(QStringLiteral("edtFrom") + suffix);
        to->setObjectName(QStringLiteral("edtTo") + suffix);
        step->setObjectName(QStringLiteral("edtStep") + suffix);
        const char* captions[3] = {"Minimum", "Maximum", "Increment"};
        QLineEdit* edits[3] = {from, to, step};
        for (int i = 0; i < 3; ++i) {
            labels[i] = new QLabel(QString::fromLatin1(captions[i]));
            labels[i]->setBuddy(edits[i]);
            grid->addWidget(labels[i], i, 0);
            grid->addWidget(edits[i], i, 1);
        }
        degrees = new QCheckBox(QStringLiteral("In degrees"));
        degrees->setObjectName(QStringLiteral("cbxDeg") + suffix);
        grid->addWidget(degrees, 3, 1);
    };
    buildBox(cbxLimits, gbxLimits, edtFrom, edtTo, edtStep, cbxDeg, FLimitLabels, QString());
    buildBox(cbxLimitsY, gbxLimitsY, edtFromY, edtToY, edtStepY, cbxDegY, FLimitLabelsY, QStringLiteral("Y"));

    btnLink = new QToolButton;
    btnLink->setObjectName(QStringLiteral("btnLink"));
    btnLink->setCheckable(true);
    btnLink->setText(QStringLiteral("Link"));
    btnLink->setToolTip(QStringLiteral("Link"));
    btnLink->setStatusTip(QStringLiteral("Link X with Y"));

    auto* first = new QVBoxLayout;
    first->addWidget(cbxLimits);
    first->addWidget(gbxLimits);
    auto* second = new QVBoxLayout;
    second->addWidget(cbxLimitsY);
    second->addWidget(gbxLimitsY);
    auto* both = new QHBoxLayout;
    both->addLayout(first);
    both->addWidget(btnLink, 0, Qt::AlignVCenter);
    both->addLayout(second);
    layout->addLayout(both);

    gbxLimitsZ = new QGroupBox(QStringLiteral("Z Limits"));
    gbxLimitsZ->setObjectName(QStringLiteral("gbxLimitsZ"));
    auto* zGrid = new QGridLayout(gbxLimitsZ);
    const char* zCaptions[3] = {"Minimum", "Maximum", "Increment"};
    QLineEdit** zEdits[3] = {&edtFromZ, &edtToZ, &edtStepZ};
    const char* zNames[3] = {"edtFromZ", "edtToZ", "edtStepZ"};
    for (int i = 0; i < 3; ++i) {
        *zEdits[i] = new QLineEdit;
        (*zEdits[i])->setObjectName(QString::fromLatin1(zNames[i]));
        auto* label = new QLabel(QString::fromLatin1(zCaptions[i]));
        label->setBuddy(*zEdits[i]);
        zGrid->addWidget(label, i, 0);
        zGrid->addWidget(*zEdits[i], i, 1);
    }
    layout->addWidget(gbxLimitsZ);
    layout->addStretch();

    connect(cbxLimits, &QCheckBox::clicked, this, &TfrmFuncProps::LimitsClicked);
    connect(cbxLimitsY, &QCheckBox::clicked, this, &TfrmFuncProps::LimitsClicked);
    connect(btnLink, &QToolButton::toggled, this, [](bool on) { gLinkState = on; });
    // The link copies what the user types into the first box over to the
    // second one, field by field.
    const std::pair<QLineEdit*, QLineEdit*> linked[3] = {{edtFrom, edtFromY}, {edtTo, edtToY}, {edtStep, edtStepY}};
    for (const auto& [source, target] : linked) {
        QLineEdit* to = target;
        connect(source, &QLineEdit::textEdited, this, [to](const QString& text) {
            if (gLinkState) to->setText(text);
        });
    }
    connect(cbxDeg, &QCheckBox::clicked, this, [this](bool on) {
        if (gLinkState) cbxDegY->setChecked(on);
    });
}

TFuncItem* TfrmFuncProps::Item() const { return FList ? FList->Items(FIndex) : nullptr; }

void TfrmFuncProps::SetSnippetMenu(TFormulaSnippetMenu* menu) { FSnippetMenu = menu; }

void TfrmFuncProps::Setup(bool is3D, TFuncList& list, int index) {
    FIs3D = is3D;
    FList = &list;
    FIndex = index;
    FPages->setCurrentIndex(0);
    if (cbxCS3D->currentIndex() < 0) cbxCS3D->setCurrentIndex(0);
    if (is3D) {
        setWindowTitle(QStringLiteral("3D function property"));
        pnl2D->setVisible(false);
    } else {
        setWindowTitle(QStringLiteral("2D function property"));
        btnLink->setVisible(false);
        cbxLimitsY->setVisible(false);
        gbxLimitsY->setVisible(false);
        gbxOpacity->setVisible(false);
        pnl3D->setVisible(false);
    }
    LoadFields();
    UpdateControls();
}

void TfrmFuncProps::LoadFields() {
    const TFuncItem* item = Item();
    if (!item) return;
    FTypeReaction = false;
    // The coordinate list first: it refills the type list.
    (FIs3D ? cbxCS3D : cbxCS)->setCurrentIndex(ListIndexOfFuncType(FIs3D, item->FuncType));
    CoordinatesChanged();
    FTypeReaction = false;
    cbxType->setCurrentIndex(ListIndexOfFuncKind(item->FuncKind));
    FTypeReaction = true;

    if (FIs3D) {
        FRowEdits[rowX]->setEditText(Text(item->Expression1));
        FRowEdits[rowY]->setEditText(Text(item->Expression2));
        FRowEdits[rowZ]->setEditText(Text(item->Expression));
    } else {
        FRowEdits[rowX]->setEditText(Text(item->Expression1));
        FRowEdits[rowY]->setEditText(Text(item->Expression));
        edtWidth->setValue(std::clamp(item->Width, 1, 10));
        cbxDerivative->setChecked(item->Derivative);
    }
    FColor->SetColor(item->Color);
    cbxVisible->setChecked(item->Active);
    cbxLimits->setChecked(FIs3D || item->ManualLimits);
    edtFrom->setText(Text(FormatGeneral(item->From)));
    edtTo->setText(Text(FormatGeneral(item->To)));
    edtStep->setText(Text(FormatGeneral(item->Step)));
    cbxDeg->setChecked(item->ConvToDeg);
    // 2D implicit functions take their y range from the second box.
    edtFromY->setText(Text(FormatGeneral(item->FromY)));
    edtToY->setText(Text(FormatGeneral(item->ToY)));
    if (FIs3D) {
        cbxLimitsY->setChecked(true);
        edtStepY->setText(Text(FormatGeneral(item->StepY)));
        cbxDegY->setChecked(item->ConvToDegY);
        // A document may hold any number here; the bar shows what fits.
        const double opacity = std::isfinite(item->Opacity) ? std::clamp(item->Opacity, 0.0, 1.0) : 1.0;
        trkOpacity->setValue(RoundChecked(opacity * 100));
        edtFromZ->setText(Text(FormatGeneral(item->FromZ)));
        edtToZ->setText(Text(FormatGeneral(item->ToZ)));
        edtStepZ->setText(Text(FormatGeneral(item->StepZ)));
    }
}

bool TfrmFuncProps::IsParametric() const {
    return SelectedKind() == TFuncKind::fkParametric;
}

bool TfrmFuncProps::IsImplicit2D() const {
    return !FIs3D && SelectedKind() == TFuncKind::fkImplicit;
}

bool TfrmFuncProps::IsImplicit3D() const {
    return FIs3D && SelectedKind() == TFuncKind::fkImplicit;
}

void TfrmFuncProps::UpdateControls() {
    const auto enable = [](QWidget* w, bool on) {
        w->setEnabled(on);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, edit->style()->standardPalette().color(on ? QPalette::Base
                                                                                          : QPalette::Button));
            edit->setPalette(palette);
        }
    };
    const bool first = cbxLimits->isChecked();
    enable(gbxLimits, first);
    for (QWidget* w : {static_cast<QWidget*>(edtFrom), static_cast<QWidget*>(edtTo), static_cast<QWidget*>(edtStep),
                       static_cast<QWidget*>(cbxDeg)})
        enable(w, first);
    for (QLabel* label : FLimitLabels) enable(label, first);

    CoordinatesChanged();

    // An implicit curve is traced over an x and a y range, both governed by
    // the one check box; it has no step, no degrees and no derivative.
    const bool implicit = IsImplicit2D();
    for (QWidget* w : {static_cast<QWidget*>(FLimitLabels[2]), static_cast<QWidget*>(edtStep),
                       static_cast<QWidget*>(cbxDeg), static_cast<QWidget*>(FLimitLabelsY[2]),
                       static_cast<QWidget*>(edtStepY), static_cast<QWidget*>(cbxDegY)})
        w->setVisible(!implicit);
    if (!FIs3D) {
        gbxLimitsY->setVisible(implicit);
        // The second box has no check box of its own; its empty place keeps
        // both boxes level.
        QSizePolicy policy = cbxLimitsY->sizePolicy();
        policy.setRetainSizeWhenHidden(implicit);
        cbxLimitsY->setSizePolicy(policy);
        for (QWidget* w : {static_cast<QWidget*>(gbxLimitsY), static_cast<QWidget*>(edtFromY),
                           static_cast<QWidget*>(edtToY), static_cast<QWidget*>(FLimitLabelsY[0]),
                           static_cast<QWidget*>(FLimitLabelsY[1])})
            enable(w, first);
        gbxLimits->setTitle(implicit ? QStringLiteral("X") : QString());
        gbxLimitsY->setTitle(implicit ? QStringLiteral("Y") : QString());
        cbxDerivative->setEnabled(!implicit);
    }

    if (FIs3D) {
        const bool second = cbxLimitsY->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(gbxLimitsY), static_cast<QWidget*>(edtFromY),
                           static_cast<QWidget*>(edtToY), static_cast<QWidget*>(edtStepY),
                           static_cast<QWidget*>(cbxDegY)})
            enable(w, second);
        for (QLabel* label : FLimitLabelsY) enable(label, second);
        const bool showSecond = !IsParametric();
        btnLink->setVisible(showSecond);
        cbxLimitsY->setVisible(showSecond);
        gbxLimitsY->setVisible(showSecond);
        const QSignalBlocker block(btnLink);
        btnLink->setChecked(gLinkState);
    }
    // A surface F(x,y,z) = 0 is meshed in Cartesian units only.
    gbxLimitsZ->setVisible(IsImplicit3D());
    if (IsImplicit3D()) {
        cbxDeg->setVisible(false);
        cbxDegY->setVisible(false);
    }
    StackFormulaRows();
}

void TfrmFuncProps::StackFormulaRows() {
    const bool parametric = IsParametric();
    const bool shown[3] = {parametric, parametric || !FIs3D, FIs3D};
    for (int row = 0; row < 3; ++row) {
        FRowLabels[row]->setVisible(shown[row]);
        FRowEdits[row]->setVisible(shown[row]);
        FRowPick[row]->setVisible(shown[row]);
        FRowHints[row]->SetFieldShown(shown[row]);
    }
}

TFuncKind TfrmFuncProps::SelectedKind() const { return FuncKindOfListIndex(cbxType->currentIndex()); }

TFuncType TfrmFuncProps::SelectedType() const {
    return FuncTypeOfListIndex(FIs3D, (FIs3D ? cbxCS3D : cbxCS)->currentIndex());
}

// The menu offers the variables of the first text the user edits: X(t) or
// A(t) for parametric kinds (T and U), else the one formula.
TRapidEvaluator& TfrmFuncProps::MenuEvaluator() const {
    const TFormulaSlot slot = IsParametric() ? TFormulaSlot::fsExpression1 : TFormulaSlot::fsExpression;
    return *SharedEvaluatorFor(SelectedKind(), SelectedType(), slot);
}

void TfrmFuncProps::CoordinatesChanged() {
    const TFuncType type = SelectedType();
    const QString letters[3] = {Text(FirstAxisLetter(type)), Text(SecondAxisLetter(type)), Text(ThirdAxisLetter(type))};
    for (int row = 0; row < 3; ++row) FRowLabels[row]->setText(letters[row] + QStringLiteral(" = "));

    // Refilling the type list must not look like the user choosing a type.
    const bool reaction = FTypeReaction;
    FTypeReaction = false;
    const int kind = std::max(0, cbxType->currentIndex());
    cbxType->clear();
    for (int k = 0; k < 3; ++k) cbxType->addItem(Text(FuncKindName(FuncKindOfListIndex(k), type)));
    cbxType->setCurrentIndex(kind);
    FTypeReaction = reaction;

    if (IsImplicit3D()) FRowLabels[rowZ]->setText(QStringLiteral("F = "));
    if (IsImplicit2D()) {
        FRowLabels[rowY]->setText(QStringLiteral("F = "));
        cbxLimits->setText(QStringLiteral("Limits"));
    } else {
        cbxLimits->setText(IsParametric() ? QStringLiteral("t Limits") : letters[0] + QStringLiteral(" Limits"));
    }
    if (!IsParametric()) cbxLimitsY->setText(letters[1] + QStringLiteral(" Limits"));
    if (FSnippetMenu) FSnippetMenu->Rebuild(MenuEvaluator());
}

void TfrmFuncProps::TypeChanged(int) {
    if (!FTypeReaction) return;
    UpdateControls();
}

void TfrmFuncProps::LimitsClicked() {
    // 3D graphs always sample over the given ranges.
    if (FIs3D) {
        cbxLimits->setChecked(true);
        cbxLimitsY->setChecked(true);
    }
    UpdateControls();
}

void TfrmFuncProps::PickFunction(int row) {
    if (!FSnippetMenu) return;
    FSnippetMenu->SetTarget(FRowEdits[row]->lineEdit());
    FSnippetMenu->popup(FRowPick[row]->mapToGlobal(FRowPick[row]->rect().bottomLeft()));
}

// ---------------------------------------------------------------------------
// Applying

bool TfrmFuncProps::FailField(QWidget* page, QWidget* focus, const QString& message) {
    FPages->setCurrentWidget(page);
    focus->setFocus(Qt::OtherFocusReason);
    QMessageBox::critical(this, ApplicationTitle(), message);
    return false;
}

bool TfrmFuncProps::FailEmpty(int row) {
    return FailField(tshCommon, FRowEdits[row], QStringLiteral("Function must not be empty"));
}

bool TfrmFuncProps::FailCompile(int row, const TRapidEvaluator& evaluator, const QString& message) {
    FPages->setCurrentWidget(tshCommon);
    QLineEdit* edit = FRowEdits[row]->lineEdit();
    edit->setFocus(Qt::OtherFocusReason);
    SelectFormulaToken(edit, evaluator);
    if (!FOffer->Names().isEmpty()) {
        lblFormulaError->setText(QStringLiteral("Error : %1").arg(message));
        lblFormulaError->show();
        return false;
    }
    QMessageBox::critical(this, ApplicationTitle(), QStringLiteral("Error : %1").arg(message));
    // The message box took the focus; give the selection back to the user.
    edit->setFocus(Qt::OtherFocusReason);
    SelectFormulaToken(edit, evaluator);
    return false;
}

bool TfrmFuncProps::CompileRow(int row, TRapidEvaluator& evaluator, std::string& target) {
    const QString text = FRowEdits[row]->currentText();
    if (text.trimmed().isEmpty()) return FailEmpty(row);
    const std::string formula = text.toStdString();
    try {
        evaluator.SetFormula(formula);
        evaluator.Compile();
    } catch (const ESyntaxError& e) {
        const QString message = QString::fromUtf8(e.what());
        // The offer is worked out before the message is shown, and the
        // evaluator compiled again to stop at the faulty token once more.
        FOffer->Offer(MissingParameters(text, evaluator));
        try {
            evaluator.Compile();
        } catch (const ESyntaxError&) {
        }
        return FailCompile(row, evaluator, message);
    }
    target = formula;
    return true;
}

QString TfrmFuncProps::FormulaError() const { return lblFormulaError->isHidden() ? QString() : lblFormulaError->text(); }

QStringList TfrmFuncProps::MissingParameters(const QString& text, TRapidEvaluator& evaluator) const {
    if (!FParameters) return {};
    const std::vector<std::string> missing = UnknownVariableNames(text.toStdString(), evaluator);
    if (missing.empty()) return {};
    TParameterList trial = *FParameters;
    QStringList names;
    for (const std::string& name : missing) {
        TParameter parameter;
        parameter.Name = name;
        trial.Add(parameter);
        names << QString::fromStdString(name);
    }
    const TParameterBinding bound(trial);
    try {
        evaluator.SetFormula(text.toStdString());
        evaluator.Compile();
    } catch (const ESyntaxError&) {
        return {};
    }
    return names;
}

void TfrmFuncProps::CreateParameters(const QStringList& names) {
    if (!FParameters) return;
    for (const QString& name : names) {
        if (CheckParameterName(name.toStdString(), *FParameters)) continue;
        TParameter parameter;
        parameter.Name = name.toStdString();
        FParameters->Add(parameter);
    }
    if (FOfferFromOk)
        accept();
    else
        ApplyClicked();
}

bool TfrmFuncProps::Apply() {
    FOffer->Offer({});
    lblFormulaError->hide();
    TFuncItem* item = Item();
    if (!item) return false;
    if (IsImplicit2D() && SelectedType() != TFuncType::ftOrtho2D)
        return FailField(tshCommon, cbxCS,
                         QStringLiteral("Implicit functions F(x,y)=0 need Cartesian coordinates: a polar "
                                        "function knows the angle A only."));
    if (IsImplicit3D() && SelectedType() != TFuncType::ftOrtho3D)
        return FailField(tshCommon, cbxCS3D,
                         QStringLiteral("Implicit functions F(x,y,z)=0 need Cartesian coordinates: a spherical "
                                        "or cylindrical function knows two of its coordinates only."));
    item->FuncKind = SelectedKind();
    // Rows top to bottom, each holding the text it shows; a text the kind
    // does not use has no evaluator and is left alone.
    using enum TFormulaSlot;
    const TParameterBinding parameters(FParameters ? *FParameters : TParameterList());
    const TFormulaSlot rowSlots[3] = {fsExpression1, FIs3D ? fsExpression2 : fsExpression, fsExpression};
    for (int row = rowX; row <= (FIs3D ? rowZ : rowY); ++row) {
        TRapidEvaluator* evaluator = SharedEvaluatorFor(item->FuncKind, SelectedType(), rowSlots[row]);
        if (evaluator && !CompileRow(row, *evaluator, FormulaText(*item, rowSlots[row]))) return false;
    }

    item->Color = FColor->Color();
    item->Active = cbxVisible->isChecked();

    if (FIs3D) {
        item->FuncType = SelectedType();
    } else {
        const auto width = ParseInteger(edtWidth->cleanText().toStdString());
        if (!width || *width < 1 || *width > 10)
            return FailField(tshCommon, edtWidth, QStringLiteral("Enter integer value"));
        item->Width = static_cast<std::int32_t>(*width);
        item->FuncType = SelectedType();
        item->Derivative = cbxDerivative->isChecked() && !IsImplicit2D();
        item->ManualLimits = cbxLimits->isChecked();
    }

    // The step and the degrees are hidden for implicit functions and keep
    // what the record holds.
    const bool implicit = IsImplicit2D();
    const auto from = ReadLimit(edtFrom, item->From);
    const auto to = ReadLimit(edtTo, item->To);
    const auto step = implicit ? std::optional(item->Step) : ReadLimit(edtStep, item->Step);
    if (!from || !to || !step) return FailField(tshBounds, edtFrom, QStringLiteral("Enter float value"));
    item->From = *from;
    item->To = *to;
    item->Step = *step;
    if (!implicit) item->ConvToDeg = cbxDeg->isChecked();
    if (implicit) {
        const auto fromY = ReadLimit(edtFromY, item->FromY);
        const auto toY = ReadLimit(edtToY, item->ToY);
        if (!fromY || !toY) return FailField(tshBounds, edtFromY, QStringLiteral("Enter float value"));
        item->FromY = *fromY;
        item->ToY = *toY;
    }

    if (FIs3D) {
        item->ManualLimitsY = cbxLimitsY->isChecked();
        const auto fromY = ReadLimit(edtFromY, item->FromY);
        const auto toY = ReadLimit(edtToY, item->ToY);
        const auto stepY = ReadLimit(edtStepY, item->StepY);
        if (!fromY || !toY || !stepY) return FailField(tshBounds, edtFromY, QStringLiteral("Enter float value"));
        item->FromY = *fromY;
        item->ToY = *toY;
        item->StepY = *stepY;
        item->ConvToDegY = cbxDegY->isChecked();
        item->Opacity = trkOpacity->value() / 100.0;
    }
    if (IsImplicit3D()) {
        const auto fromZ = ReadLimit(edtFromZ, item->FromZ);
        const auto toZ = ReadLimit(edtToZ, item->ToZ);
        const auto stepZ = ReadLimit(edtStepZ, item->StepZ);
        if (!fromZ || !toZ || !stepZ) return FailField(tshBounds, edtFromZ, QStringLiteral("Enter float value"));
        item->FromZ = *fromZ;
        item->ToZ = *toZ;
        item->StepZ = *stepZ;
    }
    return true;
}

void TfrmFuncProps::accept() {
    FOfferFromOk = true;
    bool applied = false;
    RunGuarded([this, &applied] { applied = Apply(); });
    if (applied) QDialog::accept();
}

void TfrmFuncProps::ApplyClicked() {
    FOfferFromOk = false;
    if (Apply() && OnApply) OnApply();
}

}  // namespace curvane
