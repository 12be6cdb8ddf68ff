// Playing the real program: the puck moves, clicks place the mallet, goals change the score.
#include <gtest/gtest.h>

#include "support/game_process.h"

#include <X11/keysym.h>
#include <math.h>
#include <stdlib.h>

enum { PLACE_TOLERANCE = 3 };

// Where the user's mallet stands, in pixels: its top's middle column, top's half height above its lowest point.
static int malletBase(const RgbImage &shot, double *x, double *y)
{
    int minX = shot.width, maxX = -1, minY = shot.height, maxY = -1;
    for (int j = 0; j < shot.height; j++)
        for (int i = 0; i < shot.width; i++)
            if (nearColour(pixelAt(shot, i, j), USER_MALLET_TOP)) {
                minX = std::min(minX, i), maxX = std::max(maxX, i);
                minY = std::min(minY, j), maxY = std::max(maxY, j);
            }
    if (maxX < 0)
        return 0;
    // The lowest pixel of the mallet's blue sides below its top.
    int bottom = maxY;
    for (int j = maxY; j < shot.height && j < maxY + 40; j++)
        for (int i = minX; i <= maxX; i++) {
            Rgb c = pixelAt(shot, i, j);
            if (abs(c.r - 92) <= 2 && abs(c.g - 92) <= 2 && c.b > 120)
                bottom = j;
        }
    *x = (minX + maxX) / 2.0;
    *y = bottom - (maxY - minY + 1) / 2.0;
    return 1;
}

struct MalletWait {
    double wantX, wantY, x, y;
    int away;  // wait for the mallet to leave the wanted point rather than to reach it
};

// 1 when the mallet stands within tolerance of the wanted point (or, with away set, does not).
static int malletAccepted(const RgbImage &shot, void *context)
{
    MalletWait *m = (MalletWait *)context;
    int there = malletBase(shot, &m->x, &m->y) && fabs(m->x - m->wantX) <= PLACE_TOLERANCE &&
                fabs(m->y - m->wantY) <= PLACE_TOLERANCE;
    return m->x >= 0 && there != m->away;
}

// Clicks at (x, y) and returns where the mallet went from where it stood.
static MalletWait clickAndFind(Display *d, Window w, int x, int y)
{
    MalletWait m{-1, -1, -1, -1, 1};
    RgbImage shot = captureWindow(d, w);
    malletBase(shot, &m.wantX, &m.wantY);
    clickAt(d, w, x, y);
    captureUntil(d, w, malletAccepted, &m, &shot);
    return m;
}

// Clicks at (x, y) and waits for the mallet to stand at (wantX, wantY); a failure names where it is.
static void clickExpecting(XSession *s, Window w, int x, int y, double wantX, double wantY)
{
    clickAt(s->display, w, x, y);
    MalletWait m{wantX, wantY, -1, -1, 0};
    RgbImage shot;
    EXPECT_TRUE(captureUntil(s->display, w, malletAccepted, &m, &shot))
        << "click at " << x << "," << y << ": mallet at " << m.x << "," << m.y << ", wanted " << wantX << "," << wantY;
}

// Clicks at points of the player's half, given as fractions of the window, and expects the mallet under each.
static void expectMalletUnderClicks(XSession *s, Window w, int width, int height)
{
    const double points[][2] = {{0.5, 0.69}, {0.39, 0.73}, {0.61, 0.65}, {0.5, 0.77}};
    for (const auto &p : points) {
        int x = (int)(p[0] * width), y = (int)(p[1] * height);
        clickExpecting(s, w, x, y, x, y);
    }
}

// Presses a key n times.
static void pressTimes(Display *d, KeySym key, int n)
{
    for (int i = 0; i < n; i++)
        pressKey(d, key);
}

TEST(Play, ClickPutsTheMalletUnderThePointerAtTwoSizesAndAfterTurns)
{
    const int sizes[][2] = {{640, 480}, {1024, 600}};
    for (const auto &size : sizes) {
        XSession s;
        ChildProcess game;
        Window w = startGame(&s, &game, size[0], size[1]);
        ASSERT_NE(w, 0u);
        expectMalletUnderClicks(&s, w, size[0], size[1]);
        endProcess(&game);
        closeSession(&s);
    }
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    pressTimes(s.display, XK_Left, 3);
    expectMalletUnderClicks(&s, w, 640, 480);
    pressTimes(s.display, XK_Right, 9);
    expectMalletUnderClicks(&s, w, 640, 480);
    endProcess(&game);
    closeSession(&s);
}

