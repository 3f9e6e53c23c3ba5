// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "core/document/graph_document.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane::testing {

// Changes a window's document the way a command does: one undo step named
// `text`; the window follows at once (it samples what changed).
inline void EditDocument(TfrmAbstractMDIChild& window, const std::function<void(TGraphDocument&)>& change,
                         const QString& text = QStringLiteral("Test edit")) {
    TDocumentEdit edit(window.Owner(), text);
    change(edit.Document());
    edit.Commit();
}

// Puts a changed document in place without an undo step, as a test's set-up;
// the window follows at once (it samples what changed).
inline void ShowDocument(TfrmAbstractMDIChild& window, const std::function<void(TGraphDocument&)>& change) {
    TGraphDocument document = window.Document();
    change(document);
    window.Owner()->Show(document);
}

// Appends a function (or fills an empty last one), active from then on, and
// returns its index. Set-up: no undo step.
inline int AddFunctionTo(TfrmAbstractMDIChild& window, const QString& formula,
                         const std::function<void(TFuncItem&)>& more = {}) {
    int index = -1;
    ShowDocument(window, [&](TGraphDocument& document) {
        TFuncItem& item = AddFunction(document, formula.toStdString());
        if (more) more(item);
        index = document.FuncActive;
    });
    return index;
}

// A file's text (empty when it cannot be read), and a file written whole, as
// another program would.
inline QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
inline void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Closing without the save question: the document counts as saved.
inline void ForgetChanges(TfrmAbstractMDIChild& window) { window.UndoStack()->setClean(); }

}  // namespace curvane::testing
