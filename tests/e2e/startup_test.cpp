// Starting the real program: the boxes a bad start shows, no display, and a second start.
#include <gtest/gtest.h>

#include "support/game_session.h"
#include "ug/instance.h"

#include <X11/keysym.h>
#include <limits.h>

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
            EXPECT_GT(countShade(shot, Area{0, 235, 210, 15}, TEXT), 0);
            EXPECT_FALSE(showsScoreLine(shot));
            EXPECT_TRUE(running(s.game));
        }
        closeSession(s);
    }
}

TEST(StartUp, WithoutADisplayItSaysSoOnOneLineAndEndsWithOne)
{
    Child game = startProcess(gameProgram(), {}, buildDir(), "");
    EXPECT_EQ(exitCode(game, 3000), 1);
    std::string errors = errorsOf(game);
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
}

TEST(StartUp, ASecondStartRaisesTheRunningGameAndEndsWithZero)
{
    // A copy of its own: the single-instance lock is named by the program's path. This process
    // holds the name and has no window, so the first start searches, finds nothing and plays.
    fs::path dir = gameCopy();
    char name[PATH_MAX];
    instanceName(fs::canonical(dir / "rinkslider").c_str(), name, sizeof name);
    ASSERT_EQ(claimInstance(name), 1);
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    Window w = startGame(s, dir / "rinkslider", dir);
    ASSERT_NE(w, 0u);
    // A window on top, so the raise has something to do.
    Window cover = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 200, 200, 0, 0, 0);
    XStoreName(s.display, cover, "Cover");
    XMapRaised(s.display, cover);
    XSync(s.display, False);
    Child second = startProcess(dir / "rinkslider", {}, dir, s.server.name);
    EXPECT_EQ(exitCode(second, 5000), 0);
    EXPECT_EQ(windowsTitled(s.display, "Rinkslider"), std::vector<Window>{w});
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(s.display, DefaultRootWindow(s.display), &root, &parent, &children, &count);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(children[count - 1], w) << "the game is not on top";
    XFree(children);
    EXPECT_TRUE(running(s.game));
}
