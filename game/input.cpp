#include "game/input.h"

#include "game/world.h"

#include <stdlib.h>

bool soundMuted = false;
bool gamePaused = false;

void add3(const Vec3 *a, const Vec3 *b, Vec3 *out)
{
    *out = {a->x + b->x, a->y + b->y, a->z + b->z};
}

// Turns the camera by delta degrees within -20..20.
static void turnCamera(float delta)
{
    float &angle = gameWorld.camera.angleDeg;
    angle += delta;
    if (angle < -20)
        angle = -20;
    if (angle > 20)
        angle = 20;
    updateCamera();
}

void onKey(UgWin *win, int key, int, int)
{
    switch (key) {
    case UG_KEY_LEFT:
        turnCamera(-5);
        break;
    case UG_KEY_RIGHT:
        turnCamera(5);
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
    // The projection keeps the vertical field of view, so both scales follow the client height.
    double sizeRatio = win->clientHeight / 250.0;
    float scaleX = (float)(camera.pixelScaleX * sizeRatio);
    float scaleY = (float)(camera.pixelScaleY * sizeRatio);
    double centreX = win->clientWidth * 0.5, centreY = win->clientHeight * 0.5;

    Vec3 forward = {-camera.eye.x, -camera.eye.y, -camera.eye.z};
    normalize3(&forward);
    float sx = (float)(x - centreX) / scaleX;
    Vec3 right = scaled(camera.right, sx), d;
    add3(&right, &forward, &d);
    float sy = (float)(centreY - y) / scaleY;
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