TEST(Play, ClickOutsideThePlayersAreaPutsTheMalletOnItsNearestEdge)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    // Straight down the table, where the centre line is the screen's middle column.
    pressTimes(s.display, XK_Left, 2);
    MalletWait edge = clickAndFind(s.display, w, 320, 150);
    ASSERT_NEAR(edge.x, 320, PLACE_TOLERANCE);
    EXPECT_GT(edge.y, 200) << "the mallet left the player's half";
    // Any point beyond the front edge on that line lands on the same spot; just inside, it is under the pointer.
    clickExpecting(&s, w, 320, 200, 320, edge.y);
    clickExpecting(&s, w, 320, (int)edge.y + 15, 320, (int)edge.y + 15);
    // Off the table to either side, at a depth within the area: pushed sideways to the side limit.
    MalletWait left = clickAndFind(s.display, w, 4, 340);
    EXPECT_NEAR(left.y, 340, PLACE_TOLERANCE);
    EXPECT_GT(left.x, 60);
    clickExpecting(&s, w, 40, 340, left.x, 340);
    clickExpecting(&s, w, 636, 340, 640 - left.x, 340);
    endProcess(&game);
    closeSession(&s);
}

// The bright pixels of the score line, as a mask.
static std::vector<bool> scoreLine(const RgbImage &shot)
{
    std::vector<bool> mask;
    PixelRect band = scoreLineBand(shot);
    for (int j = band.y; j < band.y + band.h; j++)
        for (int i = band.x; i < band.x + band.w; i++)
            mask.push_back(nearColour(pixelAt(shot, i, j), HUD_TEXT));
    return mask;
}

// 1 once the score line differs from the mask before.
static int scoreChanged(const RgbImage &shot, void *before)
{
    return scoreLine(shot) != *(std::vector<bool> *)before;
}

struct PuckWait {
    double fromX, fromY, x, y;
    int still;  // wait for the puck to stand still rather than to leave its spot
    int samePolls;
};

// 1 when the puck has left its spot, or, with still set, once it stayed put over ten polls (a few ticks).
static int puckAccepted(const RgbImage &shot, void *context)
{
    PuckWait *p = (PuckWait *)context;
    if (!centroidScene(shot, PixelRect{0, 0, shot.width, shot.height}, PUCK_TOP, &p->x, &p->y))
        return 0;
    double moved = hypot(p->x - p->fromX, p->y - p->fromY);
    if (!p->still)
        return moved > 20;
    p->samePolls = moved < 0.5 ? p->samePolls + 1 : 0;
    p->fromX = p->x;
    p->fromY = p->y;
    return p->samePolls >= 10;
}

TEST(Play, PuckMovesAGoalChangesTheScoreAndDownServesAgain)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    RgbImage first = captureWindow(s.display, w), shot;
    PuckWait moving{0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(centroidScene(first, PixelRect{0, 0, 640, 480}, PUCK_TOP, &moving.fromX, &moving.fromY));
    EXPECT_TRUE(captureUntil(s.display, w, puckAccepted, &moving, &shot)) << "the puck stays put";

    // The mallet in the near left corner leaves the goal open to the computer.
    clickAt(s.display, w, 4, 470);
    std::vector<bool> before = scoreLine(first);
    RgbImage goal;
    ASSERT_TRUE(captureUntil(s.display, w, scoreChanged, &before, &goal, 20000));
    PuckWait stopped{-1, -1, 0, 0, 1, 0};
    ASSERT_TRUE(captureUntil(s.display, w, puckAccepted, &stopped, &shot)) << "the puck keeps moving after the goal";

    pressKey(s.display, XK_Down);
    PuckWait served{stopped.x, stopped.y, 0, 0, 0, 0};
    EXPECT_TRUE(captureUntil(s.display, w, puckAccepted, &served, &shot)) << "no new puck after Down";
    // The scores stay over the serve.
    EXPECT_EQ(scoreLine(shot), scoreLine(goal));
    endProcess(&game);
    closeSession(&s);
}

// Starts a game, lets act end it, and returns its exit code.
static int exitCodeAfter(void (*act)(Display *d, Window w))
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    if (!w) {
        endProcess(&game);
        closeSession(&s);
        return -100;
    }
    act(s.display, w);
    int code = waitProcess(&game);
    endProcess(&game);
    closeSession(&s);
    return code;
}

TEST(Ending, LowerCaseQUpAndClosingTheWindowEndWithZero)
{
    EXPECT_EQ(exitCodeAfter([](Display *d, Window) { pressKey(d, XK_q); }), 0);
    EXPECT_EQ(exitCodeAfter([](Display *d, Window) { pressKey(d, XK_Up); }), 0);
    EXPECT_EQ(exitCodeAfter(sendDeleteWindow), 0);
}

TEST(Ending, UpperCaseQDoesNotEndTheGame)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
    ASSERT_NE(w, 0u);
    pressKey(s.display, XK_Q);
    // A click after the key: once the mallet has moved, the key has been handled too.
    clickExpecting(&s, w, 250, 350, 250, 350);
    int code = 0;
    EXPECT_TRUE(processRunning(&game, &code)) << "ended with " << code;
    endProcess(&game);
    closeSession(&s);
}
