#include "game/input.h"

#include "game/world.h"

#include <math.h>
#include <stdlib.h>

bool soundMuted = false;
bool gamePaused = false;

void add3(const Vec3 *a, const Vec3 *b, Vec3 *out)
{
    *out = {a->x + b->x, a->y + b->y, a->z + b->z};
}

// Turns the camera by delta degrees within the turn limit either way.
static void turnCamera(float delta)
{
    float &angle = gameWorld.camera.angleDeg;
    angle += delta;
    if (angle < -cameraTurnLimit)
        angle = -cameraTurnLimit;
    if (angle > cameraTurnLimit)
        angle = cameraTurnLimit;
    updateCamera();
}

void onKey(UgWin *win, int key, int, int)
{
    switch (key) {
    case UG_KEY_LEFT:
        turnCamera(-cameraTurnStep);
        break;
    case UG_KEY_RIGHT:
        turnCamera(cameraTurnStep);
        break;
    case UG_KEY_DOWN:
        if (gameWorld.goalState != 0 && !gamePaused)
            serve();
        break;
    case 'm':
        soundMuted = !soundMuted;
        break;
    case 'p':
    case UG_KEY_PAUSE:
        gamePaused = !gamePaused;
        break;
    case UG_KEY_F11:
        ugToggleFullscreen(win);
        break;
    case UG_KEY_UP:
    case 'q':
        exit(0);
    }
}

// v scaled by k.
static Vec3 scaled(const Vec3 &v, float k)
{
    return {v.x * k, v.y * k, v.z * k};
}

// Clamps v into [low, high].
static float clamp(float v, float low, float high)
{
    return v < low ? low : v > high ? high : v;
}

void onPointer(UgWin *win, int, int, int x, int y)
{
    const Camera &camera = gameWorld.camera;
    if (win->clientHeight <= 0 || gamePaused)
        return;
    // Pixels a unit spans at unit distance ahead, through the field of view the window is drawn with.
    float fovY = fovYForWindow(win->clientWidth, win->clientHeight);
    float scale = (float)(win->clientHeight * 0.5 / tan(fovY * halfDegToRad));
    double centreX = win->clientWidth * 0.5, centreY = win->clientHeight * 0.5;

    Vec3 forward = {-camera.eye.x, -camera.eye.y, -camera.eye.z};
    normalize3(&forward);
    float sx = (float)(x - centreX) / scale;
    Vec3 right = scaled(camera.right, sx), d;
    add3(&right, &forward, &d);
    float sy = (float)(centreY - y) / scale;
    Vec3 up = scaled(camera.up, sy);
    add3(&up, &d, &d);
    float t = (gameWorld.table.centre.y - camera.eye.y) / d.y;

    Mallet &mallet = gameWorld.userMallet;
    mallet.position.x = clamp(d.x * t + camera.eye.x, mallet.minX + mallet.radius, mallet.maxX - mallet.radius);
    mallet.position.z = clamp(d.z * t + camera.eye.z, mallet.minZ + mallet.radius, mallet.maxZ - mallet.radius);
}

void onMotion(UgWin *win, int x, int y)
{
    onPointer(win, 0, 0, x, y);
}
