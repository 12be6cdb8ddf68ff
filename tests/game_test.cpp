// The rules of play: serve, goals, rebounds, strikes, the opponent and the order of a tick.
#include "app/app.h"
#include "game/opponent.h"
#include "game/physics.h"
#include "game/world.h"
#include "support/fresh_world.h"

#include <array>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

namespace {

// A fresh world in play: the puck at rest at the centre, the mallets parked out of reach.
struct GameTest : ::testing::Test {
    void SetUp() override
    {
        resetWorld();
        placePuck(0, 0, 0, 0);
        gameWorld.userMallet.position = {9, 0, 19};
        gameWorld.cpuMallet.position = {-9, 0, -19};
    }
    static void placePuck(float x, float z, float vx, float vz)
    {
        gameWorld.puck.position = {x, 0, z};
        gameWorld.puck.vx = vx;
        gameWorld.puck.vz = vz;
    }
    // The nth number rand gives after srand(seed); the generator is left freshly seeded.
    static int nthRand(unsigned seed, int n)
    {
        srand(seed);
        int value = 0;
        for (int i = 0; i < n; i++)
            value = rand();
        srand(seed);
        return value;
    }
    UgWin win{};  // no native window: redraw requests go nowhere
};

TEST_F(GameTest, ServePutsAPuckAtTheCentreHeadingWithinFortyFiveDegreesOfEitherEnd)
{
    gameWorld.userScore = 3;
    gameWorld.cpuScore = 5;
    gameWorld.goalState = -1;
    srand(99);
    int towardsPlayer = 0, towardsRight = 0;
    for (int i = 0; i < 2000; i++) {
        gameWorld.userMallet.position = {5, 0, 9};
        serve();
        const Puck &p = gameWorld.puck;
        ASSERT_LE(fabsf(p.position.x), 0.5f);
        ASSERT_LE(fabsf(p.position.z), 0.5f);
        ASSERT_NEAR(hypotf(p.vx, p.vz), 2, 1e-5);
        ASSERT_LE(fabsf(p.vx), fabsf(p.vz) + 1e-5f);
        towardsPlayer += p.vz > 0;
        towardsRight += p.vx > 0;
    }
    EXPECT_NEAR(towardsPlayer, 1000, 150);
    EXPECT_NEAR(towardsRight, 1000, 150);
    EXPECT_EQ(gameWorld.userScore, 3);
    EXPECT_EQ(gameWorld.cpuScore, 5);
    EXPECT_EQ(gameWorld.goalState, 0);
    // The mallets start a third of the table's length from the centre.
    EXPECT_FLOAT_EQ(gameWorld.userMallet.position.z, -gameWorld.cpuMallet.position.z);
    EXPECT_FLOAT_EQ(gameWorld.userMallet.position.z, 40 / 3.0f);
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
        EXPECT_EQ(p.position.x, c.wantX) << c.what;
        EXPECT_EQ(p.position.z, c.wantZ) << c.what;
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

    // The goal tick still runs the collisions and the opponent.
    int second = nthRand(7, 2);
    gameWorld.userMallet.position = {0, 0, 17.5f};
    placePuck(0, 18.5f, 0, 1);
    onIdle(&win);
    EXPECT_EQ(gameWorld.goalState, -1);
    EXPECT_EQ(gameWorld.cpuScore, 1);
    EXPECT_NEAR(hypotf(gameWorld.puck.vx, gameWorld.puck.vz), 2, 1e-5);  // struck again after stopping
    EXPECT_EQ(rand(), second);  // the opponent drew its one number

    // After the goal only the movement goes on: through walls, no opponent, no rand.
    int next = nthRand(8, 1);
    float cpuX = gameWorld.cpuMallet.position.x;
    placePuck(7.9f, 30, 1, 0);
    onIdle(&win);
    onIdle(&win);
    EXPECT_FLOAT_EQ(gameWorld.puck.position.x, 9.9f);
    EXPECT_EQ(gameWorld.cpuMallet.position.x, cpuX);
    EXPECT_EQ(gameWorld.goalState, -1);
    EXPECT_EQ(gameWorld.cpuScore, 1);
    EXPECT_EQ(rand(), next);
}

}  // namespace
