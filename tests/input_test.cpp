// The camera, its matrices, and what keys and taps do to the world.
#include "game/input.h"
#include "game/world.h"
#include "support/fresh_world.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

// Start-up world: constants, camera at 10 degrees, a served puck.
struct InputTest : ::testing::Test {
    void SetUp() override
    {
        resetWorld();
        win.clientWidth = win.clientHeight = 250;
    }
    UgWin win{};
};

void expectVec(const Vec3 &v, float x, float y, float z, float tolerance = 2e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(VectorMath, NormaliseAndCross)
{
    Vec3 v = {3, 4, 0};
    normalize3(&v);
    expectVec(v, 0.6f, 0.8f, 0);
    Vec3 zero = {0, 0, 0};
    normalize3(&zero);
    expectVec(zero, 0, 0, 0, 0);
    Vec3 a = {1, 0, 0}, b = {0, 1, 0}, out;
    cross3(&a, &b, &out);
    expectVec(out, 0, 0, 1, 0);
    Vec3 back = {0, 0, -1};
    cross3(&back, &b, &out);
    expectVec(out, 1, 0, 0, 0);
}

TEST(VectorMath, PerspectiveMatrixAndItsDegenerateCases)
{
    Mat4 m;
    ASSERT_TRUE(perspectiveMatrix(m, 30, 1, 20, 150));
    const float expected[16] = {3.7320509f, 0, 0, 0, 0, 3.7320509f, 0, 0, 0, 0, -1.3076923f, -1, 0, 0, -46.153847f, 0};
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], expected[i], 1e-5f) << "element " << i;

    Mat4 untouched;
    for (float &e : untouched)
        e = 7;
    EXPECT_FALSE(perspectiveMatrix(untouched, 30, 0, 20, 150));
    EXPECT_FALSE(perspectiveMatrix(untouched, 30, 1, 20, 20));
    EXPECT_FALSE(perspectiveMatrix(untouched, 0, 1, 20, 150));
    for (float e : untouched)
        EXPECT_EQ(e, 7);
}

TEST(VectorMath, LookAtAlongMinusZIsTheIdentityRotationWhateverUpsLength)
{
    for (float upY : {1.0f, 2.0f}) {
        Mat4 m, identity;
        lookAtMatrix(m, 0, 0, 10, 0, 0, 0, 0, upY, 0);
        identity4(identity);
        for (int i = 0; i < 16; i++)
            EXPECT_FLOAT_EQ(m[i], identity[i]) << "up " << upY << " element " << i;
    }
}

TEST_F(InputTest, StartUpCameraNumbers)
{
    const Camera &c = gameWorld.camera;
    expectVec(c.eye, 10.418915f, 30, 59.088463f, 1e-5f);
    expectVec(c.right, 0.984808f, 0, -0.173649f);
    expectVec(c.up, -0.077658f, 0.894427f, -0.440419f);
    EXPECT_FLOAT_EQ(c.pixelScaleX, 466.50522f);
    EXPECT_FLOAT_EQ(c.pixelScaleY, 466.50522f);
}

TEST_F(InputTest, ArrowsTurnTheCameraWithinTwentyDegrees)
{
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_LEFT, 0, 0);
    EXPECT_EQ(gameWorld.camera.angleDeg, -20);
    expectVec(gameWorld.camera.eye, (float)(60 * sin(-20 * degToRad)), 30, (float)(60 * cos(-20 * degToRad)));
    // The basis follows the eye, so it stays square to the new line of sight.
    const Camera &c = gameWorld.camera;
    EXPECT_NEAR(c.right.x * c.eye.x + c.right.z * c.eye.z, 0, 1e-4);
    for (int i = 0; i < 10; i++)
        onKey(&win, UG_KEY_RIGHT, 0, 0);
    EXPECT_EQ(gameWorld.camera.angleDeg, 20);
    expectVec(gameWorld.camera.eye, (float)(60 * sin(20 * degToRad)), 30, (float)(60 * cos(20 * degToRad)));
}

TEST_F(InputTest, DownServesOnlyAfterAGoal)
{
    gameWorld.puck.position = {3, 0, 4};
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.puck.position.x, 3);

    gameWorld.goalState = 1;
    onKey(&win, UG_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameWorld.goalState, 0);
    EXPECT_LE(fabsf(gameWorld.puck.position.x), 0.5f);
    gameWorld.puck.position = {3, 0, 4};
    onKey(&win, UG_KEY_DOWN, 0, 0);  // a second press in play does nothing
    EXPECT_EQ(gameWorld.puck.position.x, 3);
}

TEST_F(InputTest, LowerCaseQAndUpEndTheProgramOtherKeysDoNot)
{
    EXPECT_EXIT(onKey(&win, 'q', 10, 10), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onKey(&win, UG_KEY_UP, 0, 0), ::testing::ExitedWithCode(0), "");
    GameWorld before = gameWorld;
    for (int key : {(int)'Q', (int)'c', (int)' ', (int)UG_KEY_F1, (int)UG_KEY_HOME, 13})
        onKey(&win, key, 40, 50);
    EXPECT_EQ(memcmp(&before, &gameWorld, sizeof before), 0);
}

TEST_F(InputTest, TapsAtTheReferencePointsAreClampedIntoTheUsersArea)
{
    onPointer(&win, 0, 0, 125, 125);
    expectVec(gameWorld.userMallet.position, 0, 0, 7.8666668f, 1e-4f);
    onPointer(&win, 2, 0, 125, 250);
    expectVec(gameWorld.userMallet.position, 4.544f, 0, 18.8f, 2e-3f);
    onPointer(&win, 1, 0, 0, 0);  // far beyond a corner: both coordinates on the edge
    expectVec(gameWorld.userMallet.position, -8.3f, 0, 7.8666668f, 1e-5f);
    onPointer(&win, 1, 0, 249, 249);
    expectVec(gameWorld.userMallet.position, 8.3f, 0, 18.8f, 1e-5f);
}

// Window pixel of a table point through the same projection and view the frame uses.
void projectToPixel(const UgWin &win, float x, float z, double *px, double *py)
{
    const Camera &c = gameWorld.camera;
    Mat4 proj, view;
    perspectiveMatrix(proj, c.fovY, (float)win.clientWidth / (float)win.clientHeight, 20, 150);
    lookAtMatrix(view, c.eye.x, c.eye.y, c.eye.z, 0, 0, 0, 0, 1, 0);
    const double p[4] = {x - c.eye.x, -c.eye.y, z - c.eye.z, 1};
    double eyeSpace[4], clip[4];
    for (int r = 0; r < 4; r++)
        eyeSpace[r] = view[r] * p[0] + view[4 + r] * p[1] + view[8 + r] * p[2] + view[12 + r] * p[3];
    for (int r = 0; r < 4; r++)
        clip[r] = proj[r] * eyeSpace[0] + proj[4 + r] * eyeSpace[1] + proj[8 + r] * eyeSpace[2] +
                  proj[12 + r] * eyeSpace[3];
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
                double px, py;
                projectToPixel(win, point[0], point[1], &px, &py);
                int tapX = (int)lround(px), tapY = (int)lround(py);
                onPointer(&win, 0, 0, tapX, tapY);
                double landedX, landedY;
                projectToPixel(win, gameWorld.userMallet.position.x, gameWorld.userMallet.position.z, &landedX,
                               &landedY);
                EXPECT_NEAR(landedX, tapX, 0.25) << size[0] << "x" << size[1] << " at " << angle;
                EXPECT_NEAR(landedY, tapY, 0.25) << size[0] << "x" << size[1] << " at " << angle;
            }
        }
    }
}

}  // namespace
