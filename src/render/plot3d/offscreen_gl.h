// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

#include <memory>

#include "core/support/exceptions.h"

namespace curvane {

// OpenGL could not be set up: no EGL, no surfaceless platform, no
// compatibility context, or no framebuffer of the size asked for.
class EOpenGLError : public Exception {
public:
    using Exception::Exception;
};

// An OpenGL compatibility-profile context with no window and no X server
// (EGL on Mesa's surfaceless platform), drawing into a framebuffer object of
// colour and depth renderbuffers. Creation makes it current on the calling
// thread; use it from that thread only.
class TOffscreenGL {
public:
    // Raises EOpenGLError "TOffscreenGL.Create: ..." when no context can be had.
    explicit TOffscreenGL(QSize size);
    ~TOffscreenGL();
    TOffscreenGL(const TOffscreenGL&) = delete;
    TOffscreenGL& operator=(const TOffscreenGL&) = delete;

    QSize Size() const { return FSize; }
    // New renderbuffers of another size (contents undefined). Raises
    // EOpenGLError "TOffscreenGL.Resize: ..." beyond what the driver allows.
    void Resize(QSize size);
    // Makes the context current again, with its framebuffer bound.
    void MakeCurrent();
    // The framebuffer's colour as an opaque RGB32 image, top row first.
    QImage Grab();
    // GL_RENDERER, for reports ("llvmpipe (LLVM 15.0.6, 256 bits)").
    QString Renderer() const;

private:
    // Frees the framebuffer and the context; safe to call twice.
    void Release();

    struct TState;
    std::unique_ptr<TState> F;
    QSize FSize;
};

}  // namespace curvane
