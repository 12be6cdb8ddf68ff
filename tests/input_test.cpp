// The camera and its matrices, and what keys and taps do to the world.
#include "game/input.h"
#include "game/world.h"
#include "support/fresh_world.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

// The start-up world seen in a 250 x 250 window.
struct InputTest : ::testing::Test {
    void SetUp() override
    {
        resetWorld();
        win.clientWidth = win.clientHeight = 250;
    }
    UgWin win{};
};

void expectVec(const Vec3 &v, float x, float y, float z, float tolerance = 2e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(VectorMath, ThePerspectiveOfAThirtyDegreeViewAndALookDownMinusZ)
{
    // 1 / tan(15 degrees) on the diagonal, over the aspect across; depth mapped onto 20..150.
    Mat4 m;
    ASSERT_TRUE(perspectiveMatrix(m, 30, 2, 20, 150));
    const float expected[16] = {1.8660254f, 0, 0, 0, 0, 3.7320509f, 0, 0, 0, 0, -1.3076923f, -1, 0, 0, -46.153847f, 0};
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], expected[i], 1e-5f) << "element " << i;
    // Looking down -z with any length of up turns nothing (the move to the eye comes after).
    lookAtMatrix(m, 0, 0, 10, 0, 0, 0, 0, 2, 0);
    for (int i = 0; i < 16; i++)
        EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1 : 0) << "element " << i;
}

TEST_F(InputTest, TheCameraLooksFromBehindThePlayersEndAndArrowsTurnItWithinTwentyDegrees)
{
    // 60 away at 10 degrees, half as high as far: (60 sin 10, 30, 60 cos 10).
    const Camera &c = gameWorld.camera;
    expectVec(c.eye, 10.418915f, 30, 59.08846f);
    expectVec(c.right, 0.984808f, 0, -0.173649f);
    expectVec(c.up, -0.077658f, 0.894427f, -0.440419f);
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_LEFT, 0, 0);
    EXPECT_EQ(c.angleDeg, -20);
    expectVec(c.eye, -20.521255f, 30, 56.38154f);
    EXPECT_NEAR(c.right.x * c.eye.x + c.right.z * c.eye.z, 0, 1e-4);  // square to the new line of sight
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_RIGHT, 0, 0);
    EXPECT_EQ(c.angleDeg, 20);
    expectVec(c.eye, 20.521255f, 30, 56.38154f);
}

TEST_F(InputTest, DownServesOnlyAfterAGoalAndOtherKeysButQAndUpDoNothing)
{
    gameWorld.puck.position = {3, 0, 4};
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.puck.position.x, 3);
    gameWorld.goalState = 1;
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.goalState, 0);
    EXPECT_LE(fabsf(gameWorld.puck.position.x), 0.5f);

    GameWorld before = gameWorld;
    for (int key : {(int)'Q', (int)'c', (int)' ', (int)UG_KEY_F1, (int)UG_KEY_HOME, 13})
        onKey(&win, key, 40, 50);
    EXPECT_EQ(memcmp(&before, &gameWorld, sizeof before), 0);
    EXPECT_EXIT(onKey(&win, 'q', 10, 10), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onKey(&win, UG_KEY_UP, 0, 0), ::testing::ExitedWithCode(0), "");
}

// The window pixel of a table point, through the projection and view a frame uses.
void projectToPixel(const UgWin &win, float x, float z, double *px, double *py)
{
    const Camera &c = gameWorld.camera;
    Mat4 proj, view;
    perspectiveMatrix(proj, c.fovY, (float)win.clientWidth / (float)win.clientHeight, 20, 150);
    lookAtMatrix(view, c.eye.x, c.eye.y, c.eye.z, 0, 0, 0, 0, 1, 0);
    const double p[4] = {x - c.eye.x, -c.eye.y, z - c.eye.z, 1};
    double eye[4], clip[4];
    for (int r = 0; r < 4; r++)
        eye[r] = view[r] * p[0] + view[4 + r] * p[1] + view[8 + r] * p[2] + view[12 + r] * p[3];
    for (int r = 0; r < 4; r++)
        clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] + proj[12 + r] * eye[3];
    *px = (clip[0] / clip[3] + 1) * 0.5 * win.clientWidth;
    *py = (1 - clip[1] / clip[3]) * 0.5 * win.clientHeight;
}

TEST_F(InputTest, ATapLandsUnderThePointerAtEverySizeAndAngle)
{
    const int sizes[][2] = {{240, 294}, {250, 250}, {640, 480}, {1920, 1080}};
    const float points[][2] = {{2, 12}, {-5, 16}, {6.5f, 9}, {-7, 18}};
    for (float angle : {-20.0f, 10.0f, 20.0f}) {
        gameWorld.camera.angleDeg = angle;
        updateCamera();
        for (const auto &size : sizes) {
            win.clientWidth = size[0];
            win.clientHeight = size[1];
            for (const auto &point : points) {
                double px, py, landedX, landedY;
                projectToPixel(win, point[0], point[1], &px, &py);
                onPointer(&win, 0, 0, (int)lround(px), (int)lround(py));
                const Vec3 &at = gameWorld.userMallet.position;
                projectToPixel(win, at.x, at.z, &landedX, &landedY);
                EXPECT_NEAR(landedX, lround(px), 0.25) << size[0] << "x" << size[1] << " at " << angle;
                EXPECT_NEAR(landedY, lround(py), 0.25) << size[0] << "x" << size[1] << " at " << angle;
            }
        }
    }
}

TEST_F(InputTest, TapsOutsideThePlayersAreaLandOnItsNearestEdge)
{
    // The area: x within 9.5 and z from 20/3 to 20, less the mallet's radius of 1.2.
    const struct {
        int x, y;
        float wantX, wantZ;
    } cases[] = {
        {125, 125, 0, 7.8666668f},   // the middle of the view lies beyond the area's front edge
        {0, 0, -8.3f, 7.8666668f},   // far beyond a corner: both coordinates on the edge
        {249, 249, 8.3f, 18.8f},
    };
    for (const auto &c : cases) {
        onPointer(&win, 0, 0, c.x, c.y);
        expectVec(gameWorld.userMallet.position, c.wantX, 0, c.wantZ, 1e-3f);
    }
    win.clientHeight = 0;  // a window with no height ignores taps
    onPointer(&win, 0, 0, 10, 10);
    expectVec(gameWorld.userMallet.position, 8.3f, 0, 18.8f, 1e-3f);
}

}  // namespace
