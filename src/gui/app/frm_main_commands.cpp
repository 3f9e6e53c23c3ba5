// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's command states, function bar and window placement. The
// commands themselves live in their groups (file_commands.cpp and beside it).
#include "gui/app/frm_main.h"

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "gui/app/command_group.h"
#include "gui/app/function_commands.h"
#include "gui/app/shell_memory.h"
#include "gui/app/view2d_commands.h"
#include "gui/app/view3d_commands.h"
#include "gui/common/application.h"
#include "gui/common/artwork.h"
#include "gui/common/exception_report.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/parameter_offer.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QToolBar>

namespace curvane {

// ---------------------------------------------------------------------------
// Command states

void TfrmMain::PostUpdateControls() {
    // Many requests while a batch of windows opens or closes collapse into
    // one update, run once the events in between have been handled.
    if (FUpdatePosted) return;
    FUpdatePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FUpdatePosted = false;
            RunGuarded([this] { UpdateControls(); });
        },
        Qt::QueuedConnection);
}

TCommandState TfrmMain::CommandState() const {
    TCommandState state;
    state.Window = CurrentGraphWindow(FMdiArea);
    state.Any = !FMdiArea->subWindowList().isEmpty();
    state.Is2D = state.Window && state.Window->WindowType() == TWindowType::wt2D;
    state.Is3D = state.Window && state.Window->WindowType() == TWindowType::wt3D;
    state.HasFunctions = state.Window && state.Window->FuncCount() > 0;
    state.Busy = SharedEvaluatorsLeased();
    return state;
}

void TfrmMain::UpdateControls() {
    const TCommandState state = CommandState();
    SetCurrentGraphWindow(state.Window);

    bar2D->setVisible(state.Is2D);
    bar3D->setVisible(state.Is3D);
    lblBlankHint->setVisible(!state.Any);
    for (TCommandGroup* group : FCommandGroups)
        if (group != FFunctionCommands) group->UpdateControls(state);
    // The function commands follow with the function bar.
    UpdateFuncBar(TFuncBarUpdate::fuList);
    if (state.Is2D || state.Is3D) OnWindowActivated(state.Window);
}

void TfrmMain::UpdateFuncBar(TFuncBarUpdate update) {
    // A formula shown with a message (refused, or accepted with a hint), and
    // what is typed while no window is open (it will open one), stay in the
    // box while the box would show the same formula again (a refresh of the
    // bar).
    QLineEdit* edit = edtFunc->lineEdit();
    const bool messageShown = lblFuncMessage->isVisible();
    // So does what the user is typing: a playing parameter refreshes the bar
    // at every frame.
    const bool typing = edit->isModified();
    const int caret = edit->cursorPosition();
    const QString kept = messageShown || typing || !CurrentGraphWindow(FMdiArea) ? edit->text() : QString();
    const QString message = lblFuncMessage->text(), shown = edtFunc->Formula();
    const TFuncMessage kind = FFuncMessageKind;
    const QStringList offered = FParameterOffer->Names();
    const int selStart = edit->selectionStart(), selLength = static_cast<int>(edit->selectedText().size());
    if (update == TFuncBarUpdate::fuList) FillFuncCombo();
    SelectFuncActiveInCombo();
    if (!kept.isEmpty() && edtFunc->Formula() == shown) {
        edit->setText(kept);
        edit->setModified(typing);
        if (selStart >= 0)
            edit->setSelection(selStart, selLength);
        else
            edit->setCursorPosition(caret);
        if (messageShown) ShowFuncMessage(message, kind);
        if (messageShown) FParameterOffer->Offer(offered);
    }

    const TCommandState state = CommandState();
    btnFuncColor->setEnabled(state.Window != nullptr);
    cbxGraphicWidth->setEnabled(state.Is2D);
    FFunctionCommands->UpdateControls(state);
    UpdateFuncDependentControls();
}

void TfrmMain::UpdateFuncDependentControls() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    const QSignalBlocker blockColor(btnFuncColor);
    const QSignalBlocker blockWidth(cbxGraphicWidth);
    btnFuncColor->SetColor(item->Color);
    // Surfaces have no line width.
    cbxGraphicWidth->SetWidth(window->WindowType() == TWindowType::wt3D ? 1 : item->Width);
    FFunctionCommands->ShowActiveFunction(*item);
}

void TfrmMain::FillFuncCombo() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    const QSignalBlocker block(edtFunc);
    edtFunc->clear();
    if (!window) return;
    const bool is3D = window->WindowType() == TWindowType::wt3D;
    for (int i = 0; i < window->FuncCount(); ++i) {
        const TFuncItem* item = window->Func(i);
        QString caption;
        if (item->Derivative)
            caption = QString::fromStdString(FuncCaption(*item, is3D)) + QStringLiteral("; Derivative");
        else if (!item->Expression.empty())
            caption = QString::fromStdString(FuncCaption(*item, is3D));
        else
            caption = QStringLiteral("; Empty");
        edtFunc->addItem(caption);
    }
}

void TfrmMain::ShowFuncMessage(const QString& text, TFuncMessage kind) {
    // A refusal in red; a hint in the ordinary text colour, since the
    // formula was taken.
    if (kind != FFuncMessageKind) {
        FFuncMessageKind = kind;
        QPalette palette = lblFuncMessage->palette();
        palette.setColor(QPalette::WindowText, kind == TFuncMessage::fmError ? QColor(Qt::red)
                                                                            : QApplication::palette().color(QPalette::WindowText));
        lblFuncMessage->setPalette(palette);
    }
    lblFuncMessage->setText(text);
    lblFuncMessage->setVisible(!text.isEmpty());
    if (text.isEmpty()) FParameterOffer->Offer({});
}

