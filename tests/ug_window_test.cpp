// The window layer against its own Xvfb and Mesa: paints, the timer, input and the error box.
#include <gtest/gtest.h>

#include "support/x_client.h"
#include "support/xserver.h"
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

static XServer server;
static fs::path home = fs::temp_directory_path() / ("ugwindow-" + std::to_string(getpid()));
static UgDisplay *display;
static UgWin *win;
static Display *x;
static std::vector<std::string> calls;
static std::vector<long long> ticks;
static int slowTicks;

static long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static void recordResize(UgWin *, int w, int h) { calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h)); }
static void recordDraw(UgWin *w)
{
    calls.push_back("draw");
    glClear(GL_COLOR_BUFFER_BIT);
    ugPresent(w);
}
static void recordKey(UgWin *, int key, int, int) { calls.push_back("key " + std::to_string(key)); }
static void recordPointer(UgWin *, int b, int s, int x, int y)
{
    calls.push_back("pointer " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + " " +
                    std::to_string(y));
}
static void recordTick(UgWin *)
{
    ticks.push_back(nowMs());
    if (slowTicks > 0 && slowTicks--)
        usleep(200000);
}

// Dispatches messages until the condition holds or the budget of messages runs out.
static bool pumpUntil(bool (*done)(), int budget = 300)
{
    UgMsg msg;
    while (!done() && budget-- > 0 && ugGetMessage(&msg)) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    return done();
}

static bool twoTicks() { return ticks.size() >= 2; }

class UgWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = startXServer(640, 480);
        ASSERT_NE(server.pid, 0);
        setenv("DISPLAY", server.name.c_str(), 1);
        setenv("LC_ALL", "C.UTF-8", 1);  // its compose table knows the sequence typed below
        unsetenv("XMODIFIERS");
        setenv("HOME", home.c_str(), 1);
        fs::create_directories(home);
        registerWindowClass("ug window", ugWindowProc);
        display = ugOpenDisplay();
        ASSERT_TRUE(display);
        win = ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100);
        ASSERT_TRUE(win);
        x = XOpenDisplay(server.name.c_str());
    }
    static void TearDownTestSuite()
    {
        stopXServer(&server);
        fs::remove_all(home);
    }
    void SetUp() override
    {
        ASSERT_TRUE(win && x);
        ugSetDrawHandler(win, nullptr);
        ugSetResizeHandler(win, nullptr);
        ugSetKeyHandler(win, recordKey);
        ugSetPointerHandler(win, recordPointer);
        ugSetIdleHandler(display, recordTick);
        ticks.clear();
        pumpUntil(twoTicks);  // settles the start-up events
        calls.clear();
        ticks.clear();
    }
};

static bool drawn() { return !calls.empty() && calls.back() == "draw"; }

TEST_F(UgWindowTest, PaintCallsResizeWithTheClientSizeThenDraw)
{
    ugSetResizeHandler(win, recordResize);
    ugSetDrawHandler(win, recordDraw);
    ugRequestRedraw(win);
    ASSERT_TRUE(pumpUntil(drawn));
    EXPECT_EQ(calls, (std::vector<std::string>{"resize 640x480", "draw"}));
    // Without a resize handler only the draw runs; without a draw handler a paint does not come back forever.
    ugSetResizeHandler(win, nullptr);
    calls.clear();
    ugRequestRedraw(win);
    ASSERT_TRUE(pumpUntil(drawn));
    EXPECT_EQ(calls, std::vector<std::string>{"draw"});
    ugSetDrawHandler(win, nullptr);
    ugRequestRedraw(win);
    ticks.clear();
    EXPECT_TRUE(pumpUntil(twoTicks, 50));
}

static bool fiveTicks() { return ticks.size() >= 5; }

TEST_F(UgWindowTest, TheTimerTicksEveryFortyMillisecondsAndNeverBurstsAfterASlowTick)
{
    long long start = nowMs();
    ASSERT_TRUE(pumpUntil(fiveTicks));
    EXPECT_GE(ticks[4] - start, 4 * 40 - 5);
    ticks.clear();
    slowTicks = 1;
    ASSERT_TRUE(pumpUntil(fiveTicks));
    // The periods missed during the slow tick are dropped: each further tick waits for its own.
    EXPECT_GE(ticks[4] - ticks[1], 2 * 40 - 1);
}

static bool sixCalls() { return calls.size() >= 6; }

TEST_F(UgWindowTest, KeysCharactersAndPressesReachTheirHandlersInOrder)
{
    Window w = win->nativeWindow;
    for (KeySym sym : {XK_Left, XK_Shift_L, XK_KP_Left, XK_F12, XK_q})
        sendKey(x, w, sym);
    sendButton(x, w, ButtonPress, 1, 120, 200);
    sendButton(x, w, ButtonRelease, 1, 120, 200);
    sendButton(x, w, ButtonPress, 4, 5, 5);  // the wheel
    sendButton(x, w, ButtonPress, 3, 7, 9);
    ASSERT_TRUE(pumpUntil(sixCalls));
    pumpUntil(twoTicks);
    EXPECT_EQ(calls, (std::vector<std::string>{"key 300", "key 300", "key 212", "key 113", "pointer 0 0 120 200",
                                               "pointer 2 0 7 9"}));
}

