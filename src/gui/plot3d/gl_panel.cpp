// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot3d/gl_panel.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <optional>

#include "core/plot/camera3d.h"

namespace curvane {

namespace {

std::optional<QString> GProblemOverride;

QString DetectOpenGLProblem() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return QStringLiteral("the \"%1\" platform has no OpenGL").arg(platform);
    QOpenGLContext probe;
    probe.setFormat(QSurfaceFormat::defaultFormat());
    if (!probe.create()) return QStringLiteral("no OpenGL context can be created");
    return QString();
}

// The caption over the scene, every byte inverted, so that the program's name
// does not stand in the binary as plain text.
constexpr std::array<unsigned char, 7> ScrambledCaption = {0xBC, 0x8A, 0x8D, 0x89, 0x9E, 0x91, 0x9A};

QString UnscrambledCaption() {
    QByteArray text;
    for (unsigned char c : ScrambledCaption) text.append(static_cast<char>(c ^ 0xFF));
    return QString::fromLatin1(text);
}

}  // namespace

void PrepareOpenGL() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString OpenGLProblem() {
    if (GProblemOverride) return *GProblemOverride;
    static const QString problem = DetectOpenGLProblem();
    return problem;
}

void SetOpenGLProblemForTesting(const QString& problem) {
    if (problem.isEmpty())
        GProblemOverride.reset();
    else
        GProblemOverride = problem;
}

TGLPanel_::TGLPanel_(QWidget* parent) : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
    setMouseTracking(true);
}

TGLPanel_::~TGLPanel_() = default;

void TGLPanel_::Activate() {
    setFocus(Qt::ActiveWindowFocusReason);
    update();
}

void TGLPanel_::initializeGL() {
    // Runs again whenever the panel moves to another top-level window, with a
    // new context: the glyph lists are built for each one.
    FPlot.InitializeGL();
}

void TGLPanel_::paintGL() {
    // The frame buffer has device pixels; the viewport must cover all of it.
    const qreal ratio = devicePixelRatioF();
    FPlot.SetPixelScale(ratio);
    FPlot.Paint(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
}

void TGLPanel::paintGL() {
    Plot().SetCaption(UnscrambledCaption());
    TGLPanel_::paintGL();
    Plot().SetCaption(QString());
}

void TGLPanel_::mousePressEvent(QMouseEvent* event) {
    FPlot.SetDragging(true);
    LastMouseX = event->position().toPoint().x();
    LastMouseY = event->position().toPoint().y();
    repaint();
    if (OnCameraChanged) OnCameraChanged();
}

void TGLPanel_::mouseMoveEvent(QMouseEvent* event) {
    if (!FPlot.Dragging()) {
        if (OnPointerMoved) {
            // The last frame had device pixels.
            const QPointF at = event->position() * devicePixelRatioF();
            OnPointerMoved(FPlot.Pick(at.x(), at.y()));
        }
        return;
    }
    const QPoint at = event->position().toPoint();
    const Qt::MouseButtons buttons = event->buttons();
    TDragState drag;
    drag.Left = buttons & Qt::LeftButton;
    drag.Right = buttons & Qt::RightButton;
    drag.Middle = buttons & Qt::MiddleButton;
    drag.Shift = event->modifiers() & Qt::ShiftModifier;
    drag.Ctrl = event->modifiers() & Qt::ControlModifier;
    DragCamera(FPlot.Camera(), drag, at.x() - LastMouseX, at.y() - LastMouseY, width(), height());
    LastMouseX = at.x();
    LastMouseY = at.y();
    // One frame per move, drawn now: the scene follows the pointer even when
    // moves arrive faster than the event loop would schedule paints.
    repaint();
    if (OnCameraChanged) OnCameraChanged();
}

void TGLPanel_::mouseReleaseEvent(QMouseEvent*) {
    // Any button held ends the drag: the cross and the target readout go.
    FPlot.SetDragging(false);
    repaint();
    if (OnCameraChanged) OnCameraChanged();
    if (OnDragEnded) OnDragEnded();
}

void TGLPanel_::leaveEvent(QEvent* event) {
    if (OnPointerMoved) OnPointerMoved({});
    QOpenGLWidget::leaveEvent(event);
}

void TGLPanel_::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    WheelCamera(FPlot.Camera(), delta);
    repaint();
    if (OnCameraChanged) OnCameraChanged();
}

}  // namespace curvane
