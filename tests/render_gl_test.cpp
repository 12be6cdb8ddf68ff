// Drawing against Mesa in an offscreen context: one rendered frame with the heads-up display and the
// on-screen controls over it, and an unaligned TGA uploaded texel for texel.
#include <gtest/gtest.h>

#include "assets/bitmap.h"
#include "assets/font.h"
#include "assets/hud_controls.h"
#include "assets/tga.h"
#include "app/app.h"
#include "game/input.h"
#include "game/world.h"
#include "render/mesh.h"
#include "render/scene.h"
#include "support/fresh_world.h"
#include "support/game_session.h"
#include "support/offscreen_gl.h"
#include "ug/ug.h"

#include <EGL/egl.h>
#include <GLES/gl.h>
#include <array>
#include <fstream>
#include <math.h>

static const int frameSize = 320;

class RenderGlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, openOffscreenGl(frameSize, frameSize));
        resetWorld();
        gameWorld.puck.position = {3, 0, -4};
    }
    void TearDown() override
    {
        hudFont = nullptr;
        closeOffscreenGl();
    }
};

static Rgb pixelAt(int x, int y)
{
    unsigned char p[4];
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

// Which pixels of the rectangle, row by row, the heads-up display lit on black.
static std::vector<bool> litIn(int x0, int y0, int x1, int y1)
{
    std::vector<bool> lit;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            lit.push_back(pixelAt(x, y).r > 100);
    return lit;
}


TEST_F(RenderGlTest, AnUnalignedTgaIsUploadedTexelForTexel)
{
    GLuint texture = 0;
    // 3 x 2 pixels of 24 bits, blue-green-red: rows of 9 bytes, not a multiple of 4, the first at t = 0.
    fs::path small = fs::temp_directory_path() / "rinkslider-small.tga";
    const unsigned char tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0x20,
                                 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 255};
    std::ofstream(small, std::ios::binary).write((const char *)tga, sizeof tga);
    ASSERT_EQ(1, loadTgaTexture(small.c_str(), &texture));
    fs::remove(small);
    // Shown texel for texel over a 3 x 2 viewport and read back.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glViewport(0, 0, 3, 2);
    glEnable(GL_TEXTURE_2D);
    static const GLfloat corners[] = {-1, -1, 1, -1, -1, 1, 1, 1}, coords[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, coords);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    const Rgb texels[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {255, 255, 0}};
    for (int i = 0; i < 6; i++)
        EXPECT_TRUE(pixelAt(i % 3, i / 3) == texels[i]) << "texel " << i;
}

