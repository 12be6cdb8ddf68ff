// What no standard tool measures of a program's window: the time from exec to its first frame (a
// non-black pixel), and the frames (XDamage notifications) with the longest gap between two.
// Usage: frame_watch [--minimise] [--key KEYSYM] WARMUP_S PROGRAM COMMAND
// Starts PROGRAM in its own directory on $DISPLAY, waits for its first frame, optionally has the
// window manager minimise it, optionally sends its window a press of the key, lets WARMUP_S pass,
// then runs COMMAND through bash with BENCH_PID set to the program's pid and counts frames until
// COMMAND ends. Prints "startup_ms frames seconds longest_gap_ms" on one line; exits 1 when the run
// did not count.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

// How long a program may take to show its first frame, and the poll period while a command runs.
static const double startLimitSeconds = 30;
static const int pollPeriodMs = 20;

// Seconds on the monotonic clock.
static double nowSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Windows vanish while programs stop; a failed request is no fault here.
static int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

// Runs a program (in its own directory) or, when shell is set, a bash command; 0 on failure.
static pid_t launch(const char *program, int shell)
{
    pid_t pid = fork();
    if (pid == 0) {
        std::string dir = std::string(program).substr(0, std::string(program).rfind('/') + 1);
        if (shell)
            execlp("bash", "bash", "-c", program, (char *)nullptr);
        else if (dir.empty() || chdir(dir.c_str()) == 0)
            execl(program, program, (char *)nullptr);
        _exit(127);
    }
    return pid < 0 ? 0 : pid;
}

// 1 when the window's middle row or column shows a non-black pixel.
static int showsFrame(Display *x, Window w)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(x, w, &a) || a.map_state != IsViewable)
        return 0;
    int found = 0;
    XImage *lines[2] = {XGetImage(x, w, 0, a.height / 2, (unsigned)a.width, 1, AllPlanes, ZPixmap),
                        XGetImage(x, w, a.width / 2, 0, 1, (unsigned)a.height, AllPlanes, ZPixmap)};
    for (XImage *image : lines) {
        for (int y = 0; image && y < image->height; y++)
            for (int i = 0; i < image->width; i++)
                found |= (XGetPixel(image, i, y) & 0xffffff) != 0;
        if (image)
            XDestroyImage(image);
    }
    return found;
}

// The program's own window under one mapped on the root: the first named one; 0 when none is.
static Window namedWindow(Display *x, Window w)
{
    char *name = nullptr;
    if (XFetchName(x, w, &name) && name) {
        XFree(name);
        return w;
    }
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    if (XQueryTree(x, w, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && !found; i++)
            found = namedWindow(x, children[i]);
    if (children)
        XFree(children);
    return found;
}

// Waits up to the deadline for X events; 0 once it has passed.
static int waitForEvents(Display *x, double until)
{
    double left = until - nowSeconds();
    if (left <= 0)
        return 0;
    pollfd p{ConnectionNumber(x), POLLIN, 0};
    if (!XPending(x))
        poll(&p, 1, left * 1000 < pollPeriodMs ? (int)(left * 1000) + 1 : pollPeriodMs);
    return 1;
}

// Waits for the program's window and its first frame; sets the window and its damage object and
// returns the milliseconds since start, or -1 when it never showed.
static double waitFirstFrame(Display *x, int damageEvent, pid_t pid, double start, Window *w, Damage *damage)
{
    while (waitForEvents(x, start + startLimitSeconds) && waitpid(pid, nullptr, WNOHANG) == 0) {
        int look = 0;
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MapNotify && !*w && (*w = namedWindow(x, event.xmap.window))) {
                // A frame put before the damage object exists is caught by the look right after.
                *damage = XDamageCreate(x, *w, XDamageReportNonEmpty);
                XSync(x, False);
                look = 1;
            } else if (*w && event.type == damageEvent + XDamageNotify) {
                XDamageSubtract(x, *damage, None, None);
                look = 1;
            }
        }
        if (look && showsFrame(x, *w))
            return (nowSeconds() - start) * 1000;
    }
    return -1;
}

// Counts damage notifications until the deadline or until the child ends; the longest gap
// between two goes to *longestGap.
static long countFrames(Display *x, int damageEvent, Damage damage, double until, pid_t child, double *longestGap)
{
    long frames = 0;
    double last = -1;
    *longestGap = 0;
    while (waitForEvents(x, until) && (!child || waitpid(child, nullptr, WNOHANG) == 0)) {
        XEvent event;
        while (XPending(x)) {
            XNextEvent(x, &event);
            if (event.type != damageEvent + XDamageNotify)
                continue;
            double t = nowSeconds();
            if (last >= 0 && t - last > *longestGap)
                *longestGap = t - last;
            last = t;
            frames++;
            XDamageSubtract(x, damage, None, None);
        }
    }
    return frames;
}

// Watches one run of the program as the usage above says.
int main(int argc, char **argv)
{
    int minimise = argc > 1 && std::string(argv[1]) == "--minimise";
    const char *key = argc > 2 + minimise && std::string(argv[1 + minimise]) == "--key" ? argv[2 + minimise] : nullptr;
    char **args = argv + 1 + minimise + (key ? 2 : 0);
    if (argc - (args - argv) != 3) {
        fprintf(stderr, "usage: frame_watch [--minimise] [--key KEYSYM] WARMUP_S PROGRAM COMMAND\n");
        return 2;
    }
    double warmUp = atof(args[0]);
    Display *x = XOpenDisplay(nullptr);
    int damageEvent, damageError;
    if (!x || !XDamageQueryExtension(x, &damageEvent, &damageError))
        return 1;
    XSetErrorHandler(ignoreXError);
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    XSync(x, False);
    double start = nowSeconds();
    pid_t pid = launch(args[1], 0);
    Window w = 0;
    Damage damage = 0;
    double startupMs = pid ? waitFirstFrame(x, damageEvent, pid, start, &w, &damage) : -1;
    int ok = startupMs >= 0;
    if (ok && minimise)
        XIconifyWindow(x, w, DefaultScreen(x));
    if (ok && key) {
        XEvent e{};
        e.xkey = XKeyEvent{KeyPress, 0, True, x, w, DefaultRootWindow(x), 0, CurrentTime, 0, 0, 0, 0, 0,
                           XKeysymToKeycode(x, XStringToKeysym(key)), True};
        XSendEvent(x, w, True, KeyPressMask, &e);
    }
    double gap = 0, seconds = 0;
    long frames = 0;
    if (ok) {
        countFrames(x, damageEvent, damage, nowSeconds() + warmUp, 0, &gap);
        XWindowAttributes a;
        // A run whose window is not in the state asked for has not been measured.
        ok = XGetWindowAttributes(x, w, &a) && (a.map_state == IsViewable) == !minimise;
        setenv("BENCH_PID", std::to_string(pid).c_str(), 1);
        double t0 = nowSeconds();
        pid_t command = ok ? launch(args[2], 1) : 0;
        frames = command ? countFrames(x, damageEvent, damage, t0 + 1e9, command, &gap) : 0;
        seconds = nowSeconds() - t0;
        ok = command && waitpid(pid, nullptr, WNOHANG) == 0;
    }
    if (pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    printf("%.0f %ld %.3f %.0f\n", startupMs, frames, seconds, gap * 1000);
    return ok ? 0 : 1;
}
