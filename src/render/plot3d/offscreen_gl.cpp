// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <string>

namespace curvane {

namespace {

// The framebuffer-object entry points belong to GL 3.0 and are not exported
// by every libGL: they are looked up through EGL.
struct TFboProcs {
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;

    template <typename T>
    static bool Load(T& proc, const char* name) {
        proc = reinterpret_cast<T>(eglGetProcAddress(name));
        return proc != nullptr;
    }
    bool LoadAll() {
        return Load(GenFramebuffers, "glGenFramebuffers") && Load(DeleteFramebuffers, "glDeleteFramebuffers") &&
               Load(BindFramebuffer, "glBindFramebuffer") && Load(GenRenderbuffers, "glGenRenderbuffers") &&
               Load(DeleteRenderbuffers, "glDeleteRenderbuffers") && Load(BindRenderbuffer, "glBindRenderbuffer") &&
               Load(RenderbufferStorage, "glRenderbufferStorage") &&
               Load(FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
               Load(CheckFramebufferStatus, "glCheckFramebufferStatus");
    }
};

bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

std::string EglErrorText() {
    const EGLint code = eglGetError();
    switch (code) {
        case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
        case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
        case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
        case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
        case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
        case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
        case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
        case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
        case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
        default: return "EGL error 0x" + QString::number(code, 16).toStdString();
    }
}

[[noreturn]] void Fail(const char* operation, const std::string& detail) {
    throw EOpenGLError(std::string("TOffscreenGL.") + operation + ": " + detail);
}

// The surfaceless display, initialised once for the process. It is never
// terminated: eglTerminate would pull it from under every other context of
// the process, and the driver cleans up at exit.
EGLDisplay SurfacelessDisplay() {
    static const EGLDisplay display = []() -> EGLDisplay {
        const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (!HasExtension(client, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
        const auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay) return EGL_NO_DISPLAY;
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(d, &major, &minor)) return EGL_NO_DISPLAY;
        return d;
    }();
    return display;
}

}  // namespace

struct TOffscreenGL::TState {
    EGLDisplay Display = EGL_NO_DISPLAY;
    EGLContext Context = EGL_NO_CONTEXT;
    TFboProcs Fbo;
    GLuint Framebuffer = 0;
    GLuint Colour = 0;
    GLuint Depth = 0;
};

TOffscreenGL::TOffscreenGL(QSize size) : F(std::make_unique<TState>()) {
    F->Display = SurfacelessDisplay();
    if (F->Display == EGL_NO_DISPLAY)
        Fail("Create", "no EGL display on Mesa's surfaceless platform (are libegl1 and libegl-mesa0 installed?)");
    const char* extensions = eglQueryString(F->Display, EGL_EXTENSIONS);
    // The surfaceless display offers no configs, and there is no surface.
    if (!HasExtension(extensions, "EGL_KHR_no_config_context") &&
        !HasExtension(extensions, "EGL_MESA_configless_context"))
        Fail("Create", "the EGL display cannot make a context without a config");
    if (!HasExtension(extensions, "EGL_KHR_surfaceless_context"))
        Fail("Create", "the EGL display cannot make a context current without a surface");
    if (!eglBindAPI(EGL_OPENGL_API)) Fail("Create", "desktop OpenGL is not available: " + EglErrorText());
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    F->Context = eglCreateContext(F->Display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (F->Context == EGL_NO_CONTEXT)
        Fail("Create", "no compatibility-profile context: " + EglErrorText());
    if (!eglMakeCurrent(F->Display, EGL_NO_SURFACE, EGL_NO_SURFACE, F->Context)) {
        const std::string error = EglErrorText();
        eglDestroyContext(F->Display, F->Context);
        F->Context = EGL_NO_CONTEXT;
        Fail("Create", "the context cannot be made current: " + error);
    }
    if (!F->Fbo.LoadAll()) {
        Release();
        Fail("Create", "the driver has no framebuffer objects");
    }
    F->Fbo.GenFramebuffers(1, &F->Framebuffer);
    F->Fbo.GenRenderbuffers(1, &F->Colour);
    F->Fbo.GenRenderbuffers(1, &F->Depth);
    try {
        Resize(size);
    } catch (const EOpenGLError&) {
        Release();
        throw;
    }
}

TOffscreenGL::~TOffscreenGL() { Release(); }

void TOffscreenGL::Release() {
    if (F->Context == EGL_NO_CONTEXT) return;
    eglMakeCurrent(F->Display, EGL_NO_SURFACE, EGL_NO_SURFACE, F->Context);
    if (F->Framebuffer != 0) {
        F->Fbo.BindFramebuffer(GL_FRAMEBUFFER, 0);
        F->Fbo.DeleteFramebuffers(1, &F->Framebuffer);
        F->Fbo.DeleteRenderbuffers(1, &F->Colour);
        F->Fbo.DeleteRenderbuffers(1, &F->Depth);
    }
    eglMakeCurrent(F->Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(F->Display, F->Context);
    F->Context = EGL_NO_CONTEXT;
}

void TOffscreenGL::MakeCurrent() {
    eglMakeCurrent(F->Display, EGL_NO_SURFACE, EGL_NO_SURFACE, F->Context);
    F->Fbo.BindFramebuffer(GL_FRAMEBUFFER, F->Framebuffer);
}

void TOffscreenGL::Resize(QSize size) {
    MakeCurrent();
    GLint limit = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    if (size.width() < 1 || size.height() < 1 || size.width() > limit || size.height() > limit)
        Fail("Resize", "a framebuffer of " + std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                           " pixels is outside 1.." + std::to_string(limit));
    const TFboProcs& p = F->Fbo;
    p.BindRenderbuffer(GL_RENDERBUFFER, F->Colour);
    p.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size.width(), size.height());
    p.BindRenderbuffer(GL_RENDERBUFFER, F->Depth);
    p.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size.width(), size.height());
    p.BindRenderbuffer(GL_RENDERBUFFER, 0);
    p.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, F->Colour);
    p.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, F->Depth);
    const GLenum status = p.CheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE || glGetError() == GL_OUT_OF_MEMORY)
        Fail("Resize", "no complete framebuffer of " + std::to_string(size.width()) + "x" +
                           std::to_string(size.height()) + " pixels (status 0x" +
                           QString::number(status, 16).toStdString() + ")");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    FSize = size;
}

QImage TOffscreenGL::Grab() {
    MakeCurrent();
    glFinish();
    QImage image(FSize, QImage::Format_RGB32);
    if (image.isNull()) Fail("Grab", "no memory for the picture");
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // GL's first row is the bottom one: read each row into its mirrored line.
    // BGRA bytes are RGB32's memory order on a little-endian machine; alpha
    // is forced to opaque because the scene clears it to 0.
    for (int y = 0; y < FSize.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(FSize.height() - 1 - y));
        glReadPixels(0, y, FSize.width(), 1, GL_BGRA, GL_UNSIGNED_BYTE, line);
        for (int x = 0; x < FSize.width(); ++x) line[x] |= 0xFF000000u;
    }
    return image;
}

QString TOffscreenGL::Renderer() const {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text ? QString::fromLatin1(text) : QString();
}

}  // namespace curvane
