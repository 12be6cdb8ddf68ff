// The rules of play (serve, goals, rebounds, strikes, the opponent, the order of a tick), what a tick
// is heard as and when the sound device mixes, the camera, what keys and taps do to the world, and
// where the on-screen controls go.
#include "app/app.h"
#include "assets/font.h"
#include "game/events.h"
#include "game/input.h"
#include "game/opponent.h"
#include "game/physics.h"
#include "game/world.h"
#include "sound/sound.h"
#include "support/fresh_world.h"

#include <AL/alc.h>
#include <AL/alext.h>
#include <array>
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <unistd.h>

namespace {

// A fresh world in play in a 250 x 250 window: the puck at rest at the centre, the mallets parked out of reach.
struct GameTest : ::testing::Test {
    void SetUp() override
    {
        resetWorld();
        gamePaused = soundMuted = touchControlsShown = false;
        pressedControl = CONTROL_COUNT;
        placePuck(0, 0, 0, 0);
        gameWorld.userMallet.position = {9, 0, 19};
        gameWorld.cpuMallet.position = {-9, 0, -19};
        win.clientWidth = win.clientHeight = 250;
    }
    static void placePuck(float x, float z, float vx, float vz)
    {
        gameWorld.puck.position = {x, 0, z};
        gameWorld.puck.vx = vx;
        gameWorld.puck.vz = vz;
    }
    UgWin win{};  // no native window: redraw requests go nowhere
};

void expectVec(const Vec3 &v, float x, float y, float z, float tolerance = 2e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST_F(GameTest, ServePutsAPuckAtTheCentreHeadingWithinFortyFiveDegreesOfEitherEnd)
{
    gameWorld.userScore = 3;
    gameWorld.cpuScore = 5;
    gameWorld.goalState = -1;
    srand(99);
    int towardsPlayer = 0, towardsRight = 0;
    for (int i = 0; i < 2000; i++) {
        serve();
        const Puck &p = gameWorld.puck;
        ASSERT_LE(fmaxf(fabsf(p.position.x), fabsf(p.position.z)), 0.5f);
        ASSERT_NEAR(hypotf(p.vx, p.vz), 2, 1e-5);
        ASSERT_LE(fabsf(p.vx), fabsf(p.vz) + 1e-5f);
        towardsPlayer += p.vz > 0;
        towardsRight += p.vx > 0;
    }
    EXPECT_NEAR(towardsPlayer, 1000, 150);
    EXPECT_NEAR(towardsRight, 1000, 150);
    EXPECT_TRUE(gameWorld.userScore == 3 && gameWorld.cpuScore == 5 && gameWorld.goalState == 0);
    // The mallets start a third of the table's length from the centre.
    EXPECT_FLOAT_EQ(gameWorld.userMallet.position.z, 40 / 3.0f);
    EXPECT_FLOAT_EQ(gameWorld.cpuMallet.position.z, -40 / 3.0f);
}

TEST_F(GameTest, AGoalCountsInTheMouthEdgesIncludedAndStopsThePuck)
{
    const struct {
        float x, z;
        int result, userScore, cpuScore;
    } cases[] = {
        {0, 19, -1, 0, 1},   {4, 19, -1, 0, 1},    {-4, 19.5f, -1, 0, 1}, {4.01f, 19.5f, 0, 0, 0},
        {0, 18.9f, 0, 0, 0}, {0, -20.9f, 0, 0, 0}, {0, -21, 1, 1, 0},     {-4, -22, 1, 1, 0},
        {-4.5f, -22, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SetUp();
        placePuck(c.x, c.z, 0.3f, 0.7f);
        EXPECT_EQ(checkGoal(), c.result) << c.x << ", " << c.z;
        EXPECT_EQ(gameWorld.userScore, c.userScore);
        EXPECT_EQ(gameWorld.cpuScore, c.cpuScore);
        EXPECT_EQ(gameWorld.puck.vx == 0 && gameWorld.puck.vz == 0, c.result != 0);
        EXPECT_EQ(gameWorld.puck.position.z, c.z);
    }
}

TEST_F(GameTest, WallsReflectOneComponentAndAMalletInReachSendsThePuckAwayAtSpeedTwo)
{
    const Vec3 parked = {9, 0, 19};  // out of every case's reach
    const struct {
        const char *what;
        bool computers;  // the mallet is the computer's, else the player's
        Vec3 mallet;
        float x, z, vx, vz;
        float wantX, wantZ, wantVx, wantVz;
    } cases[] = {
        {"side wall", false, parked, 8.5f, 0.5f, 1, 0.5f, 8, 0.5f, -1, 0.5f},
        {"the limit itself bounces", false, parked, -8, 3, -1, 0.5f, -8, 3, 1, 0.5f},
        {"end wall beside the mouth", false, parked, 5, 18.5f, 0.5f, 1, 5, 18, 0.5f, -1},
        {"inside the mouth, edge included", false, parked, 4, -18, 0, -1, 4, -18, 0, -1},
        {"out of the mouth behind the wall's line", false, parked, 4.5f, -19, 0.5f, -1, 4.5f, -18, 0.5f, 1},
        {"struck along (1, -1.5)", false, {0, 0, 10}, 1, 8.5f, 0.1f, -1, 1, 8.5f, 2 / sqrtf(3.25f), -3 / sqrtf(3.25f)},
        {"exactly in reach of the computer", true, {0, 0, 0}, 0, 2.2f, 0.1f, -1, 0, 2.2f, 0, 2},
        {"just out of its reach", true, {0, 0, 0}, 0, 2.21f, 0.1f, -1, 0, 2.21f, 0.1f, -1},
        {"coinciding centres", false, {2, 0, 12}, 2, 12, 0.1f, -1, 2, 12, 0, 0},
    };
    for (const auto &c : cases) {
        SetUp();
        (c.computers ? gameWorld.cpuMallet : gameWorld.userMallet).position = c.mallet;
        placePuck(c.x, c.z, c.vx, c.vz);
        resolveCollisions();
        const Puck &p = gameWorld.puck;
        EXPECT_EQ(std::vector<float>({p.position.x, p.position.z}), std::vector<float>({c.wantX, c.wantZ})) << c.what;
        EXPECT_NEAR(p.vx, c.wantVx, 1e-6) << c.what;
        EXPECT_NEAR(p.vz, c.wantVz, 1e-6) << c.what;
    }
}

TEST_F(GameTest, OpponentStepsARandomPartOfThePucksSidewaysSpeedAndNeverPassesIt)
{
    Mallet &cpu = gameWorld.cpuMallet;
    srand(1);
    for (float side : {1.0f, -1.0f}) {
        cpu.position = {0, 0, -13};
        placePuck(3 * side, 0, 1.5f * side, 1);
        for (int i = 0; i < 100; i++) {
            float before = cpu.position.x;
            moveComputerMallet();
            ASSERT_GE((cpu.position.x - before) * side, 0);
            ASSERT_LE(fabsf(cpu.position.x - before), 1.5f);
            ASSERT_LE(cpu.position.x * side, 3);
        }
        EXPECT_EQ(cpu.position.x, 3 * side);  // caught up exactly
        EXPECT_EQ(cpu.position.z, -13);
    }
    // Far from the puck, a step is half the sideways speed on average.
    cpu.position.x = -1000;
    placePuck(1000, 0, 1.5f, 1);
    for (int i = 0; i < 400; i++)
        moveComputerMallet();
    EXPECT_NEAR((cpu.position.x + 1000) / 400, 0.75f, 0.1f);
    // A straight puck gives a zero step; past the goal line the mallet waits.
    for (auto [x, z, vx] : {std::array{-3.0f, 0.0f, 0.0f}, {3, 20, 1.5f}}) {
        cpu.position.x = 1;
        placePuck(x, z, vx, 1);
        moveComputerMallet();
        EXPECT_EQ(cpu.position.x, 1) << x << ", " << z;
    }
}

TEST_F(GameTest, TickMovesFirstThenAppliesTheRulesUntilAGoal)
{
    placePuck(1, 2, 0.5f, -0.25f);
    onIdle(&win);
    EXPECT_EQ(gameWorld.puck.position.x, 1.5f);
    EXPECT_EQ(gameWorld.puck.position.z, 1.75f);
    // The goal tick still runs the collisions (the mallet strikes the stopped puck) and the
    // opponent (it steps towards the puck).
    gameWorld.userMallet.position = {0, 0, 17.5f};
    placePuck(0, 18.5f, 0.5f, 1);
    onIdle(&win);
    EXPECT_TRUE(gameWorld.goalState == -1 && gameWorld.cpuScore == 1);
    EXPECT_NEAR(hypotf(gameWorld.puck.vx, gameWorld.puck.vz), 2, 1e-5);
    float cpuX = gameWorld.cpuMallet.position.x;
    EXPECT_GT(cpuX, -9);
    // After the goal only the movement goes on: through walls, no goal, no opponent.
    placePuck(7.9f, 30, 1, 0);
    onIdle(&win);
    onIdle(&win);
    EXPECT_FLOAT_EQ(gameWorld.puck.position.x, 9.9f);
    EXPECT_EQ(gameWorld.cpuMallet.position.x, cpuX);
    EXPECT_TRUE(gameWorld.goalState == -1 && gameWorld.cpuScore == 1);
}

TEST_F(GameTest, EachTickTellsItsReboundsStrikesAndGoals)
{
    using Kind = TickEvent TickEvents::*;
    const Kind kinds[] = {&TickEvents::sideRebound, &TickEvents::endRebound, &TickEvents::userStrike,
                          &TickEvents::cpuStrike,   &TickEvents::userGoal,   &TickEvents::cpuGoal};
    const Vec3 userParked = {9, 0, 19}, cpuParked = {-9, 0, -19};  // out of every row's reach
    const struct {
        const char *what;
        Kind want;  // null: nothing happens
        Vec3 user, cpu;
        float x, z, vx, vz;
    } cases[] = {
        {"left wall", &TickEvents::sideRebound, userParked, cpuParked, -7.5f, 0, -1, 0.5f},
        {"end wall", &TickEvents::endRebound, userParked, cpuParked, 6, 17.5f, 0.5f, 1},
        {"user strike", &TickEvents::userStrike, {0, 0, 10}, cpuParked, 1, 8, 0, 0.5f},
        {"cpu strike", &TickEvents::cpuStrike, userParked, {0, 0, -10}, 0.5f, -8.5f, 0, -0.5f},
        {"user goal", &TickEvents::userGoal, userParked, cpuParked, 0, -20.5f, 0, -1},
        {"cpu goal", &TickEvents::cpuGoal, userParked, cpuParked, 0, 18.5f, 0, 1},
        {"nothing", nullptr, userParked, cpuParked, 1, 2, 0.5f, -0.25f},
        {"in reach, sent on as it went", nullptr, {0, 0, 10}, cpuParked, 0, 10, 0, -2},
    };
    for (const auto &c : cases) {
        SetUp();
        gameWorld.userMallet.position = c.user;
        gameWorld.cpuMallet.position = c.cpu;
        placePuck(c.x, c.z, c.vx, c.vz);
        const GameWorld before = gameWorld;
        onIdle(&win);
        for (Kind k : kinds)
            EXPECT_EQ((tickEvents(before, gameWorld).*k).happened, k == c.want) << c.what;
    }
}

// Nanoseconds of sound the device has mixed: the count stands while the device is paused.
int64_t soundMixedNs()
{
    ALCdevice *device = alcGetContextsDevice(alcGetCurrentContext());
    auto clock = (LPALCGETINTEGER64VSOFT)alcGetProcAddress(device, "alcGetInteger64vSOFT");
    ALCint64SOFT ns = 0;
    clock(device, ALC_DEVICE_CLOCK_SOFT, 1, &ns);
    return ns;
}

TEST_F(GameTest, TheSoundDeviceMixesOnlyWhileASoundCanComeAndBeHeard)
{
    // OpenAL Soft's device without output, whose mixer keeps real time while it runs.
    setenv("ALSOFT_DRIVERS", "null", 1);
    ASSERT_TRUE(openSound());
    const struct {
        const char *what;
        bool muted, paused;
        int goalState;
        bool mixing;
    } cases[] = {
        {"in play, the serve sounding", false, false, 0, true},
        {"paused, once the serve's sound has ended", false, true, 0, false},
        {"resumed", false, false, 0, true},
        {"muted", true, false, 0, false},
        {"waiting for a serve", false, false, 1, false},
    };
    for (const auto &c : cases) {
        soundMuted = c.muted;
        gamePaused = c.paused;
        gameWorld.goalState = c.goalState;
        onIdle(&win);
        usleep(150000);
        onIdle(&win);
        int64_t before = soundMixedNs();
        usleep(60000);
        EXPECT_EQ(soundMixedNs() > before, c.mixing) << c.what;
    }
    soundMuted = false;
    closeSound();
}

TEST_F(GameTest, TheCameraLooksFromBehindThePlayersEndAndArrowsTurnItWithinTwentyDegrees)
{
    // 60 away at 10 degrees, half as high as far: (60 sin 10, 30, 60 cos 10).
    const Camera &c = gameWorld.camera;
    expectVec(c.eye, 10.418915f, 30, 59.08846f);
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_LEFT, 0, 0);
    EXPECT_EQ(c.angleDeg, -20);
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_RIGHT, 0, 0);
    EXPECT_EQ(c.angleDeg, 20);
    expectVec(c.eye, 20.521255f, 30, 56.38154f);
}

TEST_F(GameTest, DownServesOnlyAfterAGoalPauseStopsTheWorldAndOtherKeysDoNothing)
{
    // Paused, neither a tick, a tap nor Down moves anything, until the same key resumes.
    for (int key : {(int)'p', (int)UG_KEY_PAUSE}) {
        placePuck(1, 2, 0.5f, 0);
        gameWorld.goalState = 1;
        onKey(&win, key, 0, 0);
        const GameWorld paused = gameWorld;
        onIdle(&win);
        onPointer(&win, 0, 0, 125, 200);
        onKey(&win, UG_KEY_DOWN, 0, 0);
        EXPECT_EQ(memcmp(&paused, &gameWorld, sizeof paused), 0) << key;
        onKey(&win, key, 0, 0);
        onIdle(&win);
        EXPECT_EQ(gameWorld.puck.position.x, 1.5f) << key;
    }
    gameWorld.goalState = 0;
    placePuck(3, 4, 0, 0);
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.puck.position.x, 3);
    gameWorld.goalState = 1;
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.goalState, 0);
    EXPECT_LE(fabsf(gameWorld.puck.position.x), 0.5f);
    GameWorld before = gameWorld;
    touchControlsShown = true;
    for (int key : {(int)'Q', (int)'c', (int)' ', (int)UG_KEY_F1, (int)UG_KEY_HOME, 13})
        onKey(&win, key, 40, 50);
    EXPECT_EQ(memcmp(&before, &gameWorld, sizeof before), 0);
    EXPECT_FALSE(touchControlsShown);  // a key hides the on-screen controls
}

