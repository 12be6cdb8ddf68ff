// Scene, text and texture loading against Mesa in an offscreen context: GL state and pixels.
#include "assets/bitmap.h"
#include "assets/font.h"
#include "assets/tga.h"
#include "game/world.h"
#include "render/mesh.h"
#include "render/scene.h"
#include "support/fresh_world.h"
#include "support/offscreen_gl.h"
#include "ug/ug.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

static const int frameSize = 320;
static std::vector<std::string> messages;

static void recordMessage(const char *text) { messages.push_back(text); }

struct Pixel {
    int r, g, b;
};

class RenderGlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, openOffscreenGl(frameSize, frameSize));
        messages.clear();
        ugSetErrorBoxHandler(recordMessage);
    }
    void TearDown() override
    {
        ugSetErrorBoxHandler(nullptr);
        closeOffscreenGl();
    }
};

static bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

static int integerState(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

static Pixel pixelAt(int x, int y)
{
    unsigned char p[4];
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

// The game's directory: the test program lives one level below it.
static std::string buildDir()
{
    char path[512];
    size_t length = ugModulePath(path, sizeof path);
    std::string exe(path, length);
    return exe.substr(0, exe.rfind('/')) + "/..";
}

static void writeBytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file) << path;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

// A fresh game with the puck off centre.
static void placeScene()
{
    resetWorld();
    gameWorld.puck.position = {3, 0, -4};
}

TEST_F(RenderGlTest, SetupSceneLeavesLitDepthTestedCulledState)
{
    setupScene();
    EXPECT_TRUE(enabled(GL_LIGHTING) && enabled(GL_LIGHT0) && enabled(GL_DEPTH_TEST) && enabled(GL_CULL_FACE));
    EXPECT_FALSE(enabled(GL_TEXTURE_2D) || enabled(GL_BLEND) || enabled(GL_NORMALIZE));
    EXPECT_EQ(GL_LEQUAL, integerState(GL_DEPTH_FUNC));
    EXPECT_EQ(GL_SMOOTH, integerState(GL_SHADE_MODEL));
    EXPECT_EQ(GL_CCW, integerState(GL_FRONT_FACE));
    GLfloat v[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
    EXPECT_TRUE(v[0] == 0.5f && v[1] == 0.5f && v[2] == 1.0f && v[3] == 0.0f);
    glGetLightfv(GL_LIGHT0, GL_POSITION, v);
    EXPECT_TRUE(v[0] == 20 && v[1] == 20 && v[2] == 30 && v[3] == 0);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
    EXPECT_FLOAT_EQ(0.6f, v[0]);
    glGetMaterialfv(GL_BACK, GL_AMBIENT, v);
    EXPECT_FLOAT_EQ(0.6f, v[2]);
}

TEST_F(RenderGlTest, DrawsRestoreTheModelviewAndDisableTheirArrays)
{
    setupScene();
    placeScene();
    glTranslatef(1, 2, 3);
    void (*const draws[])() = {drawTable, drawPuck, drawMallets, drawFloor, [] { drawBox(1); },
                               [] { drawSphere(0.6f, 5, 3); }, [] { drawDisk(0, 1, 1, 8); }};
    for (auto draw : draws) {
        draw();
        EXPECT_FALSE(enabled(GL_VERTEX_ARRAY) || enabled(GL_NORMAL_ARRAY) || enabled(GL_TEXTURE_COORD_ARRAY));
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_TRUE(m[12] == 1 && m[13] == 2 && m[14] == 3 && m[0] == 1 && m[5] == 1);
        EXPECT_EQ(1, integerState(GL_MODELVIEW_STACK_DEPTH));
    }
    // What the heads-up display finds after the floor of a frame drawn in order.
    drawTable();
    drawPuck();
    drawMallets();
    drawFloor();
    EXPECT_FALSE(enabled(GL_TEXTURE_2D));
    GLfloat v[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
    EXPECT_TRUE(v[0] == 1 && v[1] == 0 && v[2] == 1);
    glGetFloatv(GL_CURRENT_NORMAL, v);
    EXPECT_TRUE(v[0] == 0 && v[1] == 1 && v[2] == 0);
    EXPECT_EQ(GL_NO_ERROR, (int)glGetError());
}

TEST_F(RenderGlTest, MeshCachesKeepEqualMeshesAndIgnoreInvalidCalls)
{
    drawCylinder(1, 0.5f, 1, 8);
    float *built = cylinderCache.vertices;
    ASSERT_NE(nullptr, built);
    drawCylinder(1, 0.5f, 1, 8);
    EXPECT_EQ(built, cylinderCache.vertices);
    void *pointer = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ((void *)built, pointer);
    drawCylinder(1.2f, 0.5f, 1, 8);
    EXPECT_EQ(1.2f, cylinderCache.key[0]);
    EXPECT_FLOAT_EQ(1.2f, cylinderCache.vertices[0]);
    // Invalid parameters draw nothing and leave the slot as it was.
    float *kept = cylinderCache.vertices;
    drawCylinder(1, 0.5f, 0, 8);
    drawCylinder(1, 0.5f, 1, 2);
    drawCylinder(0, 0.5f, 1, 8);
    drawCylinder(1, -0.5f, 1, 8);
    EXPECT_EQ(kept, cylinderCache.vertices);
    EXPECT_EQ(1.2f, cylinderCache.key[0]);

    drawDisk(0, 1, 1, 8);
    kept = diskCache.vertices;
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(nullptr, diskCache.normals);
    drawDisk(0, 1, 0, 8);
    drawDisk(0, 1, 1, 2);
    drawDisk(-0.1f, 1, 1, 8);
    drawDisk(1, 1, 1, 8);
    EXPECT_EQ(kept, diskCache.vertices);
    EXPECT_EQ(1.0f, diskCache.key[1]);

    drawSphere(0.6f, 5, 3);
    kept = sphereCache.vertices;
    drawSphere(0, 5, 3);
    drawSphere(0.6f, 2, 3);
    drawSphere(0.6f, 5, 0);
    EXPECT_EQ(kept, sphereCache.vertices);
    EXPECT_EQ(5.0f, sphereCache.key[1]);
}

TEST_F(RenderGlTest, DrawTextWithNoTextBindsNothing)
{
    GLuint textures[2];
    glGenTextures(2, textures);
    BitmapFont font;
    initBitmapFont(&font, textures[1], 15, 15);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    drawText(&font, 0, 0, nullptr);
    drawText(&font, 0, 0, "%s", "");
    EXPECT_EQ((int)textures[0], integerState(GL_TEXTURE_BINDING_2D));
    drawText(&font, 0, 0, "x");
    EXPECT_EQ((int)textures[1], integerState(GL_TEXTURE_BINDING_2D));
}

TEST_F(RenderGlTest, DrawHudLeavesTheTextSquareAndACleanState)
{
    setupScene();
    placeScene();
    BitmapFont font;
    hudFont = initBitmapFont(&font, 0, 15, 15);
    glTranslatef(5, 5, 5);
    drawHud();
    hudFont = nullptr;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == 250 && viewport[3] == 250);
    EXPECT_FALSE(enabled(GL_TEXTURE_2D) || enabled(GL_BLEND) || enabled(GL_VERTEX_ARRAY) ||
                 enabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(GL_MODELVIEW, integerState(GL_MATRIX_MODE));
    GLfloat m[16], expected[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    identity4(expected);
    EXPECT_EQ(0, memcmp(m, expected, sizeof m));
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    ASSERT_EQ(1, perspectiveMatrix(expected, 30, 1, 20, 150));
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(expected[i], m[i], 1e-5) << i;
}

TEST_F(RenderGlTest, TgaTexturesUploadUnalignedRowsAndRefuseBadFiles)
{
    char dir[] = "/tmp/rinkslider_tga_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string missing = std::string(dir) + "/none.tga", deep = std::string(dir) + "/deep.tga";
    std::string small = std::string(dir) + "/small.tga";
    GLuint texture = 77;
    EXPECT_EQ(0, loadTgaTexture(missing.c_str(), &texture));
    EXPECT_EQ(std::vector<std::string>{"Error loading textures"}, messages);
    EXPECT_EQ(77u, texture);
    writeBytes(deep, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0, 0, 0});
    EXPECT_EQ(0, loadTgaTexture(deep.c_str(), &texture));
    EXPECT_EQ(0u, texture);
    EXPECT_EQ(1u, messages.size());
    // 3 x 2 pixels of 24 bits: rows of 9 bytes, blue-green-red, first row at t = 0.
    writeBytes(small, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0x20,
                       0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 255});
    ASSERT_EQ(1, loadTgaTexture(small.c_str(), &texture));
    EXPECT_NE(0u, texture);
    EXPECT_EQ(4, integerState(GL_UNPACK_ALIGNMENT));
    unlink(missing.c_str());
    unlink(deep.c_str());
    unlink(small.c_str());
    rmdir(dir);

    // Show it texel for texel over a 3 x 2 viewport and read it back.
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
    const Pixel expected[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {255, 255, 0}};
    for (int i = 0; i < 6; i++) {
        Pixel p = pixelAt(i % 3, i / 3);
        EXPECT_TRUE(p.r == expected[i].r && p.g == expected[i].g && p.b == expected[i].b)
            << "texel " << i << ": " << p.r << " " << p.g << " " << p.b;
    }
}

TEST_F(RenderGlTest, FloorTextureComesFromBesideTheProgram)
{
    std::string path = buildDir() + "/tests/floor.bmp";
    unlink(path.c_str());
    floorTexture = 0;
    EXPECT_EQ(0, loadFloorTexture());
    EXPECT_EQ(std::vector<std::string>{"Can't Find Bitmap"}, messages);
    EXPECT_EQ(0u, floorTexture);
    std::vector<unsigned char> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                      4, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 12, 0, 0, 0};
    bmp.resize(54 + 12, 200);
    writeBytes(path, bmp);
    EXPECT_EQ(1, loadFloorTexture());
    unlink(path.c_str());
    EXPECT_NE(0u, floorTexture);
    EXPECT_EQ((int)floorTexture, integerState(GL_TEXTURE_BINDING_2D));
    EXPECT_EQ(1u, messages.size());
}

// Where a world point lands in the frame under the given projection and modelview.
static void project(const GLfloat *p, const GLfloat *m, float x, float y, float z, int *px, int *py)
{
    float eye[4], clip[4];
    for (int r = 0; r < 4; r++)
        eye[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    for (int r = 0; r < 4; r++)
        clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
    *px = (int)((clip[0] / clip[3] + 1) * 0.5f * frameSize);
    *py = (int)((clip[1] / clip[3] + 1) * 0.5f * frameSize);
}

static int brightPixels(int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            count += pixelAt(x, y).r > 100;
    return count;
}

TEST_F(RenderGlTest, RenderedFrameShowsTheSceneAndTheScoreLine)
{
    placeScene();
    setupScene();
    BitmapFont font;
    ASSERT_EQ(1, loadTgaTexture((buildDir() + "/font.tga").c_str(), &fontTexture));
    hudFont = initBitmapFont(&font, fontTexture, 15, 15);
    // A plain red floor image, so that the floor's colour shows it is textured.
    const unsigned char red[3] = {255, 0, 0};
    glGenTextures(1, &floorTexture);
    glBindTexture(GL_TEXTURE_2D, floorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    glViewport(0, 0, frameSize, frameSize);
    glMatrixMode(GL_PROJECTION);
    setPerspective(30, 1, 20, 150);
    glMatrixMode(GL_MODELVIEW);
    GLfloat p[16], m[16];
    std::vector<unsigned char> sceneOnly, frame;
    // The same scene twice, without and then with the heads-up display over it.
    for (int withHud = 0; withHud < 2; withHud++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        const Vec3 &eye = gameWorld.camera.eye;
        setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        drawTable();
        drawPuck();
        drawMallets();
        drawFloor();
        if (withHud)
            drawHud();
        std::vector<unsigned char> &out = withHud ? frame : sceneOnly;
        out.resize(frameSize * frameSize * 4);
        glReadPixels(0, 0, frameSize, frameSize, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    }

    struct Spot {
        const char *what;
        float x, y, z;
        bool (*looks)(Pixel);
    };
    const Spot spots[] = {
        {"table centre", 0, -0.5f, 0, [](Pixel c) { return c.g > c.r + 60 && c.g > c.b + 60; }},
        {"puck", 3, 0.5f, -4, [](Pixel c) { return c.r > c.g + 60 && c.r > c.b + 60; }},
        {"user mallet", 0, 0.5f, 13.333333f, [](Pixel c) { return c.b > c.r + 60 && c.b > c.g + 60; }},
        {"cpu mallet", 0, 0.5f, -13.333333f, [](Pixel c) { return c.r > c.g + 60 && c.b > c.g + 60; }},
        {"floor", -20, -10, -10, [](Pixel c) { return c.r > 60 && c.g < 10 && c.b < 10; }},
    };
    for (const Spot &spot : spots) {
        int x, y;
        project(p, m, spot.x, spot.y, spot.z, &x, &y);
        ASSERT_TRUE(x >= 0 && x < frameSize && y >= 0 && y < frameSize) << spot.what;
        Pixel c = pixelAt(x, y);
        EXPECT_TRUE(spot.looks(c)) << spot.what << " at " << x << "," << y << ": " << c.r << " " << c.g << " "
                                   << c.b;
    }
    // The bottom bar of the first 'U' brightens the scene behind it; its open middle does not.
    auto added = [&](int x, int y) {
        int sum = 0;
        for (int c = 0; c < 3; c++)
            sum += frame[(y * frameSize + x) * 4 + c] - sceneOnly[(y * frameSize + x) * 4 + c];
        return sum;
    };
    EXPECT_GT(added(7, 232), 150);
    EXPECT_EQ(0, added(7, 241));

    // The heads-up display alone on black: glyphs only in their cells, dark between the lines.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawHud();
    EXPECT_GT(pixelAt(7, 232).r, 100);
    EXPECT_LT(pixelAt(7, 241).r, 30);
    EXPECT_GT(brightPixels(0, 230, 209, 245), 300);
    EXPECT_EQ(0, brightPixels(60, 230, 74, 245));   // the space after "User"
    EXPECT_EQ(0, brightPixels(210, 220, 249, 249));  // past the 14 characters
    EXPECT_EQ(0, brightPixels(0, 228, 209, 229));
    EXPECT_EQ(0, brightPixels(0, 246, 209, 249));
    EXPECT_GT(brightPixels(0, 220, 74, 227), 40);    // the banner at half size
    EXPECT_EQ(0, brightPixels(76, 220, 209, 227));
    EXPECT_EQ(0, brightPixels(0, 0, 249, 219));

    // A code without a glyph is a space, and a text is cut after 255 characters.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setTextProjection();
    glLoadIdentity();
    beginText();
    drawText(hudFont, 0, 100, "\xc8U");
    drawText(hudFont, -15 * 254, 50, "%s", std::string(300, 'U').c_str());
    endText();
    EXPECT_EQ(0, brightPixels(0, 100, 14, 115));
    EXPECT_GT(pixelAt(22, 102).r, 100);
    EXPECT_GT(pixelAt(7, 52).r, 100);
    EXPECT_EQ(0, brightPixels(15, 50, 60, 65));
    hudFont = nullptr;
}
