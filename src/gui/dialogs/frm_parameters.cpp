// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_parameters.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/document/constant_formula.h"
#include "core/document/func_item.h"
#include "core/document/parameter_animation.h"
#include "core/evaluator/formula_scanner.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/application.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document/parameter_animator.h"
#include "gui/help/help.h"

namespace curvane {

namespace {

// The names Add offers first: the letters families of curves are written
// with; then k1, k2 and so on.
constexpr const char* FirstNames[] = {"k", "m", "c", "b", "d", "n", "p", "q", "s", "w"};

QString Shown(double value) { return QString::fromStdString(FormatShortest(value)); }

std::string FreeName(const TParameterList& parameters) {
    for (const char* name : FirstNames)
        if (!CheckParameterName(name, parameters)) return name;
    for (int i = 1;; ++i)
        if (const std::string name = "k" + std::to_string(i); !CheckParameterName(name, parameters)) return name;
}

QString Quoted(const std::string& name) { return QString::fromStdString(name); }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// `formula` with every use of `from` as a variable written `to`: the same
// tokens as the compiler reads, so "k1", "sk" and a function "k(x)" stay.
std::string RenameInFormula(const std::string& formula, std::string_view from, const std::string& to) {
    std::string result;
    std::size_t copied = 0;
    int position = 1;
    TScanToken token = ScanToken(formula, position);
    while (token.Kind != TScanKind::skEnd && token.Kind != TScanKind::skInvalid) {
        const TScanToken next = ScanToken(formula, position);
        if (token.Kind == TScanKind::skName && SameName(token.Text, from) &&
            !(next.Kind == TScanKind::skOperator && next.Text == "(")) {
            const auto at = static_cast<std::size_t>(token.Text.data() - formula.data());
            result.append(formula, copied, at - copied).append(to);
            copied = at + token.Text.size();
        }
        token = next;
    }
    return result.append(formula, copied);
}

}  // namespace

double SliderValue(const TParameter& parameter, int position) {
    const double fraction = static_cast<double>(position) / TParamSlider::Positions;
    return SnapParameterValue(parameter, parameter.Min + fraction * (parameter.Max - parameter.Min));
}

int SliderPosition(const TParameter& parameter, double value) {
    const double span = parameter.Max - parameter.Min;
    if (!(span > 0)) return 0;
    const double fraction = std::clamp((value - parameter.Min) / span, 0.0, 1.0);
    return static_cast<int>(std::lround(fraction * TParamSlider::Positions));
}

TParamSlider::TParamSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, Positions);
    setFocusPolicy(Qt::StrongFocus);
}

void TParamSlider::keyPressEvent(QKeyEvent* event) {
    double fraction = 0;
    switch (event->key()) {
        case Qt::Key_Right:
        case Qt::Key_Up: fraction = 0.01; break;
        case Qt::Key_Left:
        case Qt::Key_Down: fraction = -0.01; break;
        case Qt::Key_PageUp: fraction = 0.1; break;
        case Qt::Key_PageDown: fraction = -0.1; break;
        default: return QSlider::keyPressEvent(event);
    }
    event->accept();
    emit KeyStep(fraction);
}

TfrmParameters::TfrmParameters(TDockState& record, QMainWindow* mainWindow)
    : TfrmDockable(QStringLiteral("Parameters"), record, mainWindow),
      btnAdd(new QPushButton(QStringLiteral("&Add"))),
      lblMessage(new QLabel),
      lblEmpty(new QLabel(QStringLiteral("No parameters. Add one, or use a new name in a formula."))),
      FRowsLayout(new QVBoxLayout) {
    setObjectName(QStringLiteral("frmParameters"));
    SetHelpTopic(this, QString::fromLatin1(HelpPages::Parameters));
    auto* body = new QWidget;
    auto* outer = new QVBoxLayout(body);
    outer->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    btnAdd->setObjectName(QStringLiteral("btnAddParameter"));
    btnAdd->setToolTip(QStringLiteral("Add a parameter to the current window's document"));
    top->addWidget(btnAdd);
    top->addStretch(1);
    outer->addLayout(top);
    lblMessage->setObjectName(QStringLiteral("lblParameterMessage"));
    lblMessage->setWordWrap(true);
    QPalette red = lblMessage->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblMessage->setPalette(red);
    lblMessage->hide();
    outer->addWidget(lblMessage);
    lblEmpty->setWordWrap(true);
    outer->addWidget(lblEmpty);

    auto* rows = new QWidget;
    FRowsLayout->setParent(nullptr);
    rows->setLayout(FRowsLayout);
    FRowsLayout->setContentsMargins(0, 0, 0, 0);
    FRowsLayout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(rows);
    outer->addWidget(scroll, 1);
    setWidget(body);

    connect(btnAdd, &QPushButton::clicked, this, &TfrmParameters::AddParameter);
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this, &TfrmParameters::Follow);
    Follow();
}

