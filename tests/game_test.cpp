// The rules of play: serve, goals, rebounds, strikes, the opponent and the order of a tick.
#include "app/app.h"
#include "game/opponent.h"
#include "game/physics.h"
#include "game/world.h"
#include "support/fresh_world.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

namespace {

// A fresh world in play: constants set, the puck at rest at the centre, mallets parked out of reach.
struct GameTest : ::testing::Test {
    void SetUp() override
    {
        resetWorld();
        gameWorld.puck.position = {0, 0, 0};
        gameWorld.puck.vx = gameWorld.puck.vz = 0;
        gameWorld.userMallet.position = {9, 0, 19};
        gameWorld.cpuMallet.position = {-9, 0, -19};
    }
    void placePuck(float x, float z, float vx, float vz)
    {
        gameWorld.puck.position = {x, 0, z};
        gameWorld.puck.vx = vx;
        gameWorld.puck.vz = vz;
    }
    // The nth value rand yields after seeding with seed; the generator is left freshly seeded.
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

TEST_F(GameTest, ServeStaysInItsRangesAndKeepsScores)
{
    gameWorld.userScore = 3;
    gameWorld.cpuScore = 5;
    gameWorld.goalState = -1;
    srand(99);
    int headingNear = 0, headingRight = 0;
    for (int i = 0; i < 2000; i++) {
        gameWorld.userMallet.position = {5, 0, 9};
        serve();
        const Puck &p = gameWorld.puck;
        ASSERT_LE(fabsf(p.position.x), 0.5f);
        ASSERT_LE(fabsf(p.position.z), 0.5f);
        ASSERT_EQ(p.position.y, 0);
        ASSERT_NEAR(p.vx * p.vx + p.vz * p.vz, 4.0f, 1e-5);
        ASSERT_LE(fabsf(p.vx), 1.414216f);
        ASSERT_GE(fabsf(p.vz), 1.414211f);
        headingNear += p.vz > 0;
        headingRight += p.vx > 0;
    }
    // Either end and either side come up about equally often.
    EXPECT_NEAR(headingNear, 1000, 150);
    EXPECT_NEAR(headingRight, 1000, 150);
    EXPECT_EQ(gameWorld.userScore, 3);
    EXPECT_EQ(gameWorld.cpuScore, 5);
    EXPECT_EQ(gameWorld.goalState, 0);
    const Mallet &user = gameWorld.userMallet;
    EXPECT_FLOAT_EQ(user.position.z, 13.333333f);
    EXPECT_EQ(user.position.x, 0);
    EXPECT_FLOAT_EQ(gameWorld.cpuMallet.position.z, -13.333333f);
    EXPECT_FLOAT_EQ(user.minX, -9.5f);
    EXPECT_FLOAT_EQ(user.maxX, 9.5f);
    EXPECT_FLOAT_EQ(user.minZ, 6.6666665f);
    EXPECT_FLOAT_EQ(user.maxZ, 20);
}

TEST_F(GameTest, GoalThresholdsAtBothEndsIncludeTheMouthEdges)
{
    struct Case {
        float x, z;
        int result, userScore, cpuScore;
    } cases[] = {
        {0, 19, -1, 0, 1},   {4, 19, -1, 0, 1},  {-4, 19.5f, -1, 0, 1}, {4.01f, 19.5f, 0, 0, 0},
        {0, 18.9f, 0, 0, 0}, {0, -20.9f, 0, 0, 0}, {0, -21, 1, 1, 0},   {-4, -22, 1, 1, 0},
        {-4.5f, -22, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SetUp();
        placePuck(c.x, c.z, 0.3f, 0.7f);
        EXPECT_EQ(checkGoal(), c.result) << c.x << ", " << c.z;
        EXPECT_EQ(gameWorld.userScore, c.userScore);
        EXPECT_EQ(gameWorld.cpuScore, c.cpuScore);
        bool stopped = gameWorld.puck.vx == 0 && gameWorld.puck.vz == 0;
        EXPECT_EQ(stopped, c.result != 0);
        EXPECT_EQ(gameWorld.puck.position.z, c.z);  // a stopped puck stays where it is
    }
}

TEST_F(GameTest, WallsReflectOneComponentAndKeepTheSpeed)
{
    placePuck(8.5f, 0.5f, 1, 0.5f);
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.position.x, 8);
    EXPECT_EQ(gameWorld.puck.vx, -1);
    EXPECT_EQ(gameWorld.puck.vz, 0.5f);

    placePuck(-8, 3, -1, 0.5f);  // the limit itself bounces
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.vx, 1);