// The window pixel of a world point, through the projection and view a frame uses: a tap there
// lands on the point only when both the projection and the tap mapping are right.
static void projectToPixel(const UgWin &win, const Vec3 &at, double *px, double *py)
{
    const Camera &c = gameWorld.camera;
    Mat4 proj, view;
    float fovY = fovYForWindow(win.clientWidth, win.clientHeight);
    perspectiveMatrix(proj, fovY, (float)win.clientWidth / (float)win.clientHeight, 20, 150);
    lookAtMatrix(view, c.eye.x, c.eye.y, c.eye.z, 0, 0, 0, 0, 1, 0);
    const double p[4] = {at.x - c.eye.x, at.y - c.eye.y, at.z - c.eye.z, 1};
    double eye[4], clip[4];
    for (int r = 0; r < 4; r++)
        eye[r] = view[r] * p[0] + view[4 + r] * p[1] + view[8 + r] * p[2] + view[12 + r] * p[3];
    for (int r = 0; r < 4; r++)
        clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] + proj[12 + r] * eye[3];
    *px = (clip[0] / clip[3] + 1) * 0.5 * win.clientWidth;
    *py = (1 - clip[1] / clip[3]) * 0.5 * win.clientHeight;
}

TEST_F(GameTest, TheWholeTableShowsAndATapLandsUnderThePointerAtEveryShapeAndAngle)
{
    for (float angle : {-20.0f, 10.0f, 20.0f}) {
        gameWorld.camera.angleDeg = angle;
        updateCamera();
        // From a 9:21 phone held upright to a 21:9 monitor.
        for (auto [w, h] : {std::pair{360, 840}, {240, 294}, {250, 250}, {640, 480}, {1920, 1080}, {2520, 1080}}) {
            win.clientWidth = w;
            win.clientHeight = h;
            // The walls' outer corners, top and bottom, enclose the table and both goal mouths.
            double widest = 0;
            for (int k = 0; k < 8; k++) {
                double px, py;
                projectToPixel(win, {k & 1 ? 10.5f : -10.5f, k & 2 ? 0.5f : -0.5f, k & 4 ? 21.0f : -21.0f}, &px, &py);
                EXPECT_TRUE(px >= 0 && px <= w && py >= 0 && py <= h) << w << "x" << h << " at " << angle;
                widest = fmax(widest, fabs(px / w * 2 - 1));
            }
            // A window too narrow for the camera's own view (below 1.21:1) is widened no further than
            // the table needs at the widest turn; one of 4:3 or wider keeps the camera's own.
            if (angle == 20 && (double)w / h < 1.2) {
                EXPECT_GT(widest, 0.9) << w << "x" << h;
            }
            EXPECT_TRUE(w * 3 < h * 4 || fovYForWindow(w, h) == gameWorld.camera.fovY) << w << "x" << h;
            for (auto [x, z] : {std::pair{2.0f, 12.0f}, {-5, 16}, {6.5f, 9}, {-7, 18}}) {
                double px, py, landedX, landedY;
                projectToPixel(win, {x, 0, z}, &px, &py);
                onPointer(&win, 0, 0, (int)lround(px), (int)lround(py));
                projectToPixel(win, gameWorld.userMallet.position, &landedX, &landedY);
                EXPECT_NEAR(landedX, lround(px), 0.25) << w << "x" << h << " at " << angle;
                EXPECT_NEAR(landedY, lround(py), 0.25) << w << "x" << h << " at " << angle;
            }
        }
    }
}