QString TfrmParameters::Message() const { return lblMessage->isVisible() ? lblMessage->text() : QString(); }

void TfrmParameters::ShowMessage(const QString& text) {
    lblMessage->setText(text);
    lblMessage->setVisible(!text.isEmpty());
}

TDocumentOwner* TfrmParameters::Owner() const { return FWindow ? FWindow->Owner() : nullptr; }

const TParameter* TfrmParameters::Parameter(int index) const {
    const TDocumentOwner* owner = Owner();
    if (!owner || index < 0 || index >= owner->Document().Parameters.Count()) return nullptr;
    return &owner->Document().Parameters[index];
}

void TfrmParameters::Follow() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow();
    if (window != FWindow) {
        // Another window's document: a drag on the old one ends where it is.
        if (FDrag) SliderReleased(FDrag->Index);
        ShowMessage(QString());
        disconnect(FAnimatorConnection);
        FWindow = window;
        if (window)
            FAnimatorConnection = connect(&TParameterAnimator::Of(*window->Owner()),
                                          &TParameterAnimator::PlayingChanged, this, &TfrmParameters::ShowValues);
    }
    btnAdd->setEnabled(FWindow != nullptr);
    std::vector<std::string> names;
    if (const TDocumentOwner* owner = Owner())
        for (const TParameter& p : owner->Document().Parameters) names.push_back(p.Name);
    if (names != FShownNames) {
        FShownNames = names;
        Rebuild();
    }
    ShowValues();
}

