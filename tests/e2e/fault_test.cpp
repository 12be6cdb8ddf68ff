// The real program under abuse: a storm of input and resizes, and its X server killed under it.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/keysym.h>
#include <random>
#include <signal.h>
#include <unistd.h>

TEST(Fault, AStormOfInputAndResizesLeavesItTickingAndLosingTheServerEndsItWithTwo)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    Window w = startGame(s);
    ASSERT_NE(w, 0u);
    // A thousand clicks and keys, all but the ones that end the game ("q", Up) or open the save
    // dialog ("c"), with fifty resizes among them.
    const KeySym keys[] = {XK_Left, XK_Right, XK_Down, XK_Q, XK_a, XK_z, XK_1, XK_space,
                           XK_Return, XK_Escape, XK_Tab, XK_BackSpace, XK_F1, XK_Home};
    // They reach the game in one burst, the "c" after them: not one may be lost however full its queue.
    std::mt19937 random(2026);
    XGrabServer(s.display);
    for (int i = 0; i < 1000; i++) {
        if (random() % 2)
            clickAt(s.display, w, (int)(random() % 640), (int)(random() % 480));
        else
            pressKey(s.display, keys[random() % (sizeof keys / sizeof keys[0])]);
        if (i % 20 == 19)
            XResizeWindow(s.display, w, 100 + random() % 541, 100 + random() % 381);
    }
    pressKey(s.display, XK_c);
    XUngrabServer(s.display);
    ASSERT_NE(findFocused(s.display, "Save As"), 0u);
    pressKey(s.display, XK_Escape);
    ASSERT_TRUE(waitFor([&] { return windowsTitled(s.display, "Save As").empty(); }));
    // Served in case the storm ended on a goal, the picture moves on.
    pressKey(s.display, XK_Down);
    Shot first;
    ASSERT_TRUE(captureUntil(s.display, w, showsScene, &first));
    EXPECT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) { return shot.pixels != first.pixels; }));
    // Our own connection goes first, so that only the game meets the lost server.
    XCloseDisplay(s.display);
    s.display = nullptr;
    kill(s.server.pid, SIGKILL);
    // Within moments, however busy the machine: the game must not hang on a dead connection.
    EXPECT_EQ(exitCode(s.game, 5000), 2);
}
