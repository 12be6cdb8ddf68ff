// Driving the real program from outside: a private X server, child processes, window search,
// pixel captures and synthetic input.
#include "support/game_process.h"

#include "ug/x11_platform.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const SceneColour SKY{{128, 128, 255}, 2}, TABLE_TOP{{92, 208, 92}, 2}, PUCK_TOP{{208, 92, 92}, 2},
    USER_MALLET_TOP{{92, 92, 208}, 2}, CPU_MALLET_TOP{{208, 92, 208}, 2}, FLOOR{{140, 46, 68}, 25},
    HUD_TEXT{{255, 192, 240}, 63};

enum { MAX_SESSIONS = 8 };

// The servers of open sessions, kept by value: a failed test returns before closing its session.
static XServer openServers[MAX_SESSIONS];

// Windows vanish while we look at them; a refused request must not end the test.
static int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

// Stops the servers of sessions a failed test left open.
static void stopLeftoverServers()
{
    for (XServer &s : openServers)
        stopXServer(&s);
}

// Starts Xvfb of w x h and connects to it; 1 on success. Sessions left open are stopped at exit.
int openSession(XSession *session, int w, int h)
{
    static int registered;
    if (!registered) {
        registered = atexit(stopLeftoverServers) == 0;
        XSetErrorHandler(ignoreXError);
    }
    session->server = startXServer(w, h);
    session->display = session->server.pid ? XOpenDisplay(session->server.name.c_str()) : nullptr;
    if (!session->display) {
        stopXServer(&session->server);
        return 0;
    }
    for (XServer &s : openServers)
        if (!s.pid) {
            s = session->server;
            break;
        }
    return 1;
}

// Drops the connection and stops the server.
void closeSession(XSession *session)
{
    for (XServer &s : openServers)
        if (s.pid == session->server.pid)
            s = XServer{0, ""};
    if (session->display)
        XCloseDisplay(session->display);
    session->display = nullptr;
    stopXServer(&session->server);
}

// The absolute path of the directory RINKSLIDER_BUILD_DIR names, the working directory without it.
std::string buildDir()
{
    const char *dir = getenv("RINKSLIDER_BUILD_DIR");
    char *full = realpath(dir && *dir ? dir : ".", nullptr);
    std::string path = full ? full : ".";
    free(full);
    return path;
}

// The game binary of the build under test.
std::string gameProgram()
{
    return buildDir() + "/rinkslider";
}

// The build's game on the session's display, started in the build directory.
LaunchSpec gameSpec(const XSession *session)
{
    LaunchSpec launch;
    launch.program = gameProgram();
    launch.workDir = buildDir();
    launch.display = session->server.name;
    return launch;
}

// Starts the launch's game on the open session; its window once it shows the scene, else 0.
Window launchGame(XSession *session, const LaunchSpec &launch, ChildProcess *game)
{
    *game = launchProcess(launch);
    Window window = game->pid ? findWindow(session->display, "Rinkslider") : 0;
    return window && showsScene(waitForScene(session->display, window)) ? window : 0;
}

// Opens a w x h session and launches the build's game on it; the window, 0 on failure.
Window startGame(XSession *session, ChildProcess *game, int w, int h)
{
    *game = ChildProcess{0, ""};
    return openSession(session, w, h) ? launchGame(session, gameSpec(session), game) : 0;
}

