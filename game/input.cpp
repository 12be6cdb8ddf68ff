#include "game/input.h"

#include "game/world.h"

#include <stdlib.h>

bool soundMuted = false;
bool gamePaused = false;
bool touchControlsShown = false;
int pressedControl = CONTROL_COUNT;

// The key each control acts as, in the order of TouchControl.
static const int controlKeys[CONTROL_COUNT] = {UG_KEY_LEFT, UG_KEY_RIGHT, 'p', 'm', UG_KEY_DOWN};
// When the held control turns next, and how often it turns after that.
static long long nextTurnMs;
static int turnPeriodMs;

void add3(const Vec3 *a, const Vec3 *b, Vec3 *out)
{
    *out = {a->x + b->x, a->y + b->y, a->z + b->z};
}

// Clamps v into [low, high].
static float clamp(float v, float low, float high)
{
    return v < low ? low : v > high ? high : v;
}

// Turns the camera by delta degrees within the turn limit either way; true when it turned.
static bool turnCamera(float delta)
{
    float &angle = gameWorld.camera.angleDeg;
    float was = angle;
    angle = clamp(angle + delta, -cameraTurnLimit, cameraTurnLimit);
    updateCamera();
    return angle != was;
}

// Whether Down serves now: after a goal, and not while paused.
static bool canServe()
{
    return gameWorld.goalState != 0 && !gamePaused;
}

bool playGoesOn()
{
    return gameWorld.goalState == 0 && !gamePaused;
}

void showChange(UgWin *win)
{
    ugAnimate(win, playGoesOn());
    ugRequestRedraw(win);
}

// What a key does to the game, whether a key or a control gave it; what shows is drawn at once.
static void actOnKey(UgWin *win, int key)
{
    switch (key) {
    case UG_KEY_LEFT:
    case UG_KEY_RIGHT:
        if (turnCamera(key == UG_KEY_LEFT ? -cameraTurnStep : cameraTurnStep))
            showChange(win);
        break;
    case UG_KEY_DOWN:
        if (canServe()) {
            serve();
            showChange(win);
        }
        break;
    case 'm':
        soundMuted = !soundMuted;
        break;
    case 'p':
    case UG_KEY_PAUSE:
        gamePaused = !gamePaused;
        showChange(win);
        break;
    case UG_KEY_F11:
        ugToggleFullscreen(win);
        break;
    case UG_KEY_UP:
    case 'q':
        exit(0);
    }
}

// Shows or hides the on-screen controls, with a frame to show the change.
static void showTouchControls(UgWin *win, bool shown)
{
    if (touchControlsShown == shown)
        return;
    touchControlsShown = shown;
    ugRequestRedraw(win);
}

void onKey(UgWin *win, int key, int, int)
{
    showTouchControls(win, false);
    actOnKey(win, key);
}

// v scaled by k.
static Vec3 scaled(const Vec3 &v, float k)
{
    return {v.x * k, v.y * k, v.z * k};
}

// Puts the user's mallet on the table point under (x, y), kept within its area; not while paused.
static void placeMallet(UgWin *win, int x, int y)
{
    const Camera &camera = gameWorld.camera;
    if (win->clientHeight <= 0 || gamePaused)
        return;
    float scale = (float)focalPixels(win->clientHeight, fovYForWindow(win->clientWidth, win->clientHeight));
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
    const Vec3 was = mallet.position;
    mallet.position.x = clamp(d.x * t + camera.eye.x, mallet.minX + mallet.radius, mallet.maxX - mallet.radius);
    mallet.position.z = clamp(d.z * t + camera.eye.z, mallet.minZ + mallet.radius, mallet.maxZ - mallet.radius);
    if (mallet.position.x != was.x || mallet.position.z != was.z)
        showChange(win);
}

bool controlShown(int control)
{
    return touchControlsShown && (control != CONTROL_SERVE || canServe());
}

const ControlLayout &touchControlLayout(UgWin *win)
{
    static ControlLayout layout;
    static struct {
        int width, height;
        float scale;
    } laidOutFor = {-1, -1, 0};
    const float scale = ugContentScale(win);
    const int width = win->clientWidth, height = win->clientHeight;
    if (laidOutFor.width != width || laidOutFor.height != height || laidOutFor.scale != scale) {
        laidOutFor = {width, height, scale};
        layout = layoutControls(width, height, scale, fovYForWindow(width, height));
    }
    return layout;
}

void pressPointer(UgWin *win, const PointerPress &press)
{
    bool touch = press.device == UG_DEVICE_TOUCH;
    pressedControl = CONTROL_COUNT;
    // A first touch lands where no control was shown yet: it places the mallet like any tap.
    if (touch && touchControlsShown) {
        bool shown[CONTROL_COUNT];
        for (int c = 0; c < CONTROL_COUNT; c++)
            shown[c] = controlShown(c);
        pressedControl = controlAt(touchControlLayout(win), shown, press.x, press.y);
    }
    showTouchControls(win, touch);
    if (pressedControl == CONTROL_COUNT) {
        placeMallet(win, press.x, press.y);
        return;
    }
    actOnKey(win, controlKeys[pressedControl]);
    nextTurnMs = press.timeMs + press.repeatDelayMs;
    turnPeriodMs = press.repeatPeriodMs;
    ugRequestRedraw(win);
}

void onPointer(UgWin *win, int, int, int x, int y)
{
    PointerPress press = {ugPointerDevice(win), x, y, ugNowMs(), 0, 0};
    // Only a finger can hold a control, so only a finger needs the pace.
    if (press.device == UG_DEVICE_TOUCH)
        ugKeyRepeat(win, &press.repeatDelayMs, &press.repeatPeriodMs);
    pressPointer(win, press);
}

void onMotion(UgWin *win, int x, int y)
{
    if (pressedControl == CONTROL_COUNT)
        placeMallet(win, x, y);
}

void onRelease(UgWin *win, int, int, int)
{
    if (pressedControl == CONTROL_COUNT)
        return;
    pressedControl = CONTROL_COUNT;
    ugRequestRedraw(win);
}

void repeatHeldTurn(UgWin *win, long long nowMs)
{
    bool turning = pressedControl == CONTROL_TURN_LEFT || pressedControl == CONTROL_TURN_RIGHT;
    if (!turning || !touchControlsShown || turnPeriodMs <= 0 || nowMs < nextTurnMs)
        return;
    long long due = (nowMs - nextTurnMs) / turnPeriodMs + 1;
    nextTurnMs += due * turnPeriodMs;
    // A late tick catches up, but never with more turns than cross the whole range.
    const long long wholeRange = cameraTurns - 1;
    for (long long i = 0; i < due && i < wholeRange; i++)
        actOnKey(win, controlKeys[pressedControl]);
}
