// Playing the real program: the scene it shows, a click putting the mallet under the pointer, a
// goal counting for the right side, Down serving again, and the ways to end it.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/keysym.h>
#include <math.h>
#include <unistd.h>

TEST(Play, FromAnotherFolderTheSceneShowsClicksLandUnderThePointerAndTheCloseButtonEndsIt)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    // A folder without images: both are found beside the program, and no box shows. A compositor
    // named but not there leaves the game on X11.
    Window w = startGame(s, gameCopy() / "rinkslider", scratchDir(), {"WAYLAND_DISPLAY=rinkslider-none"});
    ASSERT_NE(w, 0u);
    EXPECT_EQ(windowClass(s.display, w), "ug window");
    Shot shot = capture(s.display, w);
    ASSERT_EQ(std::vector<int>({shot.width, shot.height}), std::vector<int>({640, 480}));
    // The sky is above the table; the score line heads the window, and nothing is written low down.
    EXPECT_GT(countShade(shot, Area{420, 0, 220, 40}, SKY), 220 * 30);
    EXPECT_TRUE(showsScoreLine(shot));
    EXPECT_EQ(countShade(shot, Area{0, 300, 250, 180}, TEXT), 0);
    EXPECT_TRUE(windowsTitled(s.display, "Error").empty());
    // Clicks at points of the player's half put the mallet under the pointer; a drag takes it along,
    // and after the release it stays where the drag ended.
    const std::pair<int, int> away{300, 420};
    const struct {
        int x, y;
        std::vector<std::pair<int, int>> dragTo;
        int endX, endY;
    } gestures[] = {{249, 350, {}, 249, 350}, {390, 312, {}, 390, 312}, {390, 312, {{320, 330}, {249, 350}}, 249, 350}};
    for (const auto &g : gestures) {
        clickAt(s.display, w, g.x, g.y, g.dragTo, &away);
        SeenMallet m{};
        EXPECT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) {
            return seeMallet(shot, &m) && fabs(m.x - g.endX) <= 3 && fabs(m.y - g.endY) <= 3;
        })) << g.x << "," << g.y << ": mallet at " << m.x << "," << m.y;
    }
    closeWindow(s.display, w);
    EXPECT_EQ(exitCode(s.game), 0) << errorsOf(s.game);
}

// Waits until the puck has moved clearly away from (x, y).
static bool puckLeaves(Session &s, Window w, double x, double y)
{
    return captureUntil(s.display, w, [&](const Shot &shot) {
        double px, py;
        return puckAt(shot, &px, &py) && hypot(px - x, py - y) > 20;
    });
}

// The frames a second shows after the action: none while nothing moves (want 0), one or two for a
// change (want 1), the display's pace once play goes on (want 3 or more).
struct StillRow {
    const char *what;
    std::function<void()> action;
    int least, most;
};

static void expectFrames(Session &s, Window w, const std::vector<StillRow> &rows)
{
    for (const StillRow &row : rows) {
        int frames = framesShown(s.display, w, 1000, row.action);
        EXPECT_TRUE(frames >= row.least && frames <= row.most) << row.what << ": " << frames << " frames";
    }
}

TEST(Play, AGoalCountsForTheComputerDownServesAndQEndsTheGameAndAStillPictureCostsNoFrames)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    Window w = startGame(s);
    ASSERT_NE(w, 0u);
    Shot before = capture(s.display, w);
    double x, y;

    // With the mallet in the near left corner the goal is open: the computer's score (the tenth
    // character of "User 0 - 0 CPU") changes and the player's (the sixth) does not.
    clickAt(s.display, w, 4, 470);
    Shot goal;
    ASSERT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) {
        return scoreCell(shot, 9) != scoreCell(before, 9);
    }, &goal, 30000));
    EXPECT_EQ(scoreCell(goal, 5), scoreCell(before, 5));

    // The goal stopped the puck. Waiting for the serve nothing is drawn, but what the player does shows.
    expectFrames(s, w, {{"waiting for the serve", {}, 0, 0},
                        {"a tap while waiting", [&] { clickAt(s.display, w, 320, 400); }, 1, 3},
                        {"a turn while waiting", [&] { pressKey(s.display, XK_Left); }, 1, 3}});
    // Down puts a new puck in play, and the score stays.
    goal = capture(s.display, w);
    ASSERT_TRUE(puckAt(goal, &x, &y));
    pressKey(s.display, XK_Down);
    EXPECT_TRUE(puckLeaves(s, w, x, y)) << "no new puck after Down";
    EXPECT_EQ(scoreCell(capture(s.display, w), 9), scoreCell(goal, 9));

    // Unmapped in play, as when minimised, it pauses and stays paused, saying so, until p.
    auto saysPaused = [](const Shot &shot) { return countShade(shot, Area{152, 44, 160, 18}, TEXT) > 0; };
    XUnmapWindow(s.display, w);
    XSync(s.display, False);
    usleep(200 * 1000);
    XMapWindow(s.display, w);
    EXPECT_TRUE(captureUntil(s.display, w, saysPaused));
    // Paused, the picture holds still and costs no frames; p brings play back at the display's pace.
    // The pointer is put on the spot first: Xvfb draws its cursor into the window as it moves.
    clickAt(s.display, w, 250, 420);
    Shot first = capture(s.display, w);
    expectFrames(s, w, {{"paused", {}, 0, 0},
                        {"a tap while paused", [&] { clickAt(s.display, w, 250, 420); }, 0, 0}});
    EXPECT_TRUE(capture(s.display, w).pixels == first.pixels) << "the paused picture moved";
    expectFrames(s, w, {{"resumed", [&] { pressKey(s.display, XK_p); }, 3, 1000}});
    EXPECT_TRUE(captureUntil(s.display, w, [&](const Shot &shot) { return !saysPaused(shot); }));

    pressKey(s.display, XK_q);
    EXPECT_EQ(exitCode(s.game), 0) << errorsOf(s.game);
}
