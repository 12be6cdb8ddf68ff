// The window layer against its own Xvfb of two monitors and Mesa: paints, the timer, input, the
// window on the desktop, hidden windows, and the dialogs. CTest runs each test in a process of its
// own: the layer keeps one connection for its process.
#include <gtest/gtest.h>

#include "support/game_session.h"
#include "ug/x11_platform.h"

#include <GLES/gl.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <atomic>
#include <thread>
#include <unistd.h>

static XServer server;
static fs::path home = scratchDir();
static UgDisplay *display;
static UgWin *win;
static Display *x;  // the test's own connection
static std::vector<std::string> calls;
static std::vector<long long> ticks;
static int slowTicks, draws;

static void recordResize(UgWin *, int w, int h) { calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h)); }
static void recordDraw(UgWin *w)
{
    calls.push_back("draw");
    draws++;
    glClear(GL_COLOR_BUFFER_BIT);
    ugPresent(w);
}
static void recordKey(UgWin *, int key, int, int) { calls.push_back("key " + std::to_string(key)); }
static void recordPointer(UgWin *, int b, int s, int x, int y)
{
    calls.push_back("pointer " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + " " +
                    std::to_string(y));
}
static void recordMotion(UgWin *, int x, int y) { calls.push_back("motion " + std::to_string(x) + " " + std::to_string(y)); }
static void recordRelease(UgWin *w, int b, int x, int y)
{
    calls.push_back("release " + std::to_string(b) + " " + std::to_string(x) + " " + std::to_string(y) +
                    (ugPointerDevice(w) == UG_DEVICE_MOUSE ? " mouse" : " touch"));
}
// A tick asks for a frame, as the game's does.
static void recordTick(UgWin *w)
{
    ticks.push_back(ugNowMs());
    ugRequestRedraw(w);
    if (slowTicks > 0 && slowTicks--)
        usleep(200000);
}

// Sends what the test asked of the server, then dispatches messages until the condition holds or the time is up.
static bool pumpUntil(const std::function<bool()> &done, int timeoutMs = WAIT_MS)
{
    XFlush(x);
    UgMsg msg;
    for (long long end = ugNowMs() + timeoutMs; !done() && ugNowMs() < end && ugGetMessage(&msg);) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    return done();
}

// Lays out two monitors of 640 x 480: the left one, which bears the screen's output, and the right one as given.
static void setMonitors(const std::string &right)
{
    std::string xrandr = "xrandr --delmonitor LEFT; xrandr --delmonitor RIGHT; xrandr --setmonitor LEFT "
                         "640/160x480/120+0+0 screen --setmonitor RIGHT " + right + " none";
    ASSERT_EQ(system(("(" + xrandr + ") >/dev/null 2>&1").c_str()), 0);
}

// A window's client area on the screen: x, y, width, height.
static std::vector<int> screenRect(Window w)
{
    XSync(x, False);
    XWindowAttributes a{};
    int left = 0, top = 0;
    Window child;
    XGetWindowAttributes(x, w, &a);
    XTranslateCoordinates(x, w, DefaultRootWindow(x), 0, 0, &left, &top, &child);
    return {left, top, a.width, a.height};
}

// Opens the game's window with the pointer on the right-hand monitor.
static UgWin *openOnTheRight()
{
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 1000, 100);
    XSync(x, False);
    return ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100);
}

class UgWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = startXServer(1280, 480);
        ASSERT_NE(server.pid, 0);
        setenv("DISPLAY", server.name.c_str(), 1);
        setenv("LC_ALL", "C.UTF-8", 1);  // its compose table knows the sequence typed below
        unsetenv("XMODIFIERS");
        setenv("HOME", home.c_str(), 1);
        x = XOpenDisplay(server.name.c_str());
        setMonitors("640/160x480/120+640+0");
        registerWindowClass("ug window", ugWindowProc);
        display = ugOpenDisplay();
        ASSERT_TRUE(display && (win = openOnTheRight()));
        ugSetIdleHandler(display, recordTick);
    }
    void SetUp() override
    {
        ASSERT_TRUE(win);
        ugSetDrawHandler(win, nullptr);
        ugSetResizeHandler(win, nullptr);
        ugSetKeyHandler(win, recordKey);
        ugSetPointerHandler(win, recordPointer);
        pumpUntil([] { return ticks.size() >= 2; });  // settles the start-up events
        calls.clear();
        ticks.clear();
    }
};