    placePuck(5, 18.5f, 0, 1);  // beside the mouth: the end wall
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.position.z, 18);
    EXPECT_EQ(gameWorld.puck.vz, -1);

    placePuck(4, -18, 0, -1);  // inside the mouth, edge included: no wall
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.position.z, -18);
    EXPECT_EQ(gameWorld.puck.vz, -1);

    placePuck(4.5f, -19, 0.5f, -1);  // drifted out of the mouth behind the wall's line
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.position.z, -18);
    EXPECT_EQ(gameWorld.puck.vz, 1);
}

TEST_F(GameTest, MalletStrikeSetsSpeedTwoAwayFromItsCentre)
{
    gameWorld.userMallet.position = {0, 0, 10};
    placePuck(1, 8.5f, 0.2f, 0.9f);
    resolveCollisions();
    EXPECT_NEAR(gameWorld.puck.vx, 1.1094f, 1e-4);
    EXPECT_NEAR(gameWorld.puck.vz, -1.6641f, 1e-4);

    // Exactly 2.2 apart still counts.
    gameWorld.cpuMallet.position = {0, 0, 0};
    placePuck(0, 2.2f, 0.1f, -1);
    ASSERT_EQ(distanceXZ(&gameWorld.cpuMallet.position, &gameWorld.puck.position), 2.2f);
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.vx, 0);
    EXPECT_EQ(gameWorld.puck.vz, 2);

    placePuck(0, 2.21f, 0.1f, -1);  // just out of reach
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.vx, 0.1f);

    // Coinciding centres leave the puck at rest.
    gameWorld.userMallet.position = {2, 0, 12};
    placePuck(2, 12, 1, 1);
    resolveCollisions();
    EXPECT_EQ(gameWorld.puck.vx, 0);
    EXPECT_EQ(gameWorld.puck.vz, 0);
}

TEST_F(GameTest, OpponentStepsTowardsThePuckAndNeverPassesIt)
{
    Mallet &cpu = gameWorld.cpuMallet;
    cpu.position = {0, 0, -13.333333f};
    placePuck(3, 0, 1.5f, 1);
    srand(1);
    for (int i = 0; i < 500; i++) {
        float before = cpu.position.x;
        moveComputerMallet();
        ASSERT_GE(cpu.position.x, before);
        ASSERT_LE(cpu.position.x, 3);
    }
    EXPECT_EQ(cpu.position.x, 3);  // caught up exactly
    EXPECT_EQ(cpu.position.z, -13.333333f);

    cpu.position.x = 0;
    placePuck(-3, 0, -1.5f, 1);
    for (int i = 0; i < 500; i++) {
        moveComputerMallet();
        ASSERT_GE(cpu.position.x, -3);
    }
    EXPECT_EQ(cpu.position.x, -3);

    // A straight puck gives a zero step: the mallet waits.
    cpu.position.x = 1;
    placePuck(-3, 0, 0, 1);
    moveComputerMallet();
    EXPECT_EQ(cpu.position.x, 1);
}

TEST_F(GameTest, OpponentIdlesWithoutRandOnceThePuckPassesTheGoalLine)
{
    int expected = nthRand(42, 1);
    gameWorld.cpuMallet.position.x = 0;
    placePuck(3, 20, 1.5f, 1);
    moveComputerMallet();
    EXPECT_EQ(gameWorld.cpuMallet.position.x, 0);
    EXPECT_EQ(rand(), expected);
}

TEST_F(GameTest, TickMovesFirstThenAppliesTheRules)
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