// Starts the child with stderr captured; pid 0 on failure. The child dies with the test.
ChildProcess launchProcess(const LaunchSpec &launch)
{
    ChildProcess child{0, ""};
    char path[] = "/tmp/rinkslider-stderr-XXXXXX";
    int errFd = mkstemp(path);
    if (errFd < 0)
        return child;
    child.stderrPath = path;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(errFd, 2);
        close(errFd);
        int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(devNull, 1);
        }
        if (launch.display.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", launch.display.c_str(), 1);
        for (const std::string &entry : launch.env)
            putenv(strdup(entry.c_str()));
        if (!launch.workDir.empty() && chdir(launch.workDir.c_str()) != 0)
            _exit(127);
        std::vector<char *> argv{(char *)launch.program.c_str()};
        for (const std::string &a : launch.args)
            argv.push_back((char *)a.c_str());
        argv.push_back(nullptr);
        execv(launch.program.c_str(), argv.data());
        _exit(127);
    }
    close(errFd);
    if (pid < 0) {
        unlink(path);
        child.stderrPath.clear();
        return child;
    }
    child.pid = pid;
    return child;
}

// The exit code of a wait status, 128 + signal for a killed child.
static int exitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// 1 while the child has not ended (reaps it once it has; then waitProcess is not needed).
int processRunning(ChildProcess *child, int *exitCode)
{
    if (child->pid <= 0)
        return 0;
    int status;
    pid_t done = waitpid(child->pid, &status, WNOHANG);
    if (done == 0)
        return 1;
    if (done == child->pid && exitCode)
        *exitCode = exitCodeOf(status);
    child->pid = 0;
    return 0;
}

// The child's exit code (128 + signal), or WAIT_TIMED_OUT after killing it when it runs too long.
int waitProcess(ChildProcess *child, int timeoutMs)
{
    int code = WAIT_TIMED_OUT;
    for (long long end = ugNowMs() + timeoutMs; processRunning(child, &code);) {
        if (ugNowMs() >= end) {
            kill(child->pid, SIGKILL);
            waitpid(child->pid, nullptr, 0);
            child->pid = 0;
            return WAIT_TIMED_OUT;
        }
        usleep(10000);
    }
    return code;
}

// Kills the child if it still runs and removes its stderr file.
void endProcess(ChildProcess *child)
{
    if (child->pid > 0) {
        kill(child->pid, SIGKILL);
        waitpid(child->pid, nullptr, 0);
    }
    child->pid = 0;
    if (!child->stderrPath.empty())
        unlink(child->stderrPath.c_str());
    child->stderrPath.clear();
}

// Everything the child has written to stderr so far.
std::string readStderr(const ChildProcess *child)
{
    std::string text;
    readFile(child->stderrPath, &text);
    return text;
}

// A fresh directory under /tmp; empty on failure.
std::string makeScratchDir()
{
    char path[] = "/tmp/rinkslider-test-XXXXXX";
    return mkdtemp(path) ? path : "";
}

// Deletes one entry met by the tree walk.
static int removeEntry(const char *path, const struct stat *, int, FTW *)
{
    return remove(path);
}

