// The window layer against a private Xvfb and Mesa: the window, paints, timer, input, dialogs, screenshots, close.
#include <gtest/gtest.h>

#include "support/xserver.h"
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

static XServer server;
static UgDisplay *display;
static UgWin *win;
static std::vector<std::string> calls;
static std::vector<long long> idleTimes;
static int slowIdles;

static long long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void recordResize(UgWin *, int w, int h) { calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h)); }
static void recordDraw(UgWin *w)
{
    calls.push_back("draw");
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ugPresent(w);
}
static void recordKey(UgWin *, int key, int, int) { calls.push_back("key " + std::to_string(key)); }
static void recordPointer(UgWin *, int b, int s, int x, int y)
{
    calls.push_back("pointer " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + " " + std::to_string(y));
}
static void recordIdle(UgWin *)
{
    idleTimes.push_back(nowMs());
    if (slowIdles > 0) {
        slowIdles--;
        usleep(200000);
    }
}

// Dispatches messages until the condition holds or the message budget runs out.
static bool pumpUntil(bool (*done)(), int budget = 300)
{
    UgMsg msg;
    while (!done() && budget-- > 0 && ugGetMessage(&msg)) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    return done();
}

static bool twoTicks() { return idleTimes.size() >= 2; }

class UgWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = startXServer(640, 480);
        ASSERT_NE(server.pid, 0);
        setenv("DISPLAY", server.name.c_str(), 1);
        registerWindowClass("ug window", ugWindowProc);
        display = ugOpenDisplay();
        ASSERT_TRUE(display);
        win = ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100);
        ASSERT_TRUE(win);
    }
    static void TearDownTestSuite() { stopXServer(&server); }
    void SetUp() override
    {
        ASSERT_TRUE(win);
        ugSetDrawHandler(win, nullptr);
        ugSetResizeHandler(win, nullptr);
        ugSetKeyHandler(win, recordKey);
        ugSetPointerHandler(win, recordPointer);
        ugSetIdleHandler(display, recordIdle);
        idleTimes.clear();
        pumpUntil(twoTicks);  // settle the start-up events
        calls.clear();
        idleTimes.clear();
    }
    Display *x() { return (Display *)display->deviceContext; }
};

TEST_F(UgWindowTest, OpensNamedDepthBufferedWindowFillingTheScreenWithContextCurrent)
{
    char *title = nullptr;
    ASSERT_TRUE(XFetchName(x(), win->nativeWindow, &title));
    EXPECT_STREQ(title, "Rinkslider");
    XFree(title);
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(x(), win->nativeWindow, &hint));
    EXPECT_STREQ(hint.res_class, "ug window");
    XFree(hint.res_name);
    XFree(hint.res_class);
    Atom *protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(x(), win->nativeWindow, &protocols, &count));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(protocols[0], XInternAtom(x(), "WM_DELETE_WINDOW", False));
    XFree(protocols);
    EXPECT_EQ(win->clientWidth, 640);
    EXPECT_EQ(win->clientHeight, 480);
    EXPECT_EQ(eglGetCurrentContext(), win->context);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), win->surface);
    EGLint depth = 0;
    eglGetConfigAttrib(display->eglDisplay, win->config, EGL_DEPTH_SIZE, &depth);
    EXPECT_GT(depth, 0);
    EXPECT_EQ(display->windows, win);
    EXPECT_EQ(display->currentWindow, win);
}

static bool drawn() { return !calls.empty() && calls.back() == "draw"; }

TEST_F(UgWindowTest, PaintCallsResizeWithClientSizeThenDraw)
{
    ugSetResizeHandler(win, recordResize);
    ugSetDrawHandler(win, recordDraw);
    ugRequestRedraw(win);
    ASSERT_TRUE(pumpUntil(drawn));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "resize 640x480");
    // Without a resize handler only the draw runs; a paint without a draw handler does not come back forever.
    ugSetResizeHandler(win, nullptr);
    calls.clear();
    ugRequestRedraw(win);
    ASSERT_TRUE(pumpUntil(drawn));
    EXPECT_EQ(calls.size(), 1u);
    ugSetDrawHandler(win, nullptr);
    ugRequestRedraw(win);
    idleTimes.clear();
    EXPECT_TRUE(pumpUntil(twoTicks, 50));
}

static bool fiveTicks() { return idleTimes.size() >= 5; }

