// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/document_edit.h"

#include <QUndoCommand>
#include <QUndoStack>

#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane {

namespace {

// One step: the window's content before and after the action.
class TDocumentStep : public QUndoCommand {
public:
    TDocumentStep(TfrmAbstractMDIChild& window, const QString& text, TDocumentContent before,
                  TDocumentContent after)
        : QUndoCommand(text), FWindow(&window), FBefore(std::move(before)), FAfter(std::move(after)) {}

    void undo() override { Apply(FBefore); }
    void redo() override {
        // The stack calls this once when the step is pushed, after the action
        // itself has already changed the document.
        if (FPushed) return Apply(FAfter);
        FPushed = true;
    }

private:
    void Apply(const TDocumentContent& content) {
        // The stack belongs to the window, so the window outlives its steps;
        // the pointer only guards a step taken off a stack by hand.
        if (FWindow) FWindow->RestoreContent(content);
    }

    QPointer<TfrmAbstractMDIChild> FWindow;
    TDocumentContent FBefore;
    TDocumentContent FAfter;
    bool FPushed = false;
};

}  // namespace

bool SameFunctionsButLook(const TFuncList& a, const TFuncList& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        TFuncItem left = *a.Items(i);
        left.Color = b.Items(i)->Color;
        left.Width = b.Items(i)->Width;
        if (!(left == *b.Items(i))) return false;
    }
    return true;
}

TDocumentEdit::TDocumentEdit(TfrmAbstractMDIChild* window, const QString& text) : FWindow(window), FText(text) {
    if (FWindow) FWindow->GetContent(FBefore);
}

TDocumentEdit::~TDocumentEdit() {
    try {
        Commit();
    } catch (...) {
        // Out of memory while taking the content: the action stays done, it
        // only cannot be undone. A destructor must not throw, least of all
        // while an exception of the action is on its way out.
    }
}

void TDocumentEdit::Commit() {
    if (FDone) return;
    FDone = true;
    if (!FWindow) return;
    TDocumentContent after;
    FWindow->GetContent(after);
    if (after == FBefore) return;
    FWindow->UndoStack()->push(new TDocumentStep(*FWindow, FText, std::move(FBefore), std::move(after)));
}

}  // namespace curvane
