// Starting the real program: the boxes a bad start shows, no display, and a second start.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/keysym.h>

TEST(StartUp, BadImagesShowTheirBoxesAndAFloorThatFailsEndsWithOne)
{
    const std::string notABitmap = "GIF89a this is no bitmap at all, however long it goes on";
    const struct {
        const char *image;
        const std::string *bytes;  // null: left out
        int boxes, exit;           // exit -1: the game plays on
    } cases[] = {
        {"floor.bmp", nullptr, 2, 1},
        {"floor.bmp", &notABitmap, 2, 1},
        {"font.tga", nullptr, 1, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.image) + (c.bytes ? " not an image" : " missing"));
        Session s;
        ASSERT_TRUE(openSession(s, 640, 480));
        fs::path dir = gameCopy(c.image, c.bytes), elsewhere = scratchDir();
        s.game = startProcess(dir / "rinkslider", {}, elsewhere, s.server.name);
        for (int i = 0; i < c.boxes; i++) {
            Window box = findFocused(s.display, "Error");
            ASSERT_NE(box, 0u) << "box " << i + 1;
            pressKey(s.display, XK_Return);
            ASSERT_TRUE(waitFor([&] { return windowsTitled(s.display, "Error") != std::vector<Window>{box}; }));
        }
        if (c.exit >= 0) {
            EXPECT_EQ(exitCode(s.game), c.exit);
        } else {
            // Without its font the game still plays; its text is drawn as bars, not glyphs.
            Window w = findWindow(s.display, "Rinkslider");
            Shot shot;
            ASSERT_TRUE(captureUntil(s.display, w, showsScene, &shot));
            EXPECT_GT(countShade(shot, Area{0, 10, 420, 30}, TEXT), 0);
            EXPECT_FALSE(showsScoreLine(shot));
            EXPECT_TRUE(running(s.game));
        }
        closeSession(s);
    }
}

TEST(StartUp, WithoutADisplayOrEglItSaysWhichFailedOnOneLineAndEndsWithOne)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    const struct {
        const char *what;
        std::string display;
        std::vector<std::string> env;
        const char *says;
    } cases[] = {
        {"no X display", "", {}, "cannot open the X display"},
        {"no compositor", "", {"RINKSLIDER_PLATFORM=wayland", "WAYLAND_DISPLAY=rinkslider-none"},
         "cannot open the Wayland display \"rinkslider-none\""},
        {"no EGL driver", s.server.name, {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"},
         "eglGetPlatformDisplay failed: EGL_"},
    };
    for (const auto &c : cases) {
        Child game = startProcess(gameCopy() / "rinkslider", {}, scratchDir(), c.display, c.env);
        EXPECT_EQ(exitCode(game, 3000), 1) << c.what;
        std::string errors = errorsOf(game);
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << c.what << ": " << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << c.what << ": " << errors;
    }
}

TEST(StartUp, ASecondStartRaisesTheRunningGameAndEndsWithZero)
{
    // Starts at once race for the single-instance lock, which is named by the program's path: the
    // one that takes it has no window yet when the others look for it.
    enum { STARTS = 5, END_MS = 3000 };
    fs::path dir = gameCopy();
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    std::vector<Child> starts;
    for (int i = 0; i < STARTS; i++)
        starts.push_back(startProcess(dir / "rinkslider", {}, dir, s.server.name));
    Window w = findWindow(s.display, "Rinkslider");
    ASSERT_NE(w, 0u);
    std::vector<long> owner = property(s.display, w, "_NET_WM_PID");
    ASSERT_EQ(owner.size(), 1u);
    int endedWithZero = 0;
    for (Child &c : starts)
        if (c.pid == owner[0])
            s.game = c;
        else
            endedWithZero += exitCode(c, END_MS) == 0;
    EXPECT_EQ(endedWithZero, STARTS - 1);
    EXPECT_EQ(windowsTitled(s.display, "Rinkslider"), std::vector<Window>{w});
    // A window on top, so a later start's raise has something to do.
    Window cover = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 200, 200, 0, 0, 0);
    XMapRaised(s.display, cover);
    XSync(s.display, False);
    Child later = startProcess(dir / "rinkslider", {}, dir, s.server.name);
    EXPECT_EQ(exitCode(later, END_MS), 0);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(s.display, DefaultRootWindow(s.display), &root, &parent, &children, &count);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(children[count - 1], w) << "the game is not on top";
    XFree(children);
    EXPECT_TRUE(running(s.game));
    closeSession(s);
}
