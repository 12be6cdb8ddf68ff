// The program itself: a second start brings the running game forward and ends, closing the game ends it with 0.
#include <gtest/gtest.h>

#include "support/xserver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Starts the game binary on the display, in its own directory so that it finds its font and shows
// no error box that could cover its window.
static pid_t startGame(const std::string &binary, const std::string &display)
{
    std::string dir = binary.substr(0, binary.rfind('/') + 1);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        if (!dir.empty() && chdir(dir.c_str()) != 0)
            _exit(127);
        execl(binary.c_str(), binary.c_str(), "some  words", (char *)nullptr);
        _exit(127);
    }
    return pid;
}

// Waits for a top-level window titled "Rinkslider"; 0 when none shows up.
static Window waitForGameWindow(Display *d)
{
    for (int tries = 0; tries < 1000; tries++) {
        Window root, parent, *children = nullptr, found = 0;
        unsigned count = 0;
        XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !found; i++) {
            char *title = nullptr;
            if (XFetchName(d, children[i], &title) && title && std::string(title) == "Rinkslider")
                found = children[i];
            if (title)
                XFree(title);
        }
        if (children)
            XFree(children);
        if (found)
            return found;
        usleep(10000);
    }
    return 0;
}

// The exit code of a child, -1 when it does not end within the guard time.
static int waitExit(pid_t pid)
{
    int status;
    for (int tries = 0; tries < 2000; tries++) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(EntryProgram, SecondStartRaisesTheFirstAndClosingEndsWithZero)
{
    const char *dir = getenv("RINKSLIDER_BUILD_DIR");
    std::string binary = std::string(dir ? dir : ".") + "/rinkslider";
    if (access(binary.c_str(), X_OK) != 0)
        GTEST_SKIP() << "the game binary is not built";
    XServer server = startXServer(640, 480);
    ASSERT_NE(server.pid, 0);
    Display *d = XOpenDisplay(server.name.c_str());
    ASSERT_TRUE(d);
    pid_t first = startGame(binary, server.name);
    Window game = waitForGameWindow(d);
    ASSERT_NE(game, 0u);

    // Another window on top, so the raise has something to do.
    Window cover = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 100, 100, 0, 0, 0);
    XMapRaised(d, cover);
    XSync(d, False);

    pid_t second = startGame(binary, server.name);
    EXPECT_EQ(waitExit(second), 0);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
    int gameWindows = 0;
    for (unsigned i = 0; i < count; i++) {
        char *title = nullptr;
        if (XFetchName(d, children[i], &title) && title && std::string(title) == "Rinkslider")
            gameWindows++;
        if (title)
            XFree(title);
    }
    // Raised: the game window is the topmost of the server's windows, and there is only one.
    EXPECT_EQ(gameWindows, 1);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(children[count - 1], game);
    XFree(children);

    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = game;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSendEvent(d, game, False, NoEventMask, &e);
    XFlush(d);
    EXPECT_EQ(waitExit(first), 0);
    XCloseDisplay(d);
    stopXServer(&server);
}