// Deletes the directory with all it holds.
void removeTree(const std::string &dir)
{
    if (!dir.empty())
        nftw(dir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The whole file into *bytes; 1 on success.
int readFile(const std::string &path, std::string *bytes)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    bytes->clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes->append(buf, n);
    int ok = !ferror(f);
    fclose(f);
    return ok;
}

// Copies a file, keeping its permission bits; 1 on success.
int copyFile(const std::string &from, const std::string &to)
{
    struct stat st;
    std::string bytes;
    return stat(from.c_str(), &st) == 0 && readFile(from, &bytes) && writeFile(to, bytes) &&
           chmod(to.c_str(), st.st_mode & 07777) == 0;
}

// A scratch copy of the program and its images, one of them replaced by bytes or left out (null).
std::string gameCopy(const char *fileName, const std::string *bytes)
{
    std::string dir = makeScratchDir();
    int ok = !dir.empty() && copyFile(gameProgram(), dir + "/rinkslider");
    for (const char *name : {"floor.bmp", "font.tga"}) {
        std::string to = dir + "/" + name;
        int replaced = fileName && strcmp(fileName, name) == 0;
        ok = ok && (!replaced ? copyFile(buildDir() + "/" + name, to) : !bytes || writeFile(to, *bytes));
    }
    if (!ok) {
        removeTree(dir);
        return "";
    }
    return dir;
}

// The copy in dir on the session's display, started in dir.
LaunchSpec gameCopySpec(const XSession *session, const std::string &dir)
{
    LaunchSpec launch = gameSpec(session);
    launch.program = dir + "/rinkslider";
    launch.workDir = dir;
    return launch;
}

// Writes the bytes to a new file; 1 on success.
int writeFile(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    int ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// Polls check(context) every 10 ms until it returns nonzero or the time is up; its last result.
int pollUntil(int (*check)(void *context), void *context, int timeoutMs)
{
    for (long long end = ugNowMs() + timeoutMs;;) {
        int result = check(context);
        if (result || ugNowMs() >= end)
            return result;
        usleep(10000);
    }
}

// The window's title from WM_NAME, else _NET_WM_NAME.
static std::string titleOf(Display *d, Window w)
{
    std::string title;
    char *name = nullptr;
    if (XFetchName(d, w, &name) && name)
        title = name;
    if (name)
        XFree(name);
    if (!title.empty())
        return title;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data && format == 8)
        title.assign((const char *)data, count);
    if (data)
        XFree(data);
    return title;
}

// The top-level windows titled exactly so (WM_NAME or _NET_WM_NAME), bottom to top.
std::vector<Window> windowsTitled(Display *d, const char *title)
{
    std::vector<Window> found;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; i++)
        if (titleOf(d, children[i]) == title)
            found.push_back(children[i]);
    if (children)
        XFree(children);
    return found;
}

// A window search: the title, and the message line's text when it matters.
struct WindowSearch {
    Display *display;
    const char *title, *text;
    Window found;
};

static int showsMessage(Display *d, Window w, const char *text);

// The topmost mapped window of the search's title (showing its text, if any), into found.
static int findMapped(void *context)
{
    WindowSearch *s = (WindowSearch *)context;
    s->found = 0;
    for (Window w : windowsTitled(s->display, s->title))
        if (windowMapped(s->display, w) && (!s->text || showsMessage(s->display, w, s->text)))
            s->found = w;
    return s->found != 0;
}

// Waits for a mapped top-level window with the title; 0 when none shows up in time.
Window findWindow(Display *d, const char *title, int timeoutMs)
{
    return findDialog(d, title, nullptr, timeoutMs);
}

// 1 when the search's window is no longer viewable.
static int notMapped(void *context)
{
    WindowSearch *s = (WindowSearch *)context;
    return !windowMapped(s->display, s->found);
}

// Waits until the window is unmapped or destroyed; 1 when gone in time.
int waitGone(Display *d, Window w, int timeoutMs)
{
    WindowSearch search{d, nullptr, nullptr, w};
    return pollUntil(notMapped, &search, timeoutMs);
}

enum { MESSAGE_X = 12, MESSAGE_BASELINE = 24, MESSAGE_BAND = 36 };

// The dark pixels of the top band of a drawable, row by row; empty when it cannot be read.
static std::vector<bool> darkBand(Display *d, Drawable drawable, int width)
{
    std::vector<bool> dark;
    XImage *x = XGetImage(d, drawable, 0, 0, (unsigned)width, MESSAGE_BAND, AllPlanes, ZPixmap);
    if (!x)
        return dark;
    for (int y = 0; y < MESSAGE_BAND; y++)
        for (int i = 0; i < width; i++) {
            unsigned long p = XGetPixel(x, i, y);
            dark.push_back((p & 0xff) + (p >> 8 & 0xff) + (p >> 16 & 0xff) < 384);
        }
    XDestroyImage(x);
    return dark;
}

