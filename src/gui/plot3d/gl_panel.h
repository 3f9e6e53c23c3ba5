// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QOpenGLWidget>
#include <QString>

#include <functional>

#include "render/plot3d/plot3d.h"

namespace curvane {

// Before the QApplication exists: every GL widget gets a compatibility-profile
// context (the scene draws in immediate mode) with a depth buffer, and the
// contexts share their objects, so that moving a panel to another top-level
// window (an MDI child maximised, undocked) keeps working.
void PrepareOpenGL();

// Why this display cannot show 3D graphs, or "" when it can. Qt's offscreen
// platform has no OpenGL at all (a shown QOpenGLWidget takes the process
// down there), and a display without a usable GL driver fails to create a
// context; both are found before any GL widget is made. The answer is worked
// out once per process.
QString OpenGLProblem();
// Tests pretend the display has no OpenGL (a reason), or restore the real
// answer (an empty string).
void SetOpenGLProblemForTesting(const QString& problem);

// The 3D panel: draws a TPlot3D and turns the mouse into camera moves. The
// plot shares the function list of the window it belongs to.
class TGLPanel_ : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit TGLPanel_(QWidget* parent = nullptr);
    ~TGLPanel_() override;

    TPlot3D& Plot() { return FPlot; }
    const TPlot3D& Plot() const { return FPlot; }

    // After each camera change by mouse or wheel (the window's readout).
    std::function<void()> OnCameraChanged;
    // When a drag ends (the display controller refreshes its numbers).
    std::function<void()> OnDragEnded;
    // The surface point under the mouse, when it moves without a button
    // held or leaves the panel (then no mesh is hit).
    std::function<void(const TMeshHit&)> OnPointerMoved;

    // The window became active: keys go to the panel, the frame is redrawn.
    void Activate();

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TPlot3D FPlot;
    int LastMouseX = 0;
    int LastMouseY = 0;
};

// The panel the 3D window creates: the scene with the program's name over it.
class TGLPanel : public TGLPanel_ {
    Q_OBJECT
public:
    using TGLPanel_::TGLPanel_;

protected:
    void paintGL() override;
};

}  // namespace curvane
