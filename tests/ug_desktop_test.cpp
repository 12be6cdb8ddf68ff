// The window on a desktop: where it goes, when it is refitted, that nothing is drawn while it is
// hidden, and its frame under a real window manager with a panel.
#include <gtest/gtest.h>

#include "support/xserver.h"
#include "ug/x11_platform.h"

#include <X11/Xatom.h>
#include <filesystem>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

TEST(UgPlacement, OneMonitorUnderThePointerInsideTheWorkAreaAndFrame)
{
    const UgRect left{0, 0, 1920, 1080}, right{1920, 0, 3840, 1080}, panelled{0, 0, 3840, 1050};
    const UgRect noFrame{0, 0, 0, 0}, frame{1, 20, 1, 5};
    const struct {
        const char *what;
        int pointerX, pointerY;
        UgManager manager;
        UgRect workArea, frame, want;
    } table[] = {
        {"no manager: the whole monitor under the pointer", 100, 100, UG_NO_MANAGER, panelled, noFrame, left},
        {"no manager, pointer off every monitor: the primary", 5000, 5000, UG_NO_MANAGER, panelled, noFrame, right},
        {"plain manager: its part of the work area less the frame", 2000, 10, UG_MANAGER_PLAIN, panelled, frame,
         {1921, 20, 3839, 1045}},
        {"plain manager, work area off the monitor: the monitor less the frame", 2000, 10, UG_MANAGER_PLAIN,
         {0, 0, 1280, 800}, frame, {1921, 20, 3839, 1075}},
        {"maximising manager: un-maximised inside the work area", 100, 100, UG_MANAGER_MAXIMISES, panelled, frame,
         {240, 131, 1680, 919}},
    };
    for (const auto &row : table) {
        UgDesktop desktop{{left, right}, 2, 1, row.pointerX, row.pointerY, row.workArea, row.manager, row.frame};
        UgRect got = ugPlaceOnDesktop(&desktop);
        EXPECT_EQ(std::vector<int>({got.left, got.top, got.right, got.bottom}),
                  std::vector<int>({row.want.left, row.want.top, row.want.right, row.want.bottom}))
            << row.what;
    }
}

static XServer server;
static std::string home;
static UgDisplay *display;
static Display *x;
static int ticks, draws;

// A tick asks for a frame, as the game's does; only the newest window's count, earlier tests' tick on unmapped.
static void countTick(UgWin *win)
{
    ticks += win == display->windows;
    ugRequestRedraw(win);
}
static void countDraw(UgWin *win)
{
    draws++;
    ugPresent(win);
}

// Dispatches messages until the condition holds or ten seconds pass.
template <class Condition> static bool pumpUntil(Condition done)
{
    UgMsg msg;
    for (long long end = ugNowMs() + 10000; !done() && ugNowMs() < end && ugGetMessage(&msg);) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    return done();
}

// Lays out two monitors: the left one, which bears the screen's output, and the right one as given.
static void setMonitors(const std::string &right)
{
    std::string xrandr = "xrandr --delmonitor LEFT; xrandr --delmonitor RIGHT; xrandr --setmonitor LEFT "
                         "640/160x480/120+0+0 screen --setmonitor RIGHT " + right + " none";
    ASSERT_EQ(system(("(" + xrandr + ") >/dev/null 2>&1").c_str()), 0);
}

// The window's client area on the screen as the server has it: x, y, width, height.
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

// Reads four cardinals of a property; empty when it is missing.
static std::vector<int> cardinals(Window w, const char *name)
{
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    std::vector<int> values;
    if (XGetWindowProperty(x, w, XInternAtom(x, name, False), 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success && count == 4)
        values.assign((long *)data, (long *)data + 4);
    if (data)
        XFree(data);
    return values;
}

// Starts a program on the test's display with a home of its own, so that it writes nothing into ours.
static pid_t spawn(std::vector<const char *> argv)
{
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        execvp(argv[0], (char *const *)argv.data());
        _exit(127);
    }
    return pid;
}