// 1 when the window's message line looks exactly like the text drawn black on white in "fixed".
static int showsMessage(Display *d, Window w, const char *text)
{
    int width, height;
    XFontStruct *font = XLoadQueryFont(d, "fixed");
    if (!font || !windowSize(d, w, &width, &height) || height < MESSAGE_BAND) {
        if (font)
            XFreeFont(d, font);
        return 0;
    }
    int screen = DefaultScreen(d);
    Pixmap expected = XCreatePixmap(d, w, (unsigned)width, MESSAGE_BAND, (unsigned)DefaultDepth(d, screen));
    GC gc = XCreateGC(d, expected, 0, nullptr);
    XSetFont(d, gc, font->fid);
    XSetForeground(d, gc, WhitePixel(d, screen));
    XFillRectangle(d, expected, gc, 0, 0, (unsigned)width, MESSAGE_BAND);
    XSetForeground(d, gc, BlackPixel(d, screen));
    XDrawString(d, expected, gc, MESSAGE_X, MESSAGE_BASELINE, text, (int)strlen(text));
    std::vector<bool> want = darkBand(d, expected, width), seen = darkBand(d, w, width);
    XFreeGC(d, gc);
    XFreePixmap(d, expected);
    XFreeFont(d, font);
    return !want.empty() && want == seen;
}

// Waits for a mapped top-level window with the title whose message line shows the text.
Window findDialog(Display *d, const char *title, const char *text, int timeoutMs)
{
    WindowSearch search{d, title, text, 0};
    pollUntil(findMapped, &search, timeoutMs);
    return search.found;
}

// Answers the "Error" boxes showing the texts, in turn, with Enter; how many were answered.
int answerErrorBoxes(Display *d, const std::vector<const char *> &texts)
{
    int answered = 0;
    for (const char *text : texts) {
        Window box = findDialog(d, "Error", text);
        if (!box)
            break;
        pressKey(d, XK_Return);
        if (!waitGone(d, box))
            break;
        answered++;
    }
    return answered;
}