void TfrmMain::SelectFuncActiveInCombo() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    ShowFuncMessage(QString());
    const QSignalBlocker block(edtFunc);
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    edtFunc->setCurrentIndex(item ? window->FuncActive() : -1);
    // The list shows captions; the edit line holds the formula itself, which
    // is what the user edits and "Enter function" stores.
    edtFunc->ShowFormula(item ? QString::fromStdString(item->Expression) : QString());
}

QStringList TfrmMain::FunctionExpressions() const {
    QStringList texts;
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea))
        for (int i = 0; i < window->FuncCount(); ++i) texts << QString::fromStdString(window->Func(i)->Expression);
    return texts;
}

void TfrmMain::OnWindowActivated(TfrmAbstractMDIChild* window) {
    if (!window) return;
    const bool is2D = window->WindowType() == TWindowType::wt2D;
    {
        // One layout pass for the swap, so the MDI area does not jump twice.
        setUpdatesEnabled(false);
        bar2D->setVisible(is2D);
        bar3D->setVisible(!is2D);
        setUpdatesEnabled(true);
    }
    // Each group shows the state of its own kind of window only.
    FView2DCommands->ShowWindowState(*window);
    FView3DCommands->ShowWindowState(*window);
}

void TfrmMain::OnFormulaEditRequested(const QString& expression) {
    edtFunc->setEditText(expression);
    edtFunc->setFocus(Qt::OtherFocusReason);
    edtFunc->lineEdit()->selectAll();
}

// ---------------------------------------------------------------------------
// New and opened windows

void TfrmMain::PlaceNewWindow(QMdiSubWindow* sub) {
    // A graph wants room: a new window takes two thirds of the area, each
    // one a little below and right of the one before.
    if (!sub || sub->isMaximized()) return;
    const QSize area = FMdiArea->viewport()->size();
    const QSize size(std::max(320, area.width() * 2 / 3), std::max(240, area.height() * 2 / 3));
    if (sub->width() >= size.width() && sub->height() >= size.height()) return;
    const int offset = 24 * ((FMdiArea->subWindowList().count() - 1) % 8);
    sub->setGeometry(offset, offset, size.width(), size.height());
}

TfrmAbstractMDIChild* TfrmMain::NewGraphWindow2D() { return AddNewGraphWindow(new TfrmChild2D); }

TfrmAbstractMDIChild* TfrmMain::NewGraphWindow3D() { return AddNewGraphWindow(new TfrmChild3D); }

TfrmAbstractMDIChild* TfrmMain::AddNewGraphWindow(TfrmAbstractMDIChild* window) {
    PlaceNewWindow(AddGraphWindow(FMdiArea, window));
    window->setWindowTitle(QStringLiteral("NONAME%1").arg(FMdiArea->subWindowList().count()));
    PostUpdateControls();
    return window;
}

void TfrmMain::OpenDocuments(const QStringList& paths) {
    // Several documents at once (a selection in the open dialog, or the
    // command line) are tiled so that every one of them can be seen, and are
    // sampled after the tiling: each document is sampled once, at the size
    // it keeps.
    const bool tile = paths.size() > 1;
    QList<QPointer<TfrmAbstractMDIChild>> opened;
    for (const QString& path : paths) {
        // One file that fails does not stop the others. A file that cannot be
        // opened at all is named in a message; any other error (a formula
        // that does not compile) goes to the exception report.
        RunGuarded([&] {
            try {
                const int before = static_cast<int>(FMdiArea->subWindowList().count());
                TfrmAbstractMDIChild* window =
                    OpenGraphDocument(FMdiArea, path, [this](QMdiSubWindow* sub) { PlaceNewWindow(sub); },
                                      tile ? TOpenSampling::osByCaller : TOpenSampling::osNow);
                if (window && FMdiArea->subWindowList().count() > before) opened << window;
            } catch (const EFileError& e) {
                QMessageBox::critical(this, ApplicationTitle(), QString::fromUtf8(e.what()));
            }
        });
    }
    if (tile) {
        if (opened.size() > 1) FMdiArea->tileSubWindows();
        for (const QPointer<TfrmAbstractMDIChild>& window : opened) {
            if (!window) continue;
            RunGuarded([&] {
                window->Recalculate(TRecalc::rcAll);
                window->UpdateCaption();
            });
        }
    }
    PostUpdateControls();
}

void TfrmMain::File_Open() {
    QFileDialog dialog(this, QStringLiteral("Open"), QString(), QStringLiteral("Function definitions (*.gfx)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    UseDocumentIcons(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList paths = dialog.selectedFiles();
    if (!paths.isEmpty()) OpenDocuments(paths);
}

// ---------------------------------------------------------------------------
// Function bar

void TfrmMain::FuncComboChanged(int index) {
    const bool listChoice = edtFunc->ListChoice();
    edtFunc->SetListChoice(false);
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!listChoice || !window || !window->ActiveFunc() || !window->Func(index)) return;
    window->SetFuncActive(index);
}

void TfrmMain::WidthChanged(int) {
    cbxGraphicWidth->SetListChoice(false);
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc() || cbxGraphicWidth->Width() == 0) return;
    if (window->Func(edtFunc->currentIndex())) window->SetFuncActive(edtFunc->currentIndex());
    TDocumentEdit edit(window->Owner(), QStringLiteral("Change width"));
    edit.ActiveFunc()->Width = cbxGraphicWidth->Width();
    edit.Commit();
}

void TfrmMain::ColorChanged(std::int32_t color) {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc()) return;
    TDocumentEdit edit(window->Owner(), QStringLiteral("Change color"));
    edit.ActiveFunc()->Color = color;
    edit.Commit();
}

}  // namespace curvane
