// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/edit_commands.h"

#include <QAction>
#include <QUndoGroup>
#include <QUndoStack>

#include "core/document/shared_evaluators.h"
#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane {

TEditCommands::TEditCommands(TfrmMain& main)
    : TCommandGroup(main),
      // A step puts functions back that may be sampled at that moment: both
      // wait while a run holds the evaluators.
      EditUndo(Add("EditUndo", "&Undo", "edit-undo", QKeySequence(Qt::CTRL | Qt::Key_Z),
                   &TEditCommands::EditUndoExecute, TCommandUse::cuEvaluators)),
      EditRedo(Add("EditRedo", "&Redo", "edit-redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                   &TEditCommands::EditRedoExecute, TCommandUse::cuEvaluators)),
      FGroup(new QUndoGroup(this)) {
    EditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The actions are our own rather than the group's ready-made ones, whose
    // enabled state would ignore a running computation.
    for (auto signal : {&QUndoGroup::canUndoChanged, &QUndoGroup::canRedoChanged})
        connect(FGroup, signal, this, &TEditCommands::ShowStack);
    for (auto signal : {&QUndoGroup::undoTextChanged, &QUndoGroup::redoTextChanged})
        connect(FGroup, signal, this, &TEditCommands::ShowStack);
    connect(FGroup, &QUndoGroup::activeStackChanged, this, &TEditCommands::ShowStack);
    // At once, not with the next update: a shortcut pressed right after
    // switching windows must reach the new window's history.
    connect(&TGraphHub::Instance(), &TGraphHub::WindowActivated, this, [this](TfrmAbstractMDIChild* window) {
        if (!window) return;
        FGroup->addStack(window->UndoStack());
        FGroup->setActiveStack(window->UndoStack());
    });
    ShowStack();
}

void TEditCommands::UpdateControls(const TCommandState& state) {
    // A window's stack leaves the group by itself when the window goes.
    QUndoStack* stack = state.Window ? state.Window->UndoStack() : nullptr;
    if (stack) FGroup->addStack(stack);
    FGroup->setActiveStack(stack);
    ShowStack();
}

void TEditCommands::ShowStack() {
    const bool free = !SharedEvaluatorsLeased();
    const QString undo = FGroup->undoText(), redo = FGroup->redoText();
    EditUndo->setText(undo.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + undo);
    EditRedo->setText(redo.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + redo);
    for (QAction* action : {EditUndo, EditRedo}) action->setToolTip(QString(action->text()).remove(QLatin1Char('&')));
    Enable(EditUndo, FGroup->canUndo() && free);
    Enable(EditRedo, FGroup->canRedo() && free);
}

void TEditCommands::EditUndoExecute() { FGroup->undo(); }

void TEditCommands::EditRedoExecute() { FGroup->redo(); }

}  // namespace curvane