void TfrmParameters::Rebuild() {
    // The rows go from the event loop: a row's own button or field may be
    // what is being handled now (a deletion, a rename). Cut off first, so
    // that a field losing its focus as it goes reports nothing.
    for (TParameterRow& row : FRows) {
        for (QWidget* child : row.Frame->findChildren<QWidget*>()) disconnect(child, nullptr, this, nullptr);
        row.Frame->hide();
        row.Frame->deleteLater();
    }
    FRows.clear();
    lblEmpty->setVisible(FShownNames.empty());
    for (int i = 0; i < static_cast<int>(FShownNames.size()); ++i) {
        TParameterRow row;
        row.Frame = new QFrame;
        static_cast<QFrame*>(row.Frame)->setFrameShape(QFrame::StyledPanel);
        auto* grid = new QGridLayout(row.Frame);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setSpacing(3);
        row.Name = new QLineEdit;
        row.Name->setObjectName(QStringLiteral("edtParamName"));
        row.Name->setToolTip(QStringLiteral("Name: type another to rename"));
        row.Name->setMaximumWidth(70);
        row.Value = new QLineEdit;
        row.Value->setObjectName(QStringLiteral("edtParamValue"));
        row.Value->setToolTip(QStringLiteral("Value: a number or a constant formula such as pi/2"));
        row.Play = new QToolButton;
        row.Play->setObjectName(QStringLiteral("btnParamPlay"));
        row.Play->setCheckable(true);
        row.Play->setAutoRaise(true);
        row.Delete = new QToolButton;
        row.Delete->setObjectName(QStringLiteral("btnParamDelete"));
        row.Delete->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
        row.Delete->setToolTip(QStringLiteral("Delete the parameter"));
        row.Delete->setAutoRaise(true);
        row.Slider = new TParamSlider;
        row.Slider->setObjectName(QStringLiteral("sldParam"));
        row.Min = new QLineEdit;
        row.Min->setObjectName(QStringLiteral("edtParamMin"));
        row.Max = new QLineEdit;
        row.Max->setObjectName(QStringLiteral("edtParamMax"));
        row.Step = new QLineEdit;
        row.Step->setObjectName(QStringLiteral("edtParamStep"));
        row.Step->setToolTip(QStringLiteral("Step: 0 for continuous"));
        row.Mode = new QComboBox;
        row.Mode->setObjectName(QStringLiteral("cbxParamMode"));
        // In the order of TParamAnimation.
        row.Mode->addItems({QStringLiteral("Once"), QStringLiteral("Loop"), QStringLiteral("Back and forth")});
        row.Speed = new QLineEdit;
        row.Speed->setObjectName(QStringLiteral("edtParamSpeed"));
        row.Speed->setToolTip(QStringLiteral("Speed of the animation, in units per second"));

        grid->addWidget(row.Name, 0, 0);
        grid->addWidget(row.Value, 0, 1, 1, 3);
        grid->addWidget(row.Play, 0, 4);
        grid->addWidget(row.Delete, 0, 5);
        grid->addWidget(row.Slider, 1, 0, 1, 6);
        auto* range = new QHBoxLayout;
        for (auto [label, edit] : {std::pair{"Min", row.Min}, std::pair{"Max", row.Max}, std::pair{"Step", row.Step}}) {
            range->addWidget(new QLabel(QString::fromLatin1(label)));
            range->addWidget(edit, 1);
        }
        grid->addLayout(range, 2, 0, 1, 6);
        auto* play = new QHBoxLayout;
        play->addWidget(row.Mode, 1);
        play->addWidget(new QLabel(QStringLiteral("Speed")));
        play->addWidget(row.Speed, 1);
        grid->addLayout(play, 3, 0, 1, 6);
        FRowsLayout->insertWidget(i, row.Frame);

        connect(row.Name, &QLineEdit::editingFinished, this, [this, i] {
            if (!FFilling && FRows[i].Name->isModified()) RenameParameter(i, FRows[i].Name->text());
        });
        connect(row.Value, &QLineEdit::editingFinished, this, [this, i] {
            if (!FFilling && FRows[i].Value->isModified()) TypeValue(i, FRows[i].Value->text());
        });
        for (QLineEdit* edit : {row.Min, row.Max, row.Step})
            connect(edit, &QLineEdit::editingFinished, this, [this, i, edit] {
                if (!FFilling && edit->isModified()) RangeEdited(i);
            });
        connect(row.Speed, &QLineEdit::editingFinished, this, [this, i] {
            if (!FFilling && FRows[i].Speed->isModified()) AnimationEdited(i);
        });
        connect(row.Mode, &QComboBox::activated, this, [this, i] { AnimationEdited(i); });
        connect(row.Play, &QToolButton::clicked, this, [this, i] { TogglePlay(i); });
        connect(row.Delete, &QToolButton::clicked, this, [this, i] { DeleteParameter(i); });
        connect(row.Slider, &QSlider::sliderPressed, this, [this, i] { SliderPressed(i); });
        connect(row.Slider, &QSlider::sliderReleased, this, [this, i] { SliderReleased(i); });
        connect(row.Slider, &QSlider::valueChanged, this, [this, i](int position) { SliderMoved(i, position); });
        connect(row.Slider, &TParamSlider::KeyStep, this, [this, i](double fraction) { KeyStep(i, fraction); });
        FRows.push_back(row);
    }
}

void TfrmParameters::ShowValues() {
    FFilling = true;
    const TParameterAnimator* animator = Owner() ? &TParameterAnimator::Of(*Owner()) : nullptr;
    // A field the user is typing in keeps what is typed; the others show the document.
    auto show = [](QLineEdit* edit, const QString& text) {
        if (edit->hasFocus() && edit->isModified()) return;
        if (edit->text() != text) edit->setText(text);
        edit->setModified(false);
    };
    for (int i = 0; i < RowCount(); ++i) {
        const TParameter* p = Parameter(i);
        if (!p) break;
        const TParameterRow& row = FRows[static_cast<std::size_t>(i)];
        show(row.Name, QString::fromStdString(p->Name));
        show(row.Value, Shown(p->Value));
        show(row.Min, Shown(p->Min));
        show(row.Max, Shown(p->Max));
        show(row.Step, Shown(p->Step));
        show(row.Speed, Shown(p->Speed));
        row.Mode->setCurrentIndex(static_cast<int>(p->Animation));
        // The handle under the mouse stays where the hand puts it.
        if (!row.Slider->isSliderDown()) row.Slider->setValue(SliderPosition(*p, p->Value));
        const bool playing = animator && animator->IsPlaying(p->Name);
        row.Play->setChecked(playing);
        row.Play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
        row.Play->setToolTip(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    }
    FFilling = false;
}

void TfrmParameters::EditParameter(int index, const QString& text, const std::function<void(TParameter&)>& change) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    TDocumentEdit edit(Owner(), text.arg(Quoted(p->Name)));
    change(edit.Document().Parameters[index]);
    edit.Commit();
}

