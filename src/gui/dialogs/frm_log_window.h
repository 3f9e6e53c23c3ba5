// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/common/dockable.h"

class QPlainTextEdit;

namespace curvane {

// The read-only log that the tools write lines to.
class TfrmLogWindow : public TfrmDockable {
    Q_OBJECT
public:
    // Older lines are dropped beyond this many, so a long session's log
    // cannot grow without bound.
    static constexpr int MaxLines = 10000;

    TfrmLogWindow(TDockState& record, QMainWindow* mainWindow);

    void AddLine(const QString& line);
    QPlainTextEdit* Memo() const { return FMemo; }

private:
    QPlainTextEdit* FMemo;
};

}  // namespace curvane
