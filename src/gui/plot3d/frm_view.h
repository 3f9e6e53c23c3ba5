// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

#include "core/settings/win_restorer.h"
#include "gui/widgets/mesh_look_boxes.h"

class QGroupBox;
class QLineEdit;

namespace curvane {

// Where the display controller keeps its screen position between showings
// and runs (the main window's placement store).
struct TFormPositionStore {
    std::function<std::optional<TWinPlacement>()> Load;
    std::function<void(const TWinPlacement&)> Save;
};

// The "Display controller": the view of the current graph window as numbers
// the user can overwrite. A 2D window shows its world rectangle, a 3D window
// also its z range and camera. At most one exists; it deletes itself when
// closed.
class TfrmView : public QWidget {
    Q_OBJECT
public:
    // The open dialog, or null.
    static TfrmView* Instance();
    // Creates and shows the dialog, or returns the one that is open.
    static TfrmView* Open(QWidget* parent, TFormPositionStore store);

    // Loads the edits from CurrentGraphWindow.
    void UpdateView();
    // Hands the screen position to the store (on closing, on deactivation,
    // and by the main window when the program ends with the dialog open).
    void SavePosition();

    QGroupBox* const GroupX;
    QGroupBox* const GroupY;
    QGroupBox* const GroupZ;
    QGroupBox* const GroupCamera;
    // A 3D window's colouring and level lines; a choice applies at once.
    QGroupBox* const GroupSurface;
    QLineEdit* const edtX1;
    QLineEdit* const edtX2;
    QLineEdit* const edtY1;
    QLineEdit* const edtY2;
    QLineEdit* const edtZ1;
    QLineEdit* const edtZ2;
    QLineEdit* const edtDistance;
    QLineEdit* const edtAngleX;
    QLineEdit* const edtAngleY;

signals:
    // The dialog was closed (and is about to be deleted).
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfrmView(QWidget* parent, TFormPositionStore store);
    void edtX1Exit(QLineEdit* edit);
    void ChooseMeshLook();
    // The edits in the order of TViewValue.
    QList<QLineEdit*> Edits() const;

    TMeshLookBoxes FMeshLook;
    TFormPositionStore FStore;
    // A refusal's message box takes the focus away from the edit; that is
    // not the user leaving it.
    bool FApplying = false;
};

}  // namespace curvane