void TfrmParameters::AddParameter() {
    TDocumentOwner* owner = Owner();
    if (!owner) return;
    ShowMessage(QString());
    TParameter parameter;
    parameter.Name = FreeName(owner->Document().Parameters);
    {
        TDocumentEdit edit(owner, QStringLiteral("Add %1").arg(Quoted(parameter.Name)));
        edit.Document().Parameters.Add(parameter);
        edit.Commit();
    }
    // Ready for the name the user has in mind.
    if (!FRows.empty()) {
        FRows.back().Name->setFocus(Qt::OtherFocusReason);
        FRows.back().Name->selectAll();
    }
}

void TfrmParameters::RenameParameter(int index, const QString& name) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    const std::string wanted = name.trimmed().toStdString();
    if (wanted == p->Name) return ShowMessage(QString());
    if (const auto refusal = CheckParameterName(wanted, Owner()->Document().Parameters, index)) {
        ShowMessage(QString::fromStdString(*refusal));
        ShowValues();
        return;
    }
    ShowMessage(QString());
    const std::string old = p->Name;
    TParameterAnimator& animator = TParameterAnimator::Of(*Owner());
    const bool playing = animator.IsPlaying(old);
    animator.Pause(old);
    {
        // The formulas follow the new name: they would not compile with the old one.
        TDocumentEdit edit(Owner(), QStringLiteral("Rename %1").arg(Quoted(old)));
        edit.Document().Parameters.Rename(index, wanted);
        TFuncList& functions = edit.Document().Functions;
        for (const int f : FunctionsUsingName(functions, old))
            for (std::string* text : {&functions[f]->Expression, &functions[f]->Expression1, &functions[f]->Expression2})
                *text = RenameInFormula(*text, old, wanted);
        edit.Commit();
    }
    if (playing) animator.Play(wanted);
}

void TfrmParameters::DeleteParameter(int index) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    const std::string name = p->Name;
    QPointer<TfrmAbstractMDIChild> window = FWindow;
    const std::vector<int> users = FunctionsUsingName(window->Functions(), name);
    if (!users.empty()) {
        QStringList captions;
        const bool is3D = window->WindowType() == TWindowType::wt3D;
        for (int f : users) captions << QString::fromStdString(FuncCaption(*window->Func(f), is3D));
        const QString question = QStringLiteral("%1 is used by:\n%2\n\nThese functions cannot be drawn without it. "
                                                "Delete %1 anyway?")
                                     .arg(Quoted(name), captions.join(QLatin1Char('\n')));
        const auto answer = QMessageBox::question(this, ApplicationTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                                  QMessageBox::No);
        // The question's event loop may have closed the window or changed its list.
        if (answer != QMessageBox::Yes || !window) return;
    }
    const int now = window->Document().Parameters.IndexOf(name);
    if (now < 0) return;
    TParameterAnimator::Of(*window->Owner()).Pause(name);
    TDocumentEdit edit(window->Owner(), QStringLiteral("Delete %1").arg(Quoted(name)));
    edit.Document().Parameters.Delete(now);
    edit.Commit();
}

void TfrmParameters::TypeValue(int index, const QString& text) {
    if (!Parameter(index)) return;
    const std::optional<double> value = ParseConstant(text.trimmed().toStdString());
    if (!value) {
        ShowMessage(QStringLiteral("Not a number: %1").arg(text));
        ShowValues();
        return;
    }
    ShowMessage(QString());
    EditParameter(index, QStringLiteral("Change %1"), [&](TParameter& p) { TakeParameterValue(p, *value); });
}