// The class part of WM_CLASS, empty when unset.
std::string windowClass(Display *d, Window w)
{
    XClassHint hint{nullptr, nullptr};
    std::string name;
    if (XGetClassHint(d, w, &hint)) {
        if (hint.res_class)
            name = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return name;
}

// 1 when the window exists and is viewable.
int windowMapped(Display *d, Window w)
{
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// The window's size; 0 when it is gone.
int windowSize(Display *d, Window w, int *width, int *height)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return 0;
    *width = a.width;
    *height = a.height;
    return 1;
}

// The shift that brings a channel mask's lowest bit to bit 0.
static int maskShift(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return shift;
}

// The window's pixels; an empty image (width 0) when it cannot be read.
RgbImage captureWindow(Display *d, Window w)
{
    RgbImage image{0, 0, {}};
    int width, height;
    if (!windowMapped(d, w) || !windowSize(d, w, &width, &height))
        return image;
    XImage *x = XGetImage(d, w, 0, 0, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
    if (!x)
        return image;
    int rs = maskShift(x->red_mask), gs = maskShift(x->green_mask), bs = maskShift(x->blue_mask);
    image.width = width;
    image.height = height;
    image.rgb.resize((size_t)width * height * 3);
    unsigned char *out = image.rgb.data();
    for (int y = 0; y < height; y++)
        for (int i = 0; i < width; i++) {
            unsigned long p = XGetPixel(x, i, y);
            *out++ = (unsigned char)((p & x->red_mask) >> rs);
            *out++ = (unsigned char)((p & x->green_mask) >> gs);
            *out++ = (unsigned char)((p & x->blue_mask) >> bs);
        }
    XDestroyImage(x);
    return image;
}

// The colour of one pixel.
Rgb pixelAt(const RgbImage &image, int x, int y)
{
    const unsigned char *p = &image.rgb[((size_t)y * image.width + x) * 3];
    return Rgb{p[0], p[1], p[2]};
}

// 1 when every channel of the pixel is within the colour's tolerance.
int nearColour(Rgb p, SceneColour c)
{
    return abs(p.r - c.colour.r) <= c.tolerance && abs(p.g - c.colour.g) <= c.tolerance &&
           abs(p.b - c.colour.b) <= c.tolerance;
}

// The count of pixels of the colour in the rectangle, their coordinate sums into sx, sy.
static int scanNear(const RgbImage &image, PixelRect rect, SceneColour colour, double *sx, double *sy)
{
    int x0 = rect.x < 0 ? 0 : rect.x, y0 = rect.y < 0 ? 0 : rect.y;
    int x1 = rect.x + rect.w > image.width ? image.width : rect.x + rect.w;
    int y1 = rect.y + rect.h > image.height ? image.height : rect.y + rect.h;
    int count = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            if (nearColour(pixelAt(image, x, y), colour)) {
                count++;
                *sx += x;
                *sy += y;
            }
        }
    return count;
}

// Pixels of a scene colour in the rectangle, clipped to the image.
int countScene(const RgbImage &image, PixelRect rect, SceneColour c)
{
    double sx = 0, sy = 0;
    return scanNear(image, rect, c, &sx, &sy);
}

// The count of such pixels and their centroid in *cx, *cy (untouched when there are none).
int centroidScene(const RgbImage &image, PixelRect rect, SceneColour c, double *cx, double *cy)
{
    double sx = 0, sy = 0;
    int count = scanNear(image, rect, c, &sx, &sy);
    if (count) {
        *cx = sx / count;
        *cy = sy / count;
    }
    return count;
}

// 1 when the image shows the sky, the table top and the floor (the game is drawing).
int showsScene(const RgbImage &image)
{
    PixelRect all{0, 0, image.width, image.height};
    int area = image.width * image.height;
    return area > 0 && countScene(image, all, SKY) > area / 50 && countScene(image, all, TABLE_TOP) > area / 50 &&
           countScene(image, all, FLOOR) > area / 50;
}

// The band at the top of the lower-left 250 x 250 box where the score line is drawn.
PixelRect scoreLineBand(const RgbImage &image)
{
    return PixelRect{0, image.height - 250, 250, 30};
}

// 1 when some row of the score line's band crosses many separate runs of bright text: glyphs.
int showsScoreLine(const RgbImage &image)
{
    PixelRect band = scoreLineBand(image);
    int mostRuns = 0;
    for (int y = band.y; y < band.y + band.h; y++) {
        int runs = 0, inRun = 0;
        for (int x = band.x; x < band.x + band.w; x++) {
            int bright = nearColour(pixelAt(image, x, y), HUD_TEXT);
            runs += bright && !inRun;
            inRun = bright;
        }
        mostRuns = std::max(mostRuns, runs);
    }
    return mostRuns >= 8;
}

struct CaptureWait {
    Display *display;
    Window window;
    int (*accept)(const RgbImage &shot, void *context);
    void *context;
    RgbImage *shot;
};

// Takes a capture into the wait record; the acceptance of it.
static int captureAccepted(void *context)
{
    CaptureWait *w = (CaptureWait *)context;
    *w->shot = captureWindow(w->display, w->window);
    return !w->shot->rgb.empty() && w->accept(*w->shot, w->context);
}

// Captures the window into *shot until accept(shot, context) says 1; 1 when it did in time.
int captureUntil(Display *d, Window w, int (*accept)(const RgbImage &shot, void *context), void *context,
                 RgbImage *shot, int timeoutMs)
{
    CaptureWait wait{d, w, accept, context, shot};
    return pollUntil(captureAccepted, &wait, timeoutMs);
}

// 1 when the capture shows the scene.
static int acceptScene(const RgbImage &shot, void *)
{
    return showsScene(shot);
}

// Captures the window until it shows the scene; the last capture (empty when it never did).
RgbImage waitForScene(Display *d, Window w, int timeoutMs)
{
    RgbImage shot{0, 0, {}};
    if (!captureUntil(d, w, acceptScene, nullptr, &shot, timeoutMs))
        shot = RgbImage{0, 0, {}};
    return shot;
}

// Fraction of pixels of equal-sized images whose channels all differ by at most tolerance.
double matchRatio(const RgbImage &a, const RgbImage &b, int tolerance)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty())
        return 0;
    size_t same = 0, pixels = a.rgb.size() / 3;
    for (size_t i = 0; i < pixels; i++) {
        const unsigned char *p = &a.rgb[i * 3], *q = &b.rgb[i * 3];
        same += abs(p[0] - q[0]) <= tolerance && abs(p[1] - q[1]) <= tolerance && abs(p[2] - q[2]) <= tolerance;
    }
    return (double)same / (double)pixels;
}

