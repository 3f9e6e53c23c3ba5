// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>

#include <memory>

#include "gui/document/frm_abstract_mdi_child.h"

class QLabel;

namespace curvane {

class TGLPanel;
class TMeshDialog;
class TPlot3D;
struct TMeshHit;

// The 3D graph document window: one mesh per function, drawn by the 3D panel
// that fills the client area, and the camera readout in the status bar.
// Where the display has no OpenGL the client area says so instead, and the
// window still keeps, opens and saves its document.
class TfrmChild3D : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmChild3D(QWidget* parent = nullptr);
    ~TfrmChild3D() override;

    // Null where the display offers no OpenGL.
    TGLPanel* Panel() const { return FPanel; }
    // The message shown instead of the panel (null when there is a panel).
    QLabel* NoOpenGLLabel() const { return FNoOpenGL; }
    TPlot3D& Plot() const;

    // Questions raised while meshes are built go here instead of message
    // boxes (tests, scripted runs). Null restores the message boxes. The
    // window does not own the object.
    void SetMeshDialog(TMeshDialog* dialog) { FMeshDialog = dialog; }

    // The camera readout: angles and distance, and the target while a mouse
    // button is held over the scene.
    void UpdateStatus();
    // The point under the mouse and its function's formula, or nothing.
    void ShowPointer(const TMeshHit& hit);

    void Activated() override;
    // Rebuilds every mesh whatever the scope, refits the view, redraws.
    void Recalculate(TRecalc scope) override;
    void Redraw() override;

    // -- what a feature asks any graph window --
    // The scene drawn again into the panel's own framebuffer: windows
    // covering the panel never show in it. No picture without a panel.
    QImage Picture() const override;
    bool HasPicture() const override { return FPanel != nullptr; }
    QSize PictureSize() const override;
    TViewBox ViewBox() const override;
    void SetViewValue(TViewValue which, double value) override;
    void ApplyLook(const TWindowLook& look) override;

protected:
    TPlotNeed FollowDocument(const TDocumentChange& change, TChangeOrigin origin) override;
    // Every mesh is built again: the view box is fitted to all of them.
    void SampleChange(const TDocumentChange& change, TPlotNeed need) override;
    void keyPressEvent(QKeyEvent* event) override;

private:

    TGLPanel* FPanel = nullptr;
    QLabel* FNoOpenGL = nullptr;
    // The document's scene where there is no panel to hold it.
    std::unique_ptr<TPlot3D> FHeadlessPlot;
    TMeshDialog* FMeshDialog = nullptr;
    // A rebuild asked for while another computation holds the evaluators
    // runs once that one is over.
};

}  // namespace curvane