void TfrmParameters::RangeEdited(int index) {
    if (!Parameter(index)) return;
    const TParameterRow& row = FRows[static_cast<std::size_t>(index)];
    const auto min = ParseConstant(row.Min->text().trimmed().toStdString());
    const auto max = ParseConstant(row.Max->text().trimmed().toStdString());
    const auto step = ParseConstant(row.Step->text().trimmed().toStdString());
    if (!min || !max || !step) {
        const QLineEdit* bad = !min ? row.Min : !max ? row.Max : row.Step;
        ShowMessage(QStringLiteral("Not a number: %1").arg(bad->text()));
        ShowValues();
        return;
    }
    if (!(*min < *max)) {
        ShowMessage(QStringLiteral("The minimum must be less than the maximum."));
        ShowValues();
        return;
    }
    if (*step < 0 || *step > *max - *min) {
        ShowMessage(QStringLiteral("The step must be 0 (continuous) or at most the range."));
        ShowValues();
        return;
    }
    ShowMessage(QString());
    EditParameter(index, QStringLiteral("Range of %1"), [&](TParameter& p) {
        p.Min = *min;
        p.Max = *max;
        p.Step = *step;
        // A narrower range takes the value along: the range is what the user just chose.
        p.Value = SnapParameterValue(p, p.Value);
        RepairParameter(p);
    });
}

void TfrmParameters::AnimationEdited(int index) {
    if (FFilling || !Parameter(index)) return;
    const TParameterRow& row = FRows[static_cast<std::size_t>(index)];
    const auto speed = ParseConstant(row.Speed->text().trimmed().toStdString());
    if (!speed || !(*speed > 0)) {
        ShowMessage(QStringLiteral("The speed must be a number above 0."));
        ShowValues();
        return;
    }
    ShowMessage(QString());
    const auto mode = static_cast<TParamAnimation>(std::clamp(row.Mode->currentIndex(), 0, 2));
    EditParameter(index, QStringLiteral("Animation of %1"), [&](TParameter& p) {
        p.Animation = mode;
        p.Speed = *speed;
    });
}

void TfrmParameters::TogglePlay(int index) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    TParameterAnimator& animator = TParameterAnimator::Of(*Owner());
    if (animator.IsPlaying(p->Name))
        animator.Pause(p->Name);
    else
        animator.Play(p->Name);
    ShowValues();
}

void TfrmParameters::SliderPressed(int index) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    // The hand takes over from the animation.
    TParameterAnimator::Of(*Owner()).Pause(p->Name);
    FDrag = TDrag{Owner(), index, Owner()->Document(), std::nullopt, false};
}

void TfrmParameters::SliderMoved(int index, int position) {
    const TParameter* p = Parameter(index);
    if (FFilling || !p) return;
    if (FDrag && FDrag->Index == index) {
        FDrag->Pending = SliderValue(*p, position);
        if (!FDrag->ApplyPosted) {
            FDrag->ApplyPosted = true;
            QTimer::singleShot(0, this, &TfrmParameters::ApplyPendingDrag);
        }
        return;
    }
    // A click on the groove or the wheel: a step of its own.
    const double value = SliderValue(*p, position);
    EditParameter(index, QStringLiteral("Change %1"), [&](TParameter& q) { q.Value = value; });
}

void TfrmParameters::ApplyPendingDrag() {
    if (!FDrag) return;
    FDrag->ApplyPosted = false;
    if (!FDrag->Owner || !FDrag->Pending) return;
    const double value = *FDrag->Pending;
    FDrag->Pending.reset();
    ShowParameterValue(*FDrag->Owner, FDrag->Index, value);
}

void TfrmParameters::SliderReleased(int) {
    if (!FDrag) return;
    ApplyPendingDrag();
    TDrag drag = std::move(*FDrag);
    FDrag.reset();
    if (!drag.Owner || drag.Index >= drag.Owner->Document().Parameters.Count()) return;
    const QString text = QStringLiteral("Change %1").arg(Quoted(drag.Owner->Document().Parameters[drag.Index].Name));
    drag.Owner->Record(drag.Before, drag.Owner->Document(), text);
}

void TfrmParameters::KeyStep(int index, double fraction) {
    const TParameter* p = Parameter(index);
    if (!p) return;
    double value = SnapParameterValue(*p, p->Value + fraction * (p->Max - p->Min));
    // A step of the range smaller than the parameter's Step would snap back
    // to where it was: move by one Step instead.
    if (p->Step > 0 && value == p->Value)
        value = SnapParameterValue(*p, p->Value + (fraction > 0 ? p->Step : -p->Step));
    if (value == p->Value) return;
    EditParameter(index, QStringLiteral("Change %1"), [&](TParameter& q) { q.Value = value; });
}

}  // namespace curvane
