// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/tool_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QSignalBlocker>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <vector>

#include "core/document/constant_formula.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/application.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/widgets/formula_snippet_menu.h"

namespace curvane {

namespace {

constexpr qint64 QuietMilliseconds = 500;
constexpr qint64 PumpMilliseconds = 40;

std::vector<TToolRun*>& Runs() {
    static std::vector<TToolRun*> runs;
    return runs;
}

std::vector<std::function<void()>>& IdleWaiters() {
    static std::vector<std::function<void()>> waiters;
    return waiters;
}

void RunIdleWaitersLater() {
    QTimer::singleShot(0, qApp, [] {
        if (TToolRun::AnyRunning()) return;
        auto waiters = std::move(IdleWaiters());
        IdleWaiters().clear();
        for (auto& then : waiters) then();
    });
}

}  // namespace

// ---------------------------------------------------------------------------
// TToolRun

TToolRun::TToolRun(QAbstractButton* button) : FButton(button), FStarted(QDateTime::currentMSecsSinceEpoch()) {
    if (FButton) {
        FCaption = FButton->text();
        FButton->setText(QStringLiteral("Stop"));
    }
    Runs().push_back(this);
}

TToolRun::~TToolRun() {
    std::erase(Runs(), this);
    if (FButton) FButton->setText(FCaption);
    if (Runs().empty() && !IdleWaiters().empty()) RunIdleWaitersLater();
}

bool TToolRun::Poll() {
    if (!FStopRequested) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (now - FStarted > QuietMilliseconds && now - FLastPump >= PumpMilliseconds) {
            FLastPump = now;
            QApplication::processEvents(QEventLoop::AllEvents);
        }
    }
    return FStopRequested;
}

bool TToolRun::AnyRunning() { return !Runs().empty(); }

void TToolRun::StopAll() {
    for (TToolRun* run : Runs()) run->RequestStop();
}

void TToolRun::WhenIdle(std::function<void()> then) {
    IdleWaiters().push_back(std::move(then));
    if (!AnyRunning()) RunIdleWaitersLater();
}

// ---------------------------------------------------------------------------
// TToolDialog

TToolDialog::TToolDialog(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
}

QPushButton* TToolDialog::MakeCloseButton() {
    auto* button = new QPushButton(QStringLiteral("Close"), this);
    button->setObjectName(QStringLiteral("btnClose"));
    button->setStatusTip(QStringLiteral("Close the window"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &QWidget::close);
    return button;
}

bool TToolDialog::RunStoppable(QAbstractButton* button, const std::function<void(TToolRun&)>& work) {
    TToolRun run(button);
    FRun = &run;
    // The pointer must not outlive the run, also when work raises.
    struct TReset {
        TToolDialog* Dialog;
        ~TReset() { Dialog->FRun = nullptr; }
    } reset{this};
    work(run);
    const bool stopped = run.StopRequested();
    if (FCloseAfterRun) QTimer::singleShot(0, this, &QWidget::close);
    return stopped;
}

void TToolDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FCentred) return;
    FCentred = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TToolDialog::closeEvent(QCloseEvent* event) {
    // The computation's loop is still on the stack below this event: the
    // dialog cannot go yet. Stop it and close when it has returned.
    if (FRun) {
        FRun->RequestStop();
        FCloseAfterRun = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TToolDialog::reject() {
    if (FRun) {
        FRun->RequestStop();
        FCloseAfterRun = true;
        return;
    }
    QDialog::reject();
}

// ---------------------------------------------------------------------------
// Formula fields

QToolButton* MakePickButton(QComboBox* field, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(QStringLiteral("..."));
    button->setToolTip(QStringLiteral("Pick function"));
    button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(button, &QToolButton::clicked, button, [field, button] {
        TFormulaSnippetMenu* menu = TGraphHub::Instance().SnippetMenu();
        if (!menu || !field->lineEdit()) return;
        menu->SetTarget(field->lineEdit());
        menu->popup(button->mapToGlobal(button->rect().bottomLeft()));
    });
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    if (QLineEdit* edit = field->lineEdit()) {
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(edit, &QWidget::customContextMenuRequested, edit, [edit](const QPoint& at) {
            TFormulaSnippetMenu* menu = TGraphHub::Instance().SnippetMenu();
            if (!menu) return;
            menu->SetTarget(edit);
            menu->popup(edit->mapToGlobal(at));
        });
    }
    return button;
}

namespace {

void RefillFunctionList(QComboBox* field) {
    const QString text = field->currentText();
    const QSignalBlocker block(field);
    field->clear();
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow())
        for (int i = 0; i < window->FuncCount(); ++i) field->addItem(QString::fromStdString(window->Func(i)->Expression));
    field->setEditText(text);
}

}  // namespace

void FillFunctionList(QComboBox* field) {
    // Inline completion would finish "sin(x)" as a longer formula of the list
    // and compute that; the drop-down list still offers the entries.
    field->setCompleter(nullptr);
    RefillFunctionList(field);
    constexpr const char* Following = "curvaneFollowsDocument";
    if (field->property(Following).toBool()) return;
    field->setProperty(Following, true);
    QObject::connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, field,
                     [field] { RefillFunctionList(field); });
}