TEST_F(UgWindowTest, PaintCallsResizeWithTheClientSizeThenDrawAndAnimatedPaintsAtTheRefreshRate)
{
    ugSetResizeHandler(win, recordResize);
    ugSetDrawHandler(win, recordDraw);
    ASSERT_TRUE(pumpUntil([] { return !calls.empty() && calls.back() == "draw"; }));
    EXPECT_EQ(calls, (std::vector<std::string>{"resize 640x480", "draw"}));
    // Over a second: not animated, only the paints the ticks ask for; animated, Xvfb's 60 Hz (its
    // mode gives no timings) with the ticks' paints among them.
    for (int animated : {0, 1}) {
        ugAnimate(win, animated);
        ticks.clear();
        draws = 0;
        pumpUntil([] { return false; }, 1000);
        EXPECT_GE(draws, animated ? 45 : (int)ticks.size() - 1);
        EXPECT_LE(draws, animated ? 75 : (int)ticks.size() + 1);
    }
    // Without a draw handler a paint does not come back forever: the ticks go on.
    ugSetDrawHandler(win, nullptr);
    ticks.clear();
    EXPECT_TRUE(pumpUntil([] { return ticks.size() >= 2; }));
}

TEST_F(UgWindowTest, TheTimerNeverBurstsAfterASlowTick)
{
    slowTicks = 1;
    ASSERT_TRUE(pumpUntil([] { return ticks.size() >= 5; }));
    // The periods missed during the slow tick are dropped: each further tick waits for its own.
    EXPECT_GE(ticks[4] - ticks[1], 2 * 40 - 1);
    // The phase starts at each tick and stops at 1 when the next is late.
    EXPECT_LT(ugTickPhase(win), 0.5f);
    usleep(50000);
    EXPECT_EQ(ugTickPhase(win), 1.0f);
}

TEST_F(UgWindowTest, KeysCharactersPressesAndDragsReachTheirHandlersInOrder)
{
    Window w = win->nativeWindow;
    ugSetReleaseHandler(win, recordRelease);
    for (KeySym sym : {XK_Left, XK_Shift_L, XK_KP_Left, XK_F12, XK_Pause, XK_q})
        sendKey(x, w, sym);
    sendButton(x, w, ButtonPress, 1, 120, 200);
    sendButton(x, w, ButtonRelease, 1, 120, 200);
    sendButton(x, w, ButtonPress, 4, 5, 5);  // the wheel
    sendButton(x, w, ButtonPress, 3, 7, 9);
    ASSERT_TRUE(pumpUntil([] { return calls.size() >= 8; }));
    pumpUntil([] { return ticks.size() >= 2; });
    EXPECT_EQ(calls, (std::vector<std::string>{"key 300", "key 300", "key 212", "key 309", "key 113",
                                               "pointer 0 0 120 200", "release 0 120 200 mouse", "pointer 2 0 7 9"}));
    ugSetReleaseHandler(win, nullptr);
    // A drag through XTest, all within one frame: motion without a button and after the release
    // reaches nothing; with it held one call comes, with the latest position, before the frame's paint.
    ugSetMotionHandler(win, recordMotion);
    ugSetDrawHandler(win, recordDraw);
    ugAnimate(win, 1);
    calls.clear();
    XTestFakeMotionEvent(x, -1, 650, 10, CurrentTime);
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    for (int i = 1; i <= 20; i++)
        XTestFakeMotionEvent(x, -1, 650 + i, 10 + 2 * i, CurrentTime);
    XSync(x, False);
    XSync(x11.display, False);  // the game's connection holds every event of the drag
    ASSERT_TRUE(pumpUntil([] { return calls.size() >= 3; }));
    EXPECT_EQ(calls, (std::vector<std::string>{"pointer 0 0 10 10", "motion 30 50", "draw"}));
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    XTestFakeMotionEvent(x, -1, 700, 100, CurrentTime);
    ticks.clear();
    pumpUntil([] { return ticks.size() >= 3; });
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "draw"), (long)calls.size() - 2) << calls.back();
}