TEST_F(UgWindowTest, ASizeMessageRecreatesTheSurfaceOnlyForANewSize)
{
    ugSetResizeHandler(win, recordResize);
    EGLSurface before = win->surface;
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 640 | (480 << 16));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(win->surface, before);
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 320 | (240 << 16));
    EXPECT_EQ(calls, std::vector<std::string>{"resize 320x240"});
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), win->surface);
    EXPECT_NE(win->surface, EGL_NO_SURFACE);
    ugWindowProc(win->nativeWindow, WM_SIZE, 0, 640 | (480 << 16));
}

TEST_F(UgWindowTest, MessagesForUnknownWindowsGetDefaultProcessingOnly)
{
    ugSetDrawHandler(win, recordDraw);
    eglMakeCurrent(display->eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    for (unsigned message : {WM_PAINT, WM_LBUTTONDOWN, WM_TIMER, WM_CHAR})
        EXPECT_EQ(ugWindowProc(12345, message, 'x', 5 | (5 << 16)), 0);
    EXPECT_TRUE(calls.empty() && ticks.empty());
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    ugWindowProc(win->nativeWindow, WM_COMMAND, 0, 0);
    EXPECT_EQ(eglGetCurrentContext(), win->context);
}

// On a connection of its own: waits for the box, sees that it stays, then presses Enter there.
static void answer(bool *stayed)
{
    Display *d = XOpenDisplay(server.name.c_str());
    Window box = findWindow(d, "Error");
    usleep(200000);
    *stayed = box && windowsTitled(d, "Error") == std::vector<Window>{box};
    sendKey(d, box, XK_Return);
    XCloseDisplay(d);
}

TEST_F(UgWindowTest, TheErrorBoxStaysUntilEnter)
{
    bool stayed = false;
    std::thread enter(answer, &stayed);
    ugErrorBox("Can't Find Bitmap");
    enter.join();
    EXPECT_TRUE(stayed);
}

static std::vector<std::string> boxes;
static std::atomic<int> tickCount;
static void countTick(UgWin *) { tickCount++; }

// Drives the dialogs from a connection of its own while the test's loop runs: an arrow to the game;
// "c", and while "Save As" is open "c", an arrow and a click to the game, then "caf", a composed é,
// a layout's é, a backspace and Enter typed into it; "c" again and a folder that is not there; an
// arrow once more.
static void saveTwice(Window *dialog, Window *owner, Window *type, bool *ticked)
{
    Display *d = XOpenDisplay(server.name.c_str());
    Window game = win->nativeWindow;
    sendKey(d, game, XK_Left);
    sendKey(d, game, XK_c);
    *dialog = findFocused(d, "Save As");
    *owner = property(d, *dialog, "WM_TRANSIENT_FOR").at(0);
    *type = property(d, *dialog, "_NET_WM_WINDOW_TYPE").at(0);
    sendKey(d, game, XK_c);
    sendKey(d, game, XK_Right);
    sendButton(d, game, ButtonPress, 1, 10, 10);
    int before = tickCount;
    for (KeySym key : {XK_c, XK_a, XK_f, XK_Multi_key, XK_apostrophe, XK_e, XK_eacute, XK_BackSpace, XK_Return})
        pressKey(d, key);
    *ticked = tickCount >= before + 3 || waitFor([before] { return tickCount >= before + 3; });
    // A second dialog a game wrongly opened is closed, so that the test fails rather than hangs.
    for (int i = 0; i < 3 && !waitFor([d] { return windowsTitled(d, "Save As").empty(); }, 1000); i++)
        pressKey(d, XK_Escape);
    sendKey(d, game, XK_c);
    findFocused(d, "Save As");
    typeText(d, "missing/x", XK_Return);
    waitFor([] { return !boxes.empty(); });
    sendKey(d, game, XK_Left);
    XCloseDisplay(d);
}

TEST_F(UgWindowTest, DialogsAreModalToTheGameTakeComposedAndLayoutCharactersAndSayWhyASaveFailed)
{
    ugSetErrorBoxHandler([](const char *text) { boxes.push_back(text); });
    ugSetIdleHandler(display, countTick);
    Window dialog = 0, owner = 0, type = 0;
    bool ticked = false;
    std::atomic<bool> driven{false};
    std::thread driver([&] {
        saveTwice(&dialog, &owner, &type, &ticked);
        driven = true;
    });
    // The game's loop runs, and the dialogs' loops inside it.
    UgMsg msg;
    for (long long end = nowMs() + 30000; !(driven && calls.size() >= 2) && nowMs() < end && ugGetMessage(&msg);) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    driver.join();
    ugSetErrorBoxHandler(nullptr);
    EXPECT_EQ(owner, win->nativeWindow);
    EXPECT_EQ(type, XInternAtom(x, "_NET_WM_WINDOW_TYPE_DIALOG", False));
    EXPECT_EQ(calls, (std::vector<std::string>{"key 300", "key 300"})) << "the game took input behind a dialog";
    EXPECT_TRUE(ticked) << "the game stopped behind the dialog";
    std::vector<fs::path> files(fs::directory_iterator(home), {});
    EXPECT_EQ(files, std::vector<fs::path>{home / "caf\xc3\xa9.bmp"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(strerror(ENOENT)), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find((home / "missing/x.bmp").string()), std::string::npos) << boxes[0];
}
