// The real program under abuse: a storm of input and resizes, its X server killed, its
// single-instance name held by a stranger, and ten seconds of play under valgrind.
#include <gtest/gtest.h>

#include "support/game_process.h"
#include "ug/instance.h"
#include "ug/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <limits.h>
#include <random>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

// 1 once the capture differs clearly from the first one (the game is ticking).
static int frameChanged(const RgbImage &shot, void *first)
{
    return matchRatio(shot, *(const RgbImage *)first, 8) < 0.999;
}

// Serves in case the storm ended on a goal, then waits for the picture to move on.
static int stillTicking(Display *d, Window w)
{
    pressKey(d, XK_Down);
    RgbImage first = waitForScene(d, w), shot;
    return first.width && captureUntil(d, w, frameChanged, &first, &shot);
}

struct SizeWait {
    Display *display;
    Window window;
};

// 1 when the window has the size of the work area set below.
static int hasWorkAreaSize(void *context)
{
    SizeWait *size = (SizeWait *)context;
    int width = 0, height = 0;
    return windowSize(size->display, size->window, &width, &height) && width == 600 && height == 400;
}

TEST(FaultSoak, ThousandInputsAndFiftyResizesLeaveItRunningAndTicking)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    // Every key but the ones that end the game ("q", Up) or open the save dialog ("c").
    const KeySym keys[] = {XK_Left, XK_Right, XK_Down, XK_Q, XK_a, XK_z, XK_1, XK_space,
                           XK_Return, XK_Escape, XK_Tab, XK_BackSpace, XK_F1, XK_Home};
    std::mt19937 random(2026);
    for (int i = 0; i < 1000; i++) {
        if (random() % 2)
            clickAt(s.display, w, (int)(random() % 640), (int)(random() % 480));
        else
            pressKey(s.display, keys[random() % (sizeof keys / sizeof keys[0])]);
        if (i % 20 == 19)
            XResizeWindow(s.display, w, 100 + random() % 541, 100 + random() % 381);
    }
    // A new work area makes the game refit its window: once it has, it has read all of the above.
    long workArea[4] = {0, 0, 600, 400};
    XChangeProperty(s.display, DefaultRootWindow(s.display), XInternAtom(s.display, "_NET_WORKAREA", False),
                    XA_CARDINAL, 32, PropModeReplace, (unsigned char *)workArea, 4);
    XSync(s.display, False);
    SizeWait refit{s.display, w};
    EXPECT_TRUE(pollUntil(hasWorkAreaSize, &refit));
    EXPECT_TRUE(windowsTitled(s.display, "Error").empty());
    EXPECT_TRUE(stillTicking(s.display, w));
    int code = 0;
    EXPECT_TRUE(processRunning(&game, &code)) << "ended with " << code;
    endProcess(&game);
    closeSession(&s);
}

TEST(FaultSoak, ServerKilledUnderItEndsTheGameWithTwo)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    // Our own connection goes first, so that only the game meets the lost server.
    XCloseDisplay(s.display);
    s.display = nullptr;
    kill(s.server.pid, SIGKILL);
    EXPECT_EQ(waitProcess(&game, 1000), 2);
    endProcess(&game);
    closeSession(&s);
}

TEST(FaultSoak, InstanceNameHeldWithoutAWindowStillStartsTheGame)
{
    // A copy of its own, so that the name held here is no other test's.
    std::string dir = gameCopy(nullptr, nullptr);
    ASSERT_FALSE(dir.empty());
    char program[PATH_MAX], name[PATH_MAX];
    ASSERT_TRUE(realpath((dir + "/rinkslider").c_str(), program));
    instanceName(program, name, sizeof name);
    // This process takes the name and has no window: the game searches, finds none and plays.
    ASSERT_EQ(claimInstance(name), 1);
    ASSERT_EQ(claimInstance(name), 0);
    XSession s;
    ASSERT_TRUE(openSession(&s, 640, 480));
    LaunchSpec launch = gameSpec(&s);
    launch.program = program;
    launch.workDir = dir;
    ChildProcess game = launchProcess(launch);
    Window w = findWindow(s.display, "Rinkslider");
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(showsScene(waitForScene(s.display, w)));
    int code = 0;
    EXPECT_TRUE(processRunning(&game, &code)) << "ended with " << code;
    endProcess(&game);
    closeSession(&s);
    removeTree(dir);
}

// Slow by nature: tools/sanitize/valgrind.sh runs it with RINKSLIDER_VALGRIND set to the
// suppressions file for the graphics stack.
TEST(FaultValgrind, TenSecondsOfPlayHaveNoMemoryErrors)
{
    const char *suppressions = getenv("RINKSLIDER_VALGRIND");
    if (!suppressions)
        GTEST_SKIP() << "run by tools/sanitize/valgrind.sh";
    XSession s;
    ASSERT_TRUE(openSession(&s, 640, 480));
    LaunchSpec launch = gameSpec(&s);
    launch.program = "/usr/bin/valgrind";
    launch.args = {"--error-exitcode=99", "--leak-check=full", "--errors-for-leak-kinds=definite",
                 std::string("--suppressions=") + suppressions, gameProgram()};
    ChildProcess game = launchProcess(launch);
    Window w = findWindow(s.display, "Rinkslider", 60000);
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(waitForScene(s.display, w, 60000).width);
    // Ten seconds of taps and turns, then "q" ends it the normal way so the leak check runs too.
    std::mt19937 random(10);
    for (long long end = ugNowMs() + 10000; ugNowMs() < end;) {
        clickAt(s.display, w, (int)(random() % 640), 240 + (int)(random() % 240));
        pressKey(s.display, random() % 2 ? XK_Left : XK_Right);
        pressKey(s.display, XK_Down);
        usleep(100000);
    }
    pressKey(s.display, XK_q);
    EXPECT_EQ(waitProcess(&game, 60000), 0) << readStderr(&game);
    EXPECT_NE(readStderr(&game).find("ERROR SUMMARY: 0 errors"), std::string::npos) << readStderr(&game);
    endProcess(&game);
    closeSession(&s);
}
