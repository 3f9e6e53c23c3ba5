// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

class QUndoGroup;

namespace curvane {

// Undo and Redo. Every graph window keeps its own undo stack; the group's
// active stack follows the current window, and the captions name the step
// ("&Undo Delete function").
class TEditCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TEditCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    QUndoGroup* UndoGroup() const { return FGroup; }

    QAction* const EditUndo;
    QAction* const EditRedo;

private:
    void EditUndoExecute();
    void EditRedoExecute();
    // Captions and enabled states from the active stack.
    void ShowStack();

    QUndoGroup* FGroup;
};

}  // namespace curvane