class UgDesktopTest : public ::testing::Test {
protected:
    // Two monitors of 640 x 480 side by side, the left one primary, and no window manager yet.
    static void SetUpTestSuite()
    {
        server = startXServer(1280, 480);
        ASSERT_NE(server.pid, 0);
        setenv("DISPLAY", server.name.c_str(), 1);
        char dir[] = "/tmp/ugdesktopXXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        home = dir;
        registerWindowClass("ug window", ugWindowProc);
        display = ugOpenDisplay();
        ASSERT_TRUE(display);
        x = (Display *)display->deviceContext;
        ugSetIdleHandler(display, countTick);
    }
    static void TearDownTestSuite()
    {
        stopXServer(&server);
        std::filesystem::remove_all(home);
    }
    void SetUp() override { setMonitors("640/160x480/120+640+0"); }
    void TearDown() override
    {
        if (win) {
            ugSetDrawHandler(win, nullptr);
            XUnmapWindow(x, win->nativeWindow);
        }
    }
    // Opens the game's window with the pointer on the right-hand monitor.
    UgWin *openOnTheRight()
    {
        XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 1000, 100);
        win = ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100);
        if (win)
            ugSetDrawHandler(win, countDraw);
        return win;
    }
    UgWin *win = nullptr;
};

TEST_F(UgDesktopTest, RefitsOnlyAWindowThatStillFillsItsMonitor)
{
    ASSERT_TRUE(openOnTheRight());
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 640, 480}));
    // The monitor shrinks and the desktop says it changed: a window that fills its monitor follows.
    setMonitors("600/150x400/100+640+0");
    long area[4] = {0, 0, 1280, 480};
    Atom workArea = XInternAtom(x, "_NET_WORKAREA", False);
    XChangeProperty(x, DefaultRootWindow(x), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    ASSERT_TRUE(pumpUntil([&] { return win->clientWidth == 600; }));
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 600, 400}));
    // The player's own size outlives both activation and desktop changes.
    XResizeWindow(x, win->nativeWindow, 300, 200);
    ASSERT_TRUE(pumpUntil([&] { return win->clientWidth == 300; }));
    XSetInputFocus(x, win->nativeWindow, RevertToParent, CurrentTime);
    XChangeProperty(x, DefaultRootWindow(x), workArea, XA_CARDINAL, 32, PropModeReplace, (unsigned char *)area, 4);
    XSync(x, False);
    ticks = 0;
    pumpUntil([] { return ticks >= 2; });
    EXPECT_EQ(screenRect(win->nativeWindow), std::vector<int>({640, 0, 300, 200}));
}

TEST_F(UgDesktopTest, HiddenWindowTicksWithoutDrawingAndDrawsAtOnceWhenShown)
{
    ASSERT_TRUE(openOnTheRight());
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
        if (way.hidden == cover)
            XMapRaised(x, cover);
        else
            XUnmapWindow(x, way.hidden);
        XSync(x, False);
        ticks = draws = 0;
        ASSERT_TRUE(pumpUntil([] { return ticks >= 5; })) << way.how;
        EXPECT_EQ(draws, 0) << way.how;
        if (way.hidden == cover)
            XUnmapWindow(x, cover);
        else
            XMapWindow(x, way.hidden);
        XSync(x, False);
        ticks = 0;
        ASSERT_TRUE(pumpUntil([] { return draws > 0; })) << way.how;
        EXPECT_EQ(ticks, 0) << way.how << ": the first paint waited for a tick";
    }
}

TEST_F(UgDesktopTest, UnderOpenboxWithAPanelTheFrameFillsTheWorkAreaOfOneMonitor)
{
    pid_t openbox = spawn({"openbox", "--sm-disable"});
    pid_t tint2 = spawn({"tint2", "-c", "/etc/xdg/tint2/tint2rc"});
    // The panel's strut reaches the work area once both run.
    std::vector<int> area;
    for (long long end = ugNowMs() + 10000; ugNowMs() < end && (area.size() < 4 || area[3] == 480); usleep(20000))
        area = cardinals(DefaultRootWindow(x), "_NET_WORKAREA");
    ASSERT_EQ(area.size(), 4u);
    ASSERT_LT(area[3], 480);
    ASSERT_TRUE(openOnTheRight());
    std::vector<int> extents, frame;  // extents: left, right, top, bottom
    pumpUntil([&] {
        extents = cardinals(win->nativeWindow, "_NET_FRAME_EXTENTS");
        std::vector<int> client = screenRect(win->nativeWindow);
        if (extents.size() == 4)
            frame = {client[0] - extents[0], client[1] - extents[2], client[2] + extents[0] + extents[1],
                     client[3] + extents[2] + extents[3]};
        return frame == std::vector<int>({640, area[1], 640, area[3]});
    });
    EXPECT_EQ(frame, std::vector<int>({640, area[1], 640, area[3]}));
    kill(tint2, SIGTERM);
    kill(openbox, SIGTERM);
    waitpid(tint2, nullptr, 0);
    waitpid(openbox, nullptr, 0);
}