TEST_F(UgWindowTest, TimerDrivesIdleAndNeverBurstsAfterASlowFrame)
{
    long long start = nowMs();
    ASSERT_TRUE(pumpUntil(fiveTicks));
    // Five 40 ms periods cannot pass quicker than the periods themselves.
    EXPECT_GE(idleTimes[4] - start, 4 * 40 - 5);
    idleTimes.clear();
    slowIdles = 1;
    ASSERT_TRUE(pumpUntil(fiveTicks));
    // The ticks missed during the slow frame are dropped, not delivered in a burst: after the
    // first late one, each further tick waits for a period of its own.
    EXPECT_GE(idleTimes[4] - idleTimes[1], 2 * 40 - 1);
}

static bool noneQueued;
static bool callsAtLeast4() { return calls.size() >= 4 || noneQueued; }

// Sends a key press and release of a key symbol to the game window, as the server would.
static void sendKey(Display *d, Window w, KeySym sym, unsigned state = 0)
{
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.display = d;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.keycode = XKeysymToKeycode(d, sym);
    e.xkey.state = state;
    e.xkey.same_screen = True;
    XSendEvent(d, w, True, KeyPressMask, &e);
    XFlush(d);
}

TEST_F(UgWindowTest, KeysReachTheKeyHandlerAsCodesAndCharacters)
{
    sendKey(x(), win->nativeWindow, XK_Left);
    sendKey(x(), win->nativeWindow, XK_Shift_L);
    sendKey(x(), win->nativeWindow, XK_KP_Left);
    sendKey(x(), win->nativeWindow, XK_F12);
    sendKey(x(), win->nativeWindow, XK_q);
    ASSERT_TRUE(pumpUntil(callsAtLeast4));
    pumpUntil(twoTicks);
    std::vector<std::string> want = {"key 300", "key 300", "key 212", "key 113"};
    EXPECT_EQ(calls, want);
}

static bool twoCalls() { return calls.size() >= 2; }

// Sends a button event at a client point.
static void sendButton(Display *d, Window w, int type, unsigned button, int x, int y)
{
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.window = w;
    e.xbutton.button = button;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.same_screen = True;
    XSendEvent(d, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    XFlush(d);
}

TEST_F(UgWindowTest, PressesReachThePointerHandlerReleasesAndWheelDoNot)
{
    sendButton(x(), win->nativeWindow, ButtonPress, 1, 120, 200);
    sendButton(x(), win->nativeWindow, ButtonRelease, 1, 120, 200);
    sendButton(x(), win->nativeWindow, ButtonPress, 4, 5, 5);
    sendButton(x(), win->nativeWindow, ButtonPress, 3, 7, 9);
    ASSERT_TRUE(pumpUntil(twoCalls));
    pumpUntil(twoTicks);
    std::vector<std::string> want = {"pointer 0 0 120 200", "pointer 2 0 7 9"};
    EXPECT_EQ(calls, want);
}

TEST_F(UgWindowTest, SizeMessageRecreatesTheSurfaceOnlyForANewSize)
{
    ugSetResizeHandler(win, recordResize);
    EGLSurface before = win->surface;
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 640 | (480 << 16));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(win->surface, before);
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 320 | (240 << 16));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "resize 320x240");
    EXPECT_NE(win->surface, EGL_NO_SURFACE);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), win->surface);
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 640 | (480 << 16));
    EXPECT_EQ(win->clientWidth, 640);
}

static bool resizedToWorkArea()
{
    return std::find(calls.begin(), calls.end(), "resize 600x400") != calls.end();
}

// The window's size as the server has it.
static std::string serverSize(Display *d, Window w)
{
    XSync(d, False);
    XWindowAttributes a;
    XGetWindowAttributes(d, w, &a);
    return std::to_string(a.width) + "x" + std::to_string(a.height);
}