void SelectFormulaToken(QLineEdit* edit, const TRapidEvaluator& evaluator) {
    const QByteArray bytes = edit->text().toUtf8();
    const qsizetype tokenBytes = static_cast<qsizetype>(evaluator.Token().size());
    const qsizetype startByte = std::clamp<qsizetype>(evaluator.Position() - tokenBytes - 1, 0, bytes.size());
    const qsizetype endByte = std::clamp<qsizetype>(startByte + tokenBytes, startByte, bytes.size());
    const int start = static_cast<int>(QString::fromUtf8(bytes.left(startByte)).size());
    const int length = static_cast<int>(QString::fromUtf8(bytes.mid(startByte, endByte - startByte)).size());
    edit->setSelection(start, length);
}

std::optional<TCompiledFunction> CompileToolFormula(QWidget* dialog, QComboBox* field, const QString& emptyMessage) {
    const QString text = field->currentText();
    if (text.trimmed().isEmpty()) {
        QMessageBox::information(dialog, QStringLiteral("Error"), emptyMessage);
        field->setFocus(Qt::OtherFocusReason);
        return std::nullopt;
    }
    const std::string formula = text.toStdString();
    // The run sees the parameters of the current window's document with the
    // values they have now; the compiled function keeps them.
    const TfrmAbstractMDIChild* window = CurrentGraphWindow();
    const TParameterBinding parameters(window ? window->Document().Parameters : TParameterList());
    try {
        return TCompiledFunction::Private(EvalOrtho(), formula);
    } catch (const ESyntaxError& e) {
        // The private evaluator went with the exception: a scratch one like it
        // fails at the same token and tells where.
        double x = 0, y = 0;
        const auto scratch = MakeEvaluatorLike(EvalOrtho(), &x, &y);
        scratch->SetFormula(formula);
        try {
            scratch->Compile();
        } catch (const ESyntaxError&) {
        }
        QLineEdit* edit = field->lineEdit();
        edit->setFocus(Qt::OtherFocusReason);
        SelectFormulaToken(edit, *scratch);
        QMessageBox::critical(dialog, ApplicationTitle(), QStringLiteral("Syntax error : %1").arg(QString::fromUtf8(e.what())));
        // The message box took the focus; give the selection back.
        edit->setFocus(Qt::OtherFocusReason);
        SelectFormulaToken(edit, *scratch);
        return std::nullopt;
    }
}

std::optional<double> ReadFloatField(QWidget* dialog, QLineEdit* edit, const QString& message) {
    if (const std::optional<double> value = ParseConstant(edit->text().toStdString())) return value;
    edit->setFocus(Qt::OtherFocusReason);
    QMessageBox::critical(dialog, ApplicationTitle(), message);
    return std::nullopt;
}

bool AskSwap(QWidget* dialog, const QString& message, double& from, double& to, QLineEdit* edtFrom,
             QLineEdit* edtTo) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message + QStringLiteral("\nOK to swap?"),
                    QMessageBox::Yes | QMessageBox::No, dialog);
    if (box.exec() != QMessageBox::Yes) return false;
    std::swap(from, to);
    edtFrom->setText(ShortText(from));
    edtTo->setText(ShortText(to));
    return true;
}

QString ShortText(double value) { return QString::fromStdString(FormatGeneral(value)); }

QString AskTextFileName(QWidget* parent, const QString& caption) {
    QFileDialog dialog(parent, caption, QString(), QStringLiteral("Text files (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString WriteTextFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return {};
    // An error text Qt left empty still has to read as a failure.
    return file.errorString().isEmpty() ? QStringLiteral("Unknown error") : file.errorString();
}

}  // namespace curvane
