// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_log_window.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "gui/help/help.h"
#include "render/fonts.h"

namespace curvane {

TfrmLogWindow::TfrmLogWindow(TDockState& record, QMainWindow* mainWindow)
    : TfrmDockable(QStringLiteral("Log window"), record, mainWindow), FMemo(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmLogWindow"));
    SetHelpTopic(this, QStringLiteral("tools.html#log"));
    FMemo->setObjectName(QStringLiteral("memLog"));
    FMemo->setReadOnly(true);
    FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FMemo->setMaximumBlockCount(MaxLines);
    FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    InstallFontSubstitutions();
    QFont font(QStringLiteral("Terminal"));
    font.setStyleHint(QFont::TypeWriter);
    FMemo->setFont(font);
    setWidget(FMemo);
}

void TfrmLogWindow::AddLine(const QString& line) {
    // appendPlainText starts a new block per call: a line with embedded breaks
    // still arrives as the lines it holds.
    FMemo->appendPlainText(line);
    FMemo->verticalScrollBar()->setValue(FMemo->verticalScrollBar()->maximum());
}

}  // namespace curvane