// A little-endian field of the header.
static unsigned leField(const unsigned char *p, int bytes)
{
    unsigned v = 0;
    for (int i = bytes - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

// Reads an uncompressed 24-bit BMP; an empty image when the file is not one.
RgbImage readBmp24(const std::string &path)
{
    RgbImage image{0, 0, {}};
    std::string bytes;
    if (!readFile(path, &bytes))
        return image;
    const unsigned char *data = (const unsigned char *)bytes.data();
    if (bytes.size() < 54 || data[0] != 'B' || data[1] != 'M' || leField(&data[28], 2) != 24 || leField(&data[30], 4) != 0)
        return image;
    unsigned offset = leField(&data[10], 4);
    int width = (int)leField(&data[18], 4), height = (int)leField(&data[22], 4);
    bool topDown = height < 0;
    height = abs(height);
    size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    if (width <= 0 || width > 1 << 15 || height > 1 << 15 || offset + stride * height > bytes.size())
        return image;
    image.width = width;
    image.height = height;
    image.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; y++) {
        const unsigned char *row = &data[offset + stride * (topDown ? y : height - 1 - y)];
        for (int x = 0; x < width; x++) {
            unsigned char *out = &image.rgb[((size_t)y * width + x) * 3];
            out[0] = row[x * 3 + 2];
            out[1] = row[x * 3 + 1];
            out[2] = row[x * 3];
        }
    }
    return image;
}

// Queues the press and release of a key by keysym, with shift when the keymap needs it.
static void fakeKey(Display *d, KeySym sym)
{
    KeyCode code = XKeysymToKeycode(d, sym);
    if (!code)
        return;
    bool shift = XkbKeycodeToKeysym(d, code, 0, 0) != sym && XkbKeycodeToKeysym(d, code, 0, 1) == sym;
    KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L);
    if (shift)
        XTestFakeKeyEvent(d, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(d, shiftCode, False, CurrentTime);
}

// A key by keysym (with shift when the keymap needs it).
void pressKey(Display *d, KeySym sym)
{
    fakeKey(d, sym);
    XSync(d, False);
}

// Text (Latin-1 keysyms are the characters) and one key after it, sent under a grab to arrive at once.
void typeText(Display *d, const char *text, KeySym after)
{
    XGrabServer(d);
    for (const char *c = text; *c; c++)
        fakeKey(d, (KeySym)(unsigned char)*c);
    if (after)
        fakeKey(d, after);
    XUngrabServer(d);
    XSync(d, False);
}

// The root coordinates of a point of the window.
static void toRoot(Display *d, Window w, int x, int y, int *rx, int *ry)
{
    Window child;
    if (!XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, rx, ry, &child)) {
        *rx = x;
        *ry = y;
    }
}

// Pointer motion to window coordinates.
void moveTo(Display *d, Window w, int x, int y)
{
    int rx, ry;
    toRoot(d, w, x, y, &rx, &ry);
    XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
    XSync(d, False);
}

// A click of button 1 at window coordinates.
void clickAt(Display *d, Window w, int x, int y)
{
    moveTo(d, w, x, y);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
}

// Asks the window to close as a window manager would (WM_DELETE_WINDOW).
void sendDeleteWindow(Display *d, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
}