TEST_F(UgWindowTest, FollowsTheWorkAreaAndRefitsOnlyWhenActivatedUnminimised)
{
    ugSetResizeHandler(win, recordResize);
    long area[4] = {0, 20, 600, 400};
    Atom workArea = XInternAtom(x(), "_NET_WORKAREA", False);
    XChangeProperty(x(), DefaultRootWindow(x()), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    XFlush(x());
    ASSERT_TRUE(pumpUntil(resizedToWorkArea));
    EXPECT_EQ(win->clientWidth, 600);
    EXPECT_EQ(win->clientHeight, 400);

    XResizeWindow(x(), win->nativeWindow, 300, 300);
    ugWindowProc(win->nativeWindow, WM_ACTIVATE, WA_ACTIVE | (1 << 16), 0);
    ugWindowProc(win->nativeWindow, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(serverSize(x(), win->nativeWindow), "300x300");
    ugWindowProc(win->nativeWindow, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(serverSize(x(), win->nativeWindow), "600x400");

    XDeleteProperty(x(), DefaultRootWindow(x()), workArea);
    ugWindowProc(win->nativeWindow, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(serverSize(x(), win->nativeWindow), "640x480");
    idleTimes.clear();
    pumpUntil(twoTicks);
    EXPECT_EQ(win->clientWidth, 640);
}

TEST_F(UgWindowTest, MessagesForUnknownWindowsGetDefaultProcessingOnly)
{
    ugSetDrawHandler(win, recordDraw);
    eglMakeCurrent(display->eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    EXPECT_EQ(ugWindowProc(12345, WM_PAINT, 0, 0), 0);
    EXPECT_EQ(ugWindowProc(12345, WM_LBUTTONDOWN, 0, 5 | (5 << 16)), 0);
    EXPECT_EQ(ugWindowProc(12345, WM_TIMER, 1, 0), 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(idleTimes.empty());
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    ugWindowProc(win->nativeWindow, WM_COMMAND, 0, 0);
    EXPECT_EQ(eglGetCurrentContext(), win->context);
}

// Waits on its own connection for a top-level window with the title, then sends it the keys.
static void answerWindow(std::string name, std::string title, std::vector<KeySym> keys)
{
    Display *d = XOpenDisplay(name.c_str());
    if (!d)
        return;
    for (int tries = 0; tries < 500; tries++) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
        Window found = 0;
        for (unsigned i = 0; i < count && !found; i++) {
            char *t = nullptr;
            XWindowAttributes a;
            if (XFetchName(d, children[i], &t) && t && title == t && XGetWindowAttributes(d, children[i], &a) &&
                a.map_state == IsViewable)
                found = children[i];
            if (t)
                XFree(t);
        }
        if (children)
            XFree(children);
        if (found) {
            for (KeySym k : keys)
                sendKey(d, found, k);
            break;
        }
        usleep(10000);
    }
    XCloseDisplay(d);
}

static std::vector<std::string> boxTexts;
static void recordBox(const char *text) { boxTexts.push_back(text); }

TEST_F(UgWindowTest, ErrorBoxShowsUntilEnterAndCanBeRoutedToAHandler)
{
    std::thread answer(answerWindow, server.name, "Error", std::vector<KeySym>{XK_Return});
    ugErrorBox("Can't Find Bitmap");
    answer.join();
    ugSetErrorBoxHandler(recordBox);
    ugErrorBox("Out of Memory");
    ugSetErrorBoxHandler(nullptr);
    EXPECT_EQ(boxTexts, std::vector<std::string>{"Out of Memory"});
}

TEST_F(UgWindowTest, SecondProcessFindsTheRunningWindow)
{
    char path[4096];
    ASSERT_NE(ugModulePath(path, sizeof path), 0u);
    char name[4096];
    instanceName(path, name, sizeof name);
    ASSERT_EQ(claimInstance(name), 1);
    pid_t child = fork();
    if (child == 0) {
        // A fresh process: its own lock attempt and its own connection.
        Display *d = XOpenDisplay(server.name.c_str());
        InstanceSearch search{path, 0};
        InstanceSearch stranger{"/usr/bin/other", 0};
        int ok = claimInstance(name) == 0 && d && findInstanceWindow(d, &search) &&
                 search.foundWindow == win->nativeWindow && !findInstanceWindow(d, &stranger);
        _exit(ok ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(UgWindowTest, CloseRequestDestroysTheWindowAndEndsTheLoop)
{
    UgWin *second = ugOpenWindow(display, "", "Second", 0, 0, 0, 0);
    ASSERT_TRUE(second);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = second->nativeWindow;
    e.xclient.message_type = XInternAtom(x(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(x(), "WM_DELETE_WINDOW", False);
    XSendEvent(x(), second->nativeWindow, False, NoEventMask, &e);
    XFlush(x());
    ugRun(display);  // returns only through the quit message
    XWindowAttributes a;
    EXPECT_FALSE(XGetWindowAttributes(x(), second->nativeWindow, &a));
}

TEST(UgServerLoss, ServerGoingAwayEndsTheProcessWithAnError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            XServer own = startXServer(320, 240);
            setenv("DISPLAY", own.name.c_str(), 1);
            registerWindowClass("ug window", ugWindowProc);
            UgDisplay *d = ugOpenDisplay();
            if (d && ugOpenWindow(d, "UG_DEPTH", "Rinkslider", 0, 0, 0, 0)) {
                kill(own.pid, SIGKILL);
                ugRun(d);
            }
            exit(0);
        },
        ::testing::ExitedWithCode(2), "");
}