// Where a point lands in the viewport's pixels under the current projection and modelview.
static void project(float x, float y, float z, double *px, double *py)
{
    GLfloat p[16], m[16];
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double eye[4], clip[4];
    for (int r = 0; r < 4; r++)
        eye[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    for (int r = 0; r < 4; r++)
        clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
    *px = (clip[0] / clip[3] + 1) * 0.5 * viewport[2];
    *py = (clip[1] / clip[3] + 1) * 0.5 * viewport[3];
}

// The farthest, in pixels under the current matrices, that the middle of a facet of a round mesh
// (strips of slices + 1 vertex pairs) lies from the true surface beneath it: the circle around the
// local z axis for a tube, the sphere around the origin for a ball.
static double largestStray(const std::vector<float> &v, int strips, int slices, bool ball)
{
    double largest = 0;
    for (int k = 0; k < strips; k++)
        for (int j = 0; j < slices; j++) {
            const float *q = &v[(size_t)(k * (slices + 1) + j) * 6];  // column j's pair, then column j + 1's
            float mid[3], out[3];
            for (int c = 0; c < 3; c++)
                mid[c] = (q[c] + q[3 + c] + q[6 + c] + q[9 + c]) / 4;
            int axes = ball ? 3 : 2;
            double radius = 0, reach = 0;
            for (int c = 0; c < axes; c++) {
                radius += q[c] * q[c];
                reach += mid[c] * mid[c];
            }
            for (int c = 0; c < 3; c++)
                out[c] = c < axes ? (float)(mid[c] * sqrt(radius / reach)) : mid[c];
            double x0, y0, x1, y1;
            project(mid[0], mid[1], mid[2], &x0, &y0);
            project(out[0], out[1], out[2], &x1, &y1);
            largest = fmax(largest, hypot(x1 - x0, y1 - y0));
        }
    return largest;
}

// The farthest any facet of the puck, a mallet or a knob cut into that many slices (and stacks,
// for the knob) strays on screen at any of the places given, seen from the current view.
static double largestStrayOf(const char *shape, int slices, int stacks, const std::vector<Vec3> &places)
{
    bool knob = shape[0] == 'k';
    float radius = shape[0] == 'p' ? gameWorld.puck.radius : knob ? 0.6f : gameWorld.userMallet.radius;
    std::vector<float> v((size_t)(slices + 1) * stacks * 6), n(v.size());
    if (knob)
        buildSphere(radius, stacks, slices, v.data(), n.data());
    else
        buildCylinder(radius, 0.5f, 1, slices, v.data(), n.data());
    double largest = 0;
    for (const Vec3 &at : places) {
        glPushMatrix();
        glTranslatef(at.x, knob ? 0.5f : 0, at.z);
        if (!knob)
            glRotatef(90, -1, 0, 0);
        largest = fmax(largest, largestStray(v, knob ? stacks : 1, slices, knob));
        glPopMatrix();
    }
    return largest;
}

// The heads-up display of the scores alone on black.
static void drawHudOnBlack(int user, int cpu)
{
    gameWorld.userScore = user;
    gameWorld.cpuScore = cpu;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawHud();
}

TEST_F(RenderGlTest, AFrameShowsEachObjectInItsColourAndTheScoreLineOverIt)
{
    setupScene();
    BitmapFont font;
    ASSERT_EQ(1, loadTgaTexture((buildDir() / "font.tga").c_str(), &fontTexture));
    hudFont = initBitmapFont(&font, fontTexture, 15, 15);
    // A plain red floor image, so that the floor's colour shows it is textured.
    const unsigned char red[3] = {255, 0, 0};
    glGenTextures(1, &floorTexture);
    glBindTexture(GL_TEXTURE_2D, floorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // A frame as the window layer paints it: resize, then draw and present (a pbuffer's swap keeps it).
    UgDisplay display{nullptr, nullptr, nullptr, nullptr, eglGetCurrentDisplay()};
    UgWin win{};
    win.display = &display;
    win.surface = eglGetCurrentSurface(EGL_DRAW);
    onResize(&win, frameSize, frameSize);
    onDisplay(&win);
    // The scene's projection and view again, for projecting its objects: the display changed them.
    onResize(&win, frameSize, frameSize);
    const Vec3 &eye = gameWorld.camera.eye;
    setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    const struct {
        const char *what;
        float x, y, z;
        bool (*looks)(Rgb);
    } spots[] = {
        {"table centre", 0, -0.5f, 0, [](Rgb c) { return c.g > c.r + 60 && c.g > c.b + 60; }},
        {"puck", 3, 0.5f, -4, [](Rgb c) { return c.r > c.g + 60 && c.r > c.b + 60; }},
        {"user mallet", 0, 0.5f, 13.333333f, [](Rgb c) { return c.b > c.r + 60 && c.b > c.g + 60; }},
        {"cpu mallet", 0, 0.5f, -13.333333f, [](Rgb c) { return c.r > c.g + 60 && c.b > c.g + 60; }},
        {"floor", -20, -10, -10, [](Rgb c) { return c.r > 60 && c.g < 10 && c.b < 10; }},
    };
    for (const auto &spot : spots) {
        double px, py;
        project(spot.x, spot.y, spot.z, &px, &py);
        int x = (int)px, y = (int)py;
        Rgb c = pixelAt(x, y);
        EXPECT_TRUE(spot.looks(c)) << spot.what << " at " << x << "," << y << ": " << c.r << " " << c.g << " " << c.b;
    }
    // Above the table the view ends at the far plane, in the sky-blue clear colour.
    EXPECT_TRUE(near(pixelAt(frameSize / 2, frameSize - 2), SKY));
    // The text square's 250 rows hang from the top of the frame; at this height a unit is a pixel.
    const int line = frameSize - 250 + 230;

    // "User 1 - 0 CPU" in 15-pixel cells, dark between the lines and past its 14 characters, the
    // banner at half size below it, and nothing else.
    drawHudOnBlack(1, 0);
    const Rgb glyph = pixelAt(7, line + 2);
    EXPECT_GT(glyph.r, 100);
    EXPECT_LT(pixelAt(7, line + 11).r, 30);  // the open middle of the 'U'
    for (auto [x0, y0, x1, y1] : {std::array{60, line, 74, line + 15}, {210, line - 10, frameSize - 1, frameSize - 1},
                                  {0, 0, frameSize - 1, line - 11}})
        EXPECT_EQ(litIn(x0, y0, x1, y1), std::vector<bool>((x1 - x0 + 1) * (y1 - y0 + 1))) << x0 << "," << y0;
    std::vector<bool> banner = litIn(0, line - 10, 74, line - 3);
    EXPECT_GT(std::count(banner.begin(), banner.end(), true), 40);
    std::vector<bool> one = litIn(75, line, 89, line + 14), zero = litIn(135, line, 149, line + 14);
    EXPECT_NE(one, zero);
    // The player's score comes first: the other way round, the two digits change places.
    drawHudOnBlack(0, 1);
    EXPECT_EQ(litIn(75, line, 89, line + 14), zero);
    EXPECT_EQ(litIn(135, line, 149, line + 14), one);
}

// Through the projection onResize set, the round shapes' cuts keep every silhouette within half a
// pixel of a circle where each comes nearest, at both ends of the camera's turn, and a quarter fewer
// would not.
static void expectRoundShapesFit(int w, int h)
{
    // The puck at its in-play area's near corners and in a goal mouth; the player's mallet at its
    // area's corners.
    const std::vector<Vec3> puckPlaces = {{-8, 0, 18}, {8, 0, 18}, {-4, 0, 20.9f}, {4, 0, 20.9f}};
    const std::vector<Vec3> malletPlaces = {{-8.3f, 0, 18.8f}, {8.3f, 0, 18.8f}, {-8.3f, 0, 7.87f}, {8.3f, 0, 7.87f}};
    const MeshDetail d = meshDetail;
    const struct {
        const char *shape;
        int slices, stacks;
        const std::vector<Vec3> &places;
    } shapes[] = {{"puck", d.puckSlices, 1, puckPlaces},
                  {"mallet", d.malletSlices, 1, malletPlaces},
                  {"knob", d.knobSlices, d.knobStacks, malletPlaces}};
    for (const auto &shape : shapes) {
        double fitted = 0, coarser = 0;
        for (float angle : {-cameraTurnLimit, cameraTurnLimit}) {
            gameWorld.camera.angleDeg = angle;
            updateCamera();
            glLoadIdentity();
            const Vec3 &eye = gameWorld.camera.eye;
            setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
            fitted = fmax(fitted, largestStrayOf(shape.shape, shape.slices, shape.stacks, shape.places));
            int fewerStacks = shape.stacks > 1 ? shape.stacks * 3 / 4 : 1;
            coarser = fmax(coarser, largestStrayOf(shape.shape, shape.slices * 3 / 4, fewerStacks, shape.places));
        }
        EXPECT_LE(fitted, 0.5) << shape.shape << " at " << w << "x" << h;
        EXPECT_GT(coarser, 0.5) << shape.shape << " at " << w << "x" << h;
    }
    resetWorld();
}

TEST_F(RenderGlTest, AtEverySizeTheScoreLineAndTheControlsAreAFewHundredthsOfTheHeightWholeAndCrispAndTheShapesRound)
{
    closeOffscreenGl();
    const bool all[CONTROL_COUNT] = {true, true, true, true, true};
    for (auto [w, h, scale] : {std::tuple{320, 240, 1.0f}, {640, 480, 1.0f}, {1024, 768, 1.5f}, {1920, 1080, 1.0f},
                               {2560, 1440, 2.0f}, {3840, 2160, 2.0f}, {720, 1440, 2.0f}}) {
        ASSERT_EQ(1, openOffscreenGl(w, h));
        BitmapFont font;
        ASSERT_EQ(1, loadTgaTexture((buildDir() / "font.tga").c_str(), &fontTexture));
        hudFont = initBitmapFont(&font, fontTexture, hudCellSize, hudCellSize);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        onResize(nullptr, w, h);
        expectRoundShapesFit(w, h);
        drawHud();
        std::vector<uint8_t> frame((size_t)w * h * 4);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        auto red = [&](int x, int y) { return frame[((size_t)y * w + x) * 4]; };
        int top = -1, bottom = -1, left = w, right = -1;
        for (int y = h - 1; y >= 0 && (bottom < 0 || y == bottom - 1); y--)
            for (int x = 0; x < w; x++)
                if (red(x, y) > 100) {
                    top = top < 0 ? y : top;
                    bottom = y;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        double share = top < 0 ? 0 : (top - bottom + 1) / (double)h;
        EXPECT_TRUE(share >= 0.025 && share <= 0.07) << w << "x" << h << ": " << share;
        EXPECT_TRUE(left > 0 && right < w - 1 && top < h - 1) << w << "x" << h;
        // Crisp: every pixel of the line is a glyph's full shade or none, never a blur between.
        int blurred = 0;
        for (int y = bottom; y <= top; y++)
            for (int x = left; x <= right; x++)
                blurred += red(x, y) > 0 && red(x, y) < 255;
        EXPECT_EQ(blurred, 0) << w << "x" << h;

        // The controls alone on black: lit in every square and nowhere else, at the line's full shade.
        touchControlsShown = true;
        gameWorld.goalState = 1;
        const ControlLayout layout = layoutControls(w, h, scale, fovYForWindow(w, h));
        glClear(GL_COLOR_BUFFER_BIT);
        drawTouchControls(layout);
        touchControlsShown = false;
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        std::vector<int> litIn(CONTROL_COUNT + 1);
        blurred = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (red(x, y) > 0) {
                    litIn[controlAt(layout, all, x, h - 1 - y)]++;
                    blurred += red(x, y) < 255;
                }
        EXPECT_EQ(blurred, 0) << w << "x" << h;
        EXPECT_EQ(litIn[CONTROL_COUNT], 0) << w << "x" << h;
        EXPECT_EQ(std::count(litIn.begin(), litIn.end() - 1, 0), 0) << w << "x" << h;
        glDeleteTextures(1, &fontTexture);
        closeOffscreenGl();
    }
    ASSERT_EQ(1, openOffscreenGl(frameSize, frameSize));
}
