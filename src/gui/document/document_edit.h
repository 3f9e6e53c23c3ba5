// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>

#include <cstdint>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"

namespace curvane {

class TfrmAbstractMDIChild;

// What an undo step puts back into a graph window: the functions with their
// colours and widths, the active function, and the display switches the
// window keeps with its document. The visible area (the 2D edges, the 3D
// camera) is left out on purpose, so undoing a deletion does not also undo a
// pan made after it; its fields keep their defaults here.
struct TDocumentContent {
    TFuncList Functions;
    std::int32_t FuncActive = -1;
    TView2D View2D;  // switches, units and granularities of a 2D window
    TView3D View3D;  // draw type and switches of a 3D window
    bool Grid3D = true;

    friend bool operator==(const TDocumentContent&, const TDocumentContent&) = default;
};

// Whether two lists differ in nothing but colours and widths: such a change
// is only painted again, anything else is sampled again.
bool SameFunctionsButLook(const TFuncList& a, const TFuncList& b);

// Records one user action on a window's document as one undo step. The
// content is taken when the edit begins and again at Commit, or when the edit
// goes out of scope without one (an early return, an exception: whatever did
// change stays undoable). An action that changed nothing (a dialog
// cancelled, a value chosen again) pushes no step. A null window records
// nothing.
//
//     TDocumentEdit edit(window, "Delete function");
//     window->DeleteFunction(window->FuncActive());
//     edit.Commit();
class TDocumentEdit {
public:
    TDocumentEdit(TfrmAbstractMDIChild* window, const QString& text);
    ~TDocumentEdit();
    TDocumentEdit(const TDocumentEdit&) = delete;
    TDocumentEdit& operator=(const TDocumentEdit&) = delete;

    // Pushes the step (once; later calls do nothing). Commit before sampling:
    // a formula that fails to compile is still the user's edit.
    void Commit();

private:
    QPointer<TfrmAbstractMDIChild> FWindow;
    QString FText;
    TDocumentContent FBefore;
    bool FDone = false;
};

}  // namespace curvane
