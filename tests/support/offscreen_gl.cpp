// An offscreen OpenGL ES 1 context for tests that draw and read pixels back.
#include "support/offscreen_gl.h"

#include "support/xserver.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

static EGLDisplay glDisplay = EGL_NO_DISPLAY;
static EGLSurface glSurface = EGL_NO_SURFACE;
static EGLContext glContext = EGL_NO_CONTEXT;
static Display *xDisplay;
static XServer xServer;

// Brings up a pbuffer and an ES 1 context on an initialised display; 1 on success, else the
// caller releases what was made.
static int makeCurrentPbuffer(EGLDisplay display, int w, int h)
{
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
                                    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                    EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1)
        return 0;
    const EGLint surfaceAttribs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
    glSurface = eglCreatePbufferSurface(display, config, surfaceAttribs);
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    glContext = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (glSurface == EGL_NO_SURFACE || glContext == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, glSurface, glSurface, glContext))
        return 0;
    return 1;
}

// Makes a w x h pbuffer with a depth buffer current: Mesa's surfaceless platform when it offers
// one, else a private Xvfb. 1 on success.
int openOffscreenGl(int w, int h)
{
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) {
        glDisplay = display;
        if (makeCurrentPbuffer(display, w, h))
            return 1;
        closeOffscreenGl();
    }
    xServer = startXServer(w, h);
    xDisplay = xServer.pid ? XOpenDisplay(xServer.name.c_str()) : nullptr;
    if (!xDisplay) {
        closeOffscreenGl();
        return 0;
    }
    display = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, xDisplay, nullptr);
    glDisplay = display;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !makeCurrentPbuffer(display, w, h)) {
        closeOffscreenGl();
        return 0;
    }
    return 1;
}

// Releases the context, the surface and any X server started for them.
void closeOffscreenGl()
{
    if (glDisplay != EGL_NO_DISPLAY) {
        eglMakeCurrent(glDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (glContext != EGL_NO_CONTEXT)
            eglDestroyContext(glDisplay, glContext);
        if (glSurface != EGL_NO_SURFACE)
            eglDestroySurface(glDisplay, glSurface);
        // The surfaceless display stays initialised: terminating it unloads the driver, whose
        // unmapped globals would then make the leak checker report the driver's own allocations.
        if (xDisplay)
            eglTerminate(glDisplay);
    }
    glDisplay = EGL_NO_DISPLAY;
    glSurface = EGL_NO_SURFACE;
    glContext = EGL_NO_CONTEXT;
    if (xDisplay)
        XCloseDisplay(xDisplay);
    xDisplay = nullptr;
    if (xServer.pid)
        stopXServer(&xServer);
    xServer = {};
}