TEST_F(GameTest, TapsOutsideThePlayersAreaLandOnItsNearestEdge)
{
    // The area: x within 9.5 and z from 20/3 to 20, less the mallet's radius of 1.2.
    const struct {
        int x, y;
        float wantX, wantZ;
    } cases[] = {
        {125, 125, 0, 7.8666668f},  // the middle of the view lies beyond the area's front edge
        {0, 0, -8.3f, 7.8666668f},  // far beyond a corner: both coordinates on the edge
        {249, 249, 8.3f, 18.8f},
    };
    for (const auto &c : cases) {
        onPointer(&win, 0, 0, c.x, c.y);
        expectVec(gameWorld.userMallet.position, c.wantX, 0, c.wantZ, 1e-3f);
    }
}

// The centre of a control's square in the window.
void controlCentre(UgWin &win, int control, int *x, int *y)
{
    const ControlLayout &layout = touchControlLayout(&win);
    *x = layout.at[control].x + layout.side / 2;
    *y = layout.at[control].y + layout.side / 2;
}

TEST_F(GameTest, AFingerOnAShownControlActsAsItsKeyAndNoOtherPressLeavesTheMalletAlone)
{
    const UgDevice finger = UG_DEVICE_TOUCH;
    const struct {
        const char *what;
        bool shown;
        UgDevice device;
        int control;  // CONTROL_COUNT: a point on the player's half
        bool wantShown, wantMalletMoved;
        bool (*acted)();
    } cases[] = {
        {"turn left", true, finger, CONTROL_TURN_LEFT, true, false, [] { return gameWorld.camera.angleDeg == 5; }},
        {"turn right", true, finger, CONTROL_TURN_RIGHT, true, false, [] { return gameWorld.camera.angleDeg == 15; }},
        {"pause", true, finger, CONTROL_PAUSE, true, false, [] { return gamePaused; }},
        {"mute", true, finger, CONTROL_MUTE, true, false, [] { return soundMuted; }},
        // The serve puts the mallet at its start, where the drag leaves it.
        {"serve", true, finger, CONTROL_SERVE, true, true,
         [] { return gameWorld.goalState == 0 && gameWorld.userMallet.position.x == 0; }},
        {"the table", true, finger, CONTROL_COUNT, true, true, [] { return gameWorld.goalState == 1; }},
        {"a first finger, on a control not shown yet", false, finger, CONTROL_MUTE, true, true,
         [] { return !soundMuted; }},
        {"a mouse button on a control", true, UG_DEVICE_MOUSE, CONTROL_PAUSE, false, true, [] { return !gamePaused; }},
    };
    win.clientWidth = 640;
    win.clientHeight = 480;
    double tableX, tableY, dragX, dragY;
    projectToPixel(win, {2, 0, 12}, &tableX, &tableY);
    projectToPixel(win, {-3, 0, 15}, &dragX, &dragY);
    for (const auto &c : cases) {
        SetUp();
        win.clientWidth = 640;
        win.clientHeight = 480;
        gameWorld.goalState = 1;  // a puck waits for its serve
        touchControlsShown = c.shown;
        int x = (int)tableX, y = (int)tableY;
        if (c.control != CONTROL_COUNT)
            controlCentre(win, c.control, &x, &y);
        const Vec3 parked = gameWorld.userMallet.position;
        // The finger presses, drags over the table and lifts.
        pressPointer(&win, {c.device, x, y, 0, 600, 40});
        onMotion(&win, (int)dragX, (int)dragY);
        onRelease(&win, 0, (int)dragX, (int)dragY);
        EXPECT_TRUE(c.acted()) << c.what;
        EXPECT_EQ(touchControlsShown, c.wantShown) << c.what;
        EXPECT_EQ(memcmp(&parked, &gameWorld.userMallet.position, sizeof parked) != 0, c.wantMalletMoved) << c.what;
    }
}

