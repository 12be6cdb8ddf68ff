// The cost floor the game is measured against: a bare EGL window of the screen's size, with the
// game's frame-buffer configuration and context, that clears and presents every 40 ms and does
// nothing else. It blocks in poll() between frames, as the game's loop does.
#include <EGL/egl.h>
#include <GLES/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static const EGLint depthAttributes[] = {EGL_RED_SIZE, 1, EGL_DEPTH_SIZE, 1, EGL_NONE};
static const long framePeriodMs = 40;

// Milliseconds on the monotonic clock.
static long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// A lost X server ends the floor at once, like the game.
static int onIoError(Display *)
{
    _exit(1);
}

// Creates a mapped window of the screen's size with the visual the configuration names; 0 on failure.
static Window openWindow(Display *x, EGLDisplay egl, EGLConfig config)
{
    EGLint visualId = 0;
    eglGetConfigAttrib(egl, config, EGL_NATIVE_VISUAL_ID, &visualId);
    XVisualInfo wanted{};
    wanted.visualid = (VisualID)visualId;
    int count = 0;
    XVisualInfo *visual = XGetVisualInfo(x, VisualIDMask, &wanted, &count);
    if (!visual)
        return 0;
    int screen = DefaultScreen(x);
    Window root = RootWindow(x, screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(x, root, visual->visual, AllocNone);
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    Window w = XCreateWindow(x, root, 0, 0, (unsigned)DisplayWidth(x, screen), (unsigned)DisplayHeight(x, screen),
                             0, visual->depth, InputOutput, visual->visual,
                             CWColormap | CWEventMask | CWBorderPixel, &attributes);
    XFree(visual);
    if (!w)
        return 0;
    XStoreName(x, w, "egl floor");
    XMapWindow(x, w);
    XFlush(x);
    return w;
}

// The driver's and renderer's names, for the benchmark's record of the machine.
static void printInfo(EGLDisplay egl)
{
    printf("- EGL: %s %s\n", eglQueryString(egl, EGL_VENDOR), eglQueryString(egl, EGL_VERSION));
    printf("- GL: %s; %s; %s\n", (const char *)glGetString(GL_VENDOR), (const char *)glGetString(GL_RENDERER),
           (const char *)glGetString(GL_VERSION));
}

// Opens the window and presents a cleared frame every 40 ms until killed or the server goes;
// with --info it prints the EGL and GL strings of that context instead.
int main(int argc, char **argv)
{
    Display *x = XOpenDisplay(nullptr);
    if (!x) {
        fprintf(stderr, "egl_floor: cannot open the X display\n");
        return 1;
    }
    XSetIOErrorHandler(onIoError);
    EGLDisplay egl = eglGetDisplay((EGLNativeDisplayType)x);
    EGLConfig config;
    EGLint found = 0;
    if (!eglInitialize(egl, nullptr, nullptr) || !eglChooseConfig(egl, depthAttributes, &config, 1, &found) ||
        found < 1) {
        fprintf(stderr, "egl_floor: no EGL configuration\n");
        return 1;
    }
    Window w = openWindow(x, egl, config);
    EGLSurface surface = w ? eglCreateWindowSurface(egl, config, (EGLNativeWindowType)w, nullptr) : EGL_NO_SURFACE;
    EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, nullptr);
    if (surface == EGL_NO_SURFACE || !eglMakeCurrent(egl, surface, surface, context)) {
        fprintf(stderr, "egl_floor: cannot make a window surface current\n");
        return 1;
    }
    if (argc > 1 && strcmp(argv[1], "--info") == 0) {
        printInfo(egl);
        return 0;
    }
    // Grey, so that a probe waiting for the first non-black pixel sees the first frame.
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    // The first frame waits for the window's first exposure, as the game's first paint does.
    long due = -1;
    for (;;) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == Expose && due < 0)
                due = nowMs();
        }
        long now = nowMs();
        if (due >= 0 && now >= due) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            eglSwapBuffers(egl, surface);
            // Missed periods are dropped, as the game's timer drops them.
            while (due <= now)
                due += framePeriodMs;
            continue;
        }
        pollfd p{ConnectionNumber(x), POLLIN, 0};
        poll(&p, 1, due < 0 ? -1 : (int)(due - now));
    }
}