TEST_F(UgWindowTest, TheWindowFillsTheMonitorUnderThePointerAndKeepsASizeThePlayerGaveItThroughFullscreen)
{
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 640, 480}));
    // The monitor shrinks and the desktop says it changed: a window that fills its monitor follows.
    setMonitors("600/150x400/100+640+0");
    long area[4] = {0, 0, 1280, 480};
    Atom workArea = XInternAtom(x, "_NET_WORKAREA", False);
    XChangeProperty(x, DefaultRootWindow(x), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    ASSERT_TRUE(pumpUntil([] { return win->clientWidth == 600; }));
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 600, 400}));
    // The player's own size outlives both activation and desktop changes.
    XResizeWindow(x, win->nativeWindow, 300, 200);
    ASSERT_TRUE(pumpUntil([] { return win->clientWidth == 300; }));
    // Fullscreen covers the window's monitor and stays there through a desktop change, wherever the pointer is.
    ugToggleFullscreen(win);
    ASSERT_TRUE(pumpUntil([] { return win->clientWidth == 600; }));
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 100, 100);
    XChangeProperty(x, DefaultRootWindow(x), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    ticks.clear();
    pumpUntil([] { return ticks.size() >= 2; });
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 600, 400}));
    ugToggleFullscreen(win);
    ASSERT_TRUE(pumpUntil([] { return win->clientWidth == 300; }));
    XSetInputFocus(x, win->nativeWindow, RevertToParent, CurrentTime);
    XChangeProperty(x, DefaultRootWindow(x), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    XSync(x, False);
    ticks.clear();
    pumpUntil([] { return ticks.size() >= 2; });
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 300, 200}));
}

TEST_F(UgWindowTest, AHiddenWindowTicksWithoutDrawingAndDrawsAtOnceWhenShownAndTheScreenSaverWaitsWhileAsked)
{
    ugSetDrawHandler(win, recordDraw);
    ugAnimate(win, 1);  // frames wait while hidden, as asked-for paints do
    ASSERT_TRUE(pumpUntil([] { return draws > 0; }));
    Window cover = XCreateSimpleWindow(x, DefaultRootWindow(x), 600, 0, 680, 480, 0, 0, 0);
    XSetWindowAttributes overrideRedirect{};
    overrideRedirect.override_redirect = True;
    XChangeWindowAttributes(x, cover, CWOverrideRedirect, &overrideRedirect);
    const struct {
        const char *how;
        Window hidden;  // unmapped to hide, mapped to show; the cover works the other way round
    } ways[] = {{"unmapped", win->nativeWindow}, {"covered", cover}};
    for (const auto &way : ways) {
        (way.hidden == cover ? XMapRaised : XUnmapWindow)(x, way.hidden);
        XSync(x, False);
        ticks.clear();
        draws = 0;
        ASSERT_TRUE(pumpUntil([] { return ticks.size() >= 5; })) << way.how;
        EXPECT_EQ(draws, 0) << way.how;
        EXPECT_EQ(ugIsMinimised(win), way.hidden == win->nativeWindow) << way.how;
        (way.hidden == cover ? XUnmapWindow : XMapWindow)(x, way.hidden);
        XSync(x, False);
        ticks.clear();
        ASSERT_TRUE(pumpUntil([] { return draws > 0; })) << way.how;
        EXPECT_TRUE(ticks.empty()) << way.how << ": the first paint waited for a tick";
        EXPECT_FALSE(ugIsMinimised(win)) << way.how;
    }
    // Unmapped and mapped again before anyone asked, as within one slow frame: told once.
    XUnmapWindow(x, win->nativeWindow);
    XMapWindow(x, win->nativeWindow);
    XSync(x, False);
    draws = 0;
    ASSERT_TRUE(pumpUntil([] { return draws > 0; }));
    EXPECT_TRUE(ugIsMinimised(win));
    EXPECT_FALSE(ugIsMinimised(win));
    XSetScreenSaver(x, 1, 0, DontPreferBlanking, AllowExposures);
    XForceScreenSaver(x, ScreenSaverReset);
    XSync(x, False);
    auto saverOn = [] {
        XScreenSaverInfo info{};
        return XScreenSaverQueryInfo(x, DefaultRootWindow(x), &info) && info.state == ScreenSaverOn;
    };
    ugInhibitScreenSaver(display, 1);
    EXPECT_FALSE(waitFor(saverOn, 1500));
    ugInhibitScreenSaver(display, 0);
    EXPECT_TRUE(waitFor(saverOn, 3000));
}

