// The game record, its one-time set-up and the serve.
#include "game/world.h"

#include "assets/bitmap.h"
#include "assets/font.h"
#include "assets/tga.h"
#include "render/scene.h"
#include "ug/ug.h"

#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <unistd.h>

// All zero but the camera's field of view, distance and angle.
GameWorld gameWorld = {{}, {}, {}, {}, 0, 0, 0, {30, 60, 10, {}, {}, {}}};
int32_t serveCount = 0;

int randomNumber()
{
    return (int)((long long)rand() * 32768 / ((long long)RAND_MAX + 1));
}

// One uniform number in [0, 1].
static float unitRandom()
{
    return (float)randomNumber() * (1.0f / 32767.0f);
}

// Where the eye stands on its circle when the camera is turned by angleDeg.
static Vec3 eyeAtAngle(float angleDeg)
{
    float distance = gameWorld.camera.distance;
    double a = angleDeg * degToRad;
    return {(float)(distance * sin(a)), (float)(distance * 0.5), (float)(distance * cos(a))};
}

void updateCamera()
{
    Camera &camera = gameWorld.camera;
    camera.eye = eyeAtAngle(camera.angleDeg);
    Vec3 forward = {-camera.eye.x, -camera.eye.y, -camera.eye.z};
    normalize3(&forward);
    const Vec3 worldUp = {0, 1, 0};
    cross3(&forward, &worldUp, &camera.right);
    cross3(&camera.right, &forward, &camera.up);
    normalize3(&camera.right);
    normalize3(&camera.up);
}

void cameraTurnView(int turn, Vec3 *eye, Mat4 view)
{
    *eye = eyeAtAngle(-cameraTurnLimit + (float)turn * cameraTurnStep);
    lookAtMatrix(view, eye->x, eye->y, eye->z, 0, 0, 0, 0, 1, 0);
}

float fovYForWindow(int width, int height)
{
    // The share of the picture's half width or height the table may fill: a thin border stays.
    const double tableShare = 0.96;
    // The walls stand from -0.5 to 0.5; their outer corners enclose the table and both goal mouths.
    const float wallHalfHeight = 0.5f;
    // Every paint asks, and the answer changes only with the window's size.
    static struct {
        int width, height;
        float fovY;
    } last = {0, 0, 0};
    const Camera &camera = gameWorld.camera;
    const TableGeometry &t = gameWorld.table;
    if (width <= 0 || height <= 0)
        return camera.fovY;
    if (width == last.width && height == last.height)
        return last.fovY;
    float aspect = (float)width / (float)height;
    float cornerX = t.sideWallX + t.wallThickness * 0.5f, cornerZ = t.endWallZ + t.wallThickness * 0.5f;
    double ownSlope = tan(camera.fovY * halfDegToRad), slope = ownSlope;
    for (int turn = 0; turn < cameraTurns; turn++) {
        Vec3 eye;
        Mat4 view;
        cameraTurnView(turn, &eye, view);
        for (int k = 0; k < 8; k++) {
            const Vec3 corner = {k & 1 ? cornerX : -cornerX, k & 2 ? wallHalfHeight : -wallHalfHeight,
                                 k & 4 ? cornerZ : -cornerZ};
            Vec3 seen = inView(view, eye, corner);
            double across = fmax(fabs(seen.x) / aspect, fabs(seen.y));
            slope = fmax(slope, across / (-seen.z * tableShare));
        }
    }
    // Untouched where the table fits, so that such windows keep exactly the camera's projection.
    last = {width, height, slope == ownSlope ? camera.fovY : (float)(atan(slope) / halfDegToRad)};
    return last.fovY;
}

void setTableConstants()
{
    TableGeometry &t = gameWorld.table;
    t.centre = {0, 0, 0};
    t.width = 20;
    t.sideWallX = 10;
    t.length = 40;
    t.goalLine = 20;
    t.wallThickness = 1;
    t.goalHalfWidth = 4;
    t.puckMaxZ = 18;
    gameWorld.puck.speed = 2;
    gameWorld.puck.radius = 1;
    gameWorld.userMallet.radius = 1.2f;
    gameWorld.cpuMallet.radius = 1.2f;
    t.puckMaxX = 8;
    t.puckMinX = -8;
    t.puckMinZ = -18;
    t.endWallX = 7;
    t.endWallZ = 20.5f;
    t.endWallLength = 7;
}

int initGame()
{
    srand(12345);
    if (!loadFloorTexture()) {
        ugErrorBox("Error loading textures");
        return 0;
    }
    setTableConstants();
    updateCamera();
    setupScene();
    // The working folder's font comes first; a start from anywhere else finds the one beside the program.
    char besideProgram[PATH_MAX];
    const char *fontPath = "font.tga";
    if (access(fontPath, F_OK) != 0 && ugPathBesideProgram(fontPath, besideProgram, sizeof besideProgram))
        fontPath = besideProgram;
    loadTgaTexture(fontPath, &fontTexture);
    BitmapFont *font = (BitmapFont *)malloc(sizeof(BitmapFont));
    hudFont = font ? initBitmapFont(font, fontTexture, hudCellSize, hudCellSize) : nullptr;
    return 1;
}

void serve()
{
    Puck &puck = gameWorld.puck;
    const TableGeometry &table = gameWorld.table;
    puck.position.x = unitRandom() - 0.5f;
    puck.position.y = 0;
    puck.position.z = unitRandom() - 0.5f;
    float theta = (float)(unitRandom() * 1.5708 - 0.7854);
    puck.vx = (float)(puck.speed * sin(theta));
    puck.vz = (float)(puck.speed * cos(theta));
    if (randomNumber() > 16383)
        puck.vx = -puck.vx;
    if (randomNumber() > 16383)
        puck.vz = -puck.vz;

    Mallet &user = gameWorld.userMallet;
    user.position = {0, 0, table.length / 3};
    user.minX = -(table.width - table.wallThickness) * 0.5f;
    user.maxX = (table.width - table.wallThickness) * 0.5f;
    user.minZ = table.length / 6;
    user.maxZ = table.length * 0.5f;
    gameWorld.cpuMallet.position = {0, 0, -table.length / 3};
    gameWorld.goalState = 0;
    serveCount++;
}
