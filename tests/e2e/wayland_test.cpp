// Playing the real program as a native client of a Wayland compositor, with no X display it could
// fall back on.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <fstream>
#include <math.h>

// The "NAME=value" entries the running process was started with.
static std::vector<std::string> environmentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ");
    std::vector<std::string> entries;
    for (std::string entry; std::getline(in, entry, '\0');)
        entries.push_back(entry);
    return entries;
}

// White, as the dialogs draw their background.
static const Shade DIALOG{{255, 255, 255}, 0};

// Of the dark pixels within the white of a dialog, the share that is black: lines and text drawn at
// the output's resolution are black through, a picture the compositor scaled up is grey at every edge.
static double blackShare(const Shot &shot)
{
    int left = shot.width, right = -1, top = shot.height, bottom = -1;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++)
            if (shot.pixels[(size_t)y * shot.width + x] == DIALOG.rgb) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    int dark = 0, black = 0;
    for (int y = top; y <= bottom; y++)
        for (int x = left; x <= right; x++) {
            const Rgb &p = shot.pixels[(size_t)y * shot.width + x];
            int brightest = std::max({p.r, p.g, p.b});
            dark += brightest < 128;
            black += brightest < 16;
        }
    return dark ? (double)black / dark : 0;
}

TEST(Wayland, UnderWestonItDrawsAtTheOutputsScaleTakesClicksSavesAComposedNameThroughItsDialogComesForwardAndQEndsIt)
{
    // At scale 2 the output has half the logical pixels: the picture stays 640 x 480 only if the
    // game draws at the output's resolution.
    for (int scale : {1, 2}) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        Session s;
        // A margin of X screen beside weston's window, for the pointer to leave it.
        ASSERT_TRUE(openSession(s, 640 + 20, 480 + 20));
        // Weston builds the keymap it hands the game from the X server's layout names: right Alt
        // becomes Compose.
        const char names[] = "evdev\0pc105\0us\0\0compose:ralt";
        XChangeProperty(s.display, DefaultRootWindow(s.display), XInternAtom(s.display, "_XKB_RULES_NAMES", False),
                        XA_STRING, 8, PropModeReplace, (const unsigned char *)names, sizeof names);
        ASSERT_NE(startCompositor(s, 640 / scale, 480 / scale, scale), 0u);
        fs::path program = gameCopy() / "rinkslider", home = scratchDir();
        Window w = startGame(s, program, {}, {"HOME=" + home.string()});
        ASSERT_NE(w, 0u) << errorsOf(s.game);
        std::vector<std::string> env = environmentOf(s.game.pid);
        for (const std::string &entry : s.wayland)
            EXPECT_EQ(std::count(env.begin(), env.end(), entry), 1) << entry;
        EXPECT_TRUE(std::none_of(env.begin(), env.end(), [](const std::string &e) { return e.rfind("DISPLAY=", 0) == 0; }));

        // Weston takes the pointer's place as it enters its window and follows steps after:
        // entering anew puts it where the X pointer is.
        XTestFakeMotionEvent(s.display, -1, 640 + 10, 480 + 10, CurrentTime);
        // The top of the mallet stands a few pixels above the point its base is put on.
        const std::pair<int, int> away{300, 420};
        clickAt(s.display, w, 390, 312, {}, &away);
        double mx = -1, my = -1;
        EXPECT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) {
            return countShade(shot, Area{0, 0, shot.width, shot.height}, USER_MALLET_TOP, &mx, &my) > 0 &&
                   hypot(mx - 390, my - 312) < 10;
        })) << "mallet top at " << mx << "," << my;

        Child second = startProcess(program, {}, home, "", s.wayland);
        EXPECT_EQ(exitCode(second), 0) << errorsOf(second);
        EXPECT_TRUE(running(s.game));

        pressKey(s.display, XK_p);  // a still picture to compare the file with
        pressKey(s.display, XK_c);
        Shot box;
        ASSERT_TRUE(captureUntil(s.display, w, [](const Shot &shot) {
            return countShade(shot, Area{0, 0, shot.width, shot.height}, DIALOG) > 10000;
        }, &box)) << "no Save As box";
        EXPECT_GT(blackShare(box), 0.4) << "the box is not drawn at the output's scale";
        // "caf" and a composed é name the file.
        for (KeySym key : {XK_c, XK_a, XK_f, XK_Alt_R, XK_apostrophe, XK_e, XK_Return})
            pressKey(s.display, key);
        EXPECT_TRUE(waitFor([&] { return savedMatch(home / "caf\xc3\xa9.bmp", capture(s.display, w)) > 0.97; }));

        // Weston's kiosk shell gives the keyboard back to the game at its next click.
        clickAt(s.display, w, 320, 100);
        pressKey(s.display, XK_q);
        EXPECT_EQ(exitCode(s.game), 0) << errorsOf(s.game);
        closeSession(s);
    }
}