TEST_F(UgWindowTest, UnderOpenboxWithAPanelTheFrameFillsTheMonitorsWorkAreaUntilThePlayerResizesIt)
{
    std::vector<std::string> env = {"HOME=" + scratchDir().string()};
    Child openbox = startProcess("/usr/bin/openbox", {"--sm-disable"}, "/", server.name, env);
    Child tint2 = startProcess("/usr/bin/tint2", {"-c", "/etc/xdg/tint2/tint2rc"}, "/", server.name, env);
    // The panel's strut reaches the work area once both run.
    std::vector<long> area;
    ASSERT_TRUE(waitFor([&] { return (area = property(x, DefaultRootWindow(x), "_NET_WORKAREA")).size() >= 4 &&
                                     area[3] < 480; }));
    UgWin *managed = openOnTheRight();
    ASSERT_TRUE(managed);
    Window w = managed->nativeWindow;
    // The frame (extents left, right, top, bottom) around the client area is the monitor's part of the work area.
    std::vector<int> frame, want = {640, (int)area[1], 640, (int)area[3]};
    pumpUntil([&] {
        std::vector<long> e = property(x, w, "_NET_FRAME_EXTENTS");
        std::vector<int> client = screenRect(w);
        if (e.size() == 4)
            frame = {client[0] - (int)e[0], client[1] - (int)e[2], client[2] + (int)(e[0] + e[1]),
                     client[3] + (int)(e[2] + e[3])};
        return frame == want;
    });
    EXPECT_EQ(frame, want);
    // Fullscreen as the manager does it covers the whole monitor, then gives the maximised size back.
    std::vector<int> maximised = screenRect(w);
    auto full = [&] {
        std::vector<long> s = property(x, w, "_NET_WM_STATE");
        return std::count(s.begin(), s.end(), (long)XInternAtom(x, "_NET_WM_STATE_FULLSCREEN", False)) == 1;
    };
    ugToggleFullscreen(managed);
    EXPECT_TRUE(pumpUntil([&] { return full() && screenRect(w) == std::vector<int>({640, 0, 640, 480}); }));
    ugToggleFullscreen(managed);
    EXPECT_TRUE(pumpUntil([&] { return !full() && screenRect(w) == maximised; }));
    // Un-maximised and made smaller, as a player does, it keeps that size when it takes the focus again.
    XEvent e{};
    e.xclient = XClientMessageEvent{ClientMessage, 0, True, x, w, XInternAtom(x, "_NET_WM_STATE", False), 32, {}};
    e.xclient.data.l[0] = 0;
    e.xclient.data.l[1] = (long)XInternAtom(x, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    e.xclient.data.l[2] = (long)XInternAtom(x, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    XSendEvent(x, DefaultRootWindow(x), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    ASSERT_TRUE(pumpUntil([&] { return property(x, w, "_NET_WM_STATE").empty(); }));
    XResizeWindow(x, w, 400, 300);
    ASSERT_TRUE(pumpUntil([&] { return managed->clientWidth == 400 && managed->clientHeight == 300; }));
    XSetInputFocus(x, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSetInputFocus(x, w, RevertToParent, CurrentTime);
    ticks.clear();
    pumpUntil([] { return ticks.size() >= 5; });
    std::vector<int> kept = screenRect(w);
    EXPECT_EQ(std::vector<int>(kept.begin() + 2, kept.end()), std::vector<int>({400, 300}));
    kill(tint2.pid, SIGTERM);
    kill(openbox.pid, SIGTERM);
}

static std::vector<std::string> boxes;
static std::atomic<int> tickCount;

TEST_F(UgWindowTest, DialogsAreModalToTheGameTakeComposedAndLayoutCharactersAndSayWhyASaveFailed)
{
    ugSetErrorBoxHandler([](const char *text) { boxes.push_back(text); });
    ugSetReleaseHandler(win, recordRelease);
    ugSetIdleHandler(display, [](UgWin *) { tickCount++; });
    long owner = 0, type = 0;
    bool ticked = false;
    std::atomic<bool> driven{false};
    // From a connection of its own while the game's loop runs: an arrow to the game; "c", and while
    // "Save As" is open "c", an arrow and a click to the game, then "caf", a composed é, a layout's é,
    // a backspace and Enter typed into it; "c" again and a folder that is not there; an arrow again.
    std::thread driver([&] {
        Display *d = XOpenDisplay(server.name.c_str());
        // Two keys the server's keymap leaves free become é, as a French layout has it, and Compose.
        KeySym eacute = XK_eacute, compose = XK_Multi_key;
        XChangeKeyboardMapping(d, 248, 1, &eacute, 1);
        XChangeKeyboardMapping(d, 230, 1, &compose, 1);
        Window game = win->nativeWindow;
        sendKey(d, game, XK_Left);
        sendKey(d, game, XK_c);
        Window dialog = findFocused(d, "Save As");
        owner = property(d, dialog, "WM_TRANSIENT_FOR").at(0);
        type = property(d, dialog, "_NET_WM_WINDOW_TYPE").at(0);
        sendKey(d, game, XK_c);
        sendKey(d, game, XK_Right);
        sendButton(d, game, ButtonPress, 1, 10, 10);
        sendButton(d, game, ButtonRelease, 1, 10, 10);
        int before = tickCount;
        for (KeySym key : {XK_c, XK_a, XK_f, XK_Multi_key, XK_apostrophe, XK_e, XK_eacute, XK_BackSpace, XK_Return})
            pressKey(d, key);
        ticked = waitFor([before] { return tickCount >= before + 3; });
        waitFor([d] { return windowsTitled(d, "Save As").empty(); });
        sendKey(d, game, XK_c);
        findFocused(d, "Save As");
        typeText(d, "missing/x", XK_Return);
        waitFor([] { return !boxes.empty(); });
        sendKey(d, game, XK_Left);
        XCloseDisplay(d);
        driven = true;
    });
    pumpUntil([&] { return driven && calls.size() >= 2; }, 30000);
    driver.join();
    ugSetErrorBoxHandler(nullptr);
    EXPECT_EQ(owner, (long)win->nativeWindow);
    EXPECT_EQ(type, (long)XInternAtom(x, "_NET_WM_WINDOW_TYPE_DIALOG", False));
    // A release still reaches the game: a press it took before the dialog must end.
    EXPECT_EQ(calls, (std::vector<std::string>{"key 300", "release 0 10 10 mouse", "key 300"}))
        << "the game took input behind a dialog";
    EXPECT_TRUE(ticked) << "the game stopped behind the dialog";
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(home), {}), std::vector<fs::path>{home / "caf\xc3\xa9.bmp"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(strerror(ENOENT)), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find((home / "missing/x.bmp").string()), std::string::npos) << boxes[0];
}