TEST_F(GameTest, AHeldTurnControlRepeatsAtTheGivenPaceUntilLetGoEvenWhilePaused)
{
    win.clientWidth = 640;
    win.clientHeight = 480;
    touchControlsShown = gamePaused = true;
    gameWorld.camera.angleDeg = -20;
    int x, y;
    controlCentre(win, CONTROL_TURN_RIGHT, &x, &y);
    pressPointer(&win, {UG_DEVICE_TOUCH, x, y, 1000, 500, 30});
    const struct {
        long long atMs;
        float wantAngle;
    } steps[] = {{1000, -15}, {1499, -15}, {1500, -10}, {1529, -10}, {1530, -5}, {1595, 5} /* 1560 and 1590 */};
    for (const auto &step : steps) {
        repeatHeldTurn(&win, step.atMs);
        EXPECT_EQ(gameWorld.camera.angleDeg, step.wantAngle) << step.atMs;
    }
    onRelease(&win, 0, x, y);
    repeatHeldTurn(&win, 3000);
    EXPECT_EQ(gameWorld.camera.angleDeg, 5);
}

TEST_F(GameTest, TheControlsAreBigInsideTheWindowApartAndOffThePlayersHalfAtEveryShapeAndScale)
{
    for (auto [w, h] : {std::pair{360, 840}, {600, 600}, {640, 360}, {840, 360}}) {
        for (float scale : {1.0f, 1.5f, 2.0f}) {
            const int width = (int)lround(w * scale), height = (int)lround(h * scale);
            const ControlLayout layout = layoutControls(width, height, scale, fovYForWindow(width, height));
            std::string where = std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(scale);
            EXPECT_GE(layout.side, controlMinSide * scale) << where;
            int hudRight, hudBottom;
            hudExtent(width, height, &hudRight, &hudBottom);
            for (int c = 0; c < CONTROL_COUNT; c++) {
                const ControlSquare &s = layout.at[c];
                EXPECT_TRUE(s.x >= 0 && s.y >= 0 && s.x + layout.side <= width && s.y + layout.side <= height)
                    << where << ", control " << c;
                EXPECT_TRUE(s.x >= hudRight || s.y >= hudBottom) << where << ", control " << c;
                for (int d = 0; d < c; d++)
                    EXPECT_TRUE(abs(s.x - layout.at[d].x) >= layout.side || abs(s.y - layout.at[d].y) >= layout.side)
                        << where << ", controls " << c << " and " << d;
            }
            // Points over the player's half seen from every camera angle: few fall on a control.
            win.clientWidth = width;
            win.clientHeight = height;
            for (float angle = -20; angle <= 20; angle += 5) {
                gameWorld.camera.angleDeg = angle;
                updateCamera();
                int seen = 0, covered = 0;
                for (float x = -10; x <= 10; x += 0.5f) {
                    for (float z = 0; z <= 20; z += 0.5f) {
                        double px, py;
                        projectToPixel(win, {x, 0, z}, &px, &py);
                        if (px < 0 || py < 0 || px >= width || py >= height)
                            continue;
                        seen++;
                        const bool all[CONTROL_COUNT] = {true, true, true, true, true};
                        covered += controlAt(layout, all, (int)px, (int)py) != CONTROL_COUNT;
                    }
                }
                EXPECT_LE(covered, seen / 100) << where << " at " << angle << " degrees";
            }
        }
    }
}

}  // namespace
