// An offscreen OpenGL ES 1 context for tests that draw and read pixels back.
#include "support/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

static EGLDisplay glDisplay = EGL_NO_DISPLAY;
static EGLSurface glSurface = EGL_NO_SURFACE;
static EGLContext glContext = EGL_NO_CONTEXT;

int openOffscreenGl(int w, int h)
{
    glDisplay = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
                                    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                    EGL_DEPTH_SIZE, 16, EGL_NONE};
    const EGLint surfaceAttribs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (glDisplay == EGL_NO_DISPLAY || !eglInitialize(glDisplay, nullptr, nullptr) ||
        !eglChooseConfig(glDisplay, configAttribs, &config, 1, &count) || count < 1)
        return 0;
    glSurface = eglCreatePbufferSurface(glDisplay, config, surfaceAttribs);
    glContext = eglCreateContext(glDisplay, config, EGL_NO_CONTEXT, contextAttribs);
    return glSurface != EGL_NO_SURFACE && glContext != EGL_NO_CONTEXT &&
           eglMakeCurrent(glDisplay, glSurface, glSurface, glContext);
}

// The display stays initialised: terminating it unloads the driver, whose unmapped globals would
// then make the leak checker report the driver's own allocations.
void closeOffscreenGl()
{
    eglMakeCurrent(glDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(glDisplay, glContext);
    eglDestroySurface(glDisplay, glSurface);
    glSurface = EGL_NO_SURFACE;
    glContext = EGL_NO_CONTEXT;
}
