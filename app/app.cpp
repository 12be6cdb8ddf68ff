#include "app/app.h"

#include "assets/font.h"
#include "assets/hud_controls.h"
#include "assets/window_icon.h"
#include "game/events.h"
#include "game/input.h"
#include "game/opponent.h"
#include "game/physics.h"
#include "game/world.h"
#include "render/scene.h"
#include "sound/sound.h"

#include <GLES/gl.h>
#include <stdio.h>
#include <stdlib.h>

int appMain(int, char **)
{
    UgDisplay *display = ugOpenDisplay();
    UgWin *win = display ? ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100) : nullptr;
    if (!win) {
        fprintf(stderr, "rinkslider: %s\n", ugFailure());
        return 1;
    }
    ugSetWindowIcon(win, windowIcon, windowIconLength);
    // Without a sound device the game plays silently.
    if (openSound())
        atexit(closeSound);
    // Without its floor texture the table's constants are never set, so the game must not start.
    if (!initGame())
        return 1;
    serve();
    ugSetDrawHandler(win, onDisplay);
    ugSetResizeHandler(win, onResize);
    ugSetKeyHandler(win, onKey);
    ugSetPointerHandler(win, onPointer);
    ugSetMotionHandler(win, onMotion);
    ugSetReleaseHandler(win, onRelease);
    ugSetIdleHandler(display, onIdle);
    showChange(win);
    ugRun(display);
    return 0;
}

// The serves the sounds have followed so far.
static int32_t servesHeard = 0;

// Where the last tick found what it moves, and the serves up to then: frames between ticks draw the
// way from there to where the tick left them.
static struct {
    Vec3 puck, cpuMallet;
    int32_t serves;
} lastTick;

// Moves the listener with the camera; while silent nothing is heard.
static void placeListenerAtCamera(bool silent)
{
    const Vec3 &eye = gameWorld.camera.eye;
    placeListener(eye.x, eye.y, eye.z, silent);
}

// Starts the sounds of a serve since the last tick and of what the tick did.
static void playTickSounds(const TickEvents &events)
{
    if (servesHeard != serveCount) {
        servesHeard = serveCount;
        playSound(SOUND_SERVE, gameWorld.puck.position.x, gameWorld.puck.position.z);
    }
    const struct {
        const TickEvent &event;
        SoundId sound;
    } cues[] = {{events.sideRebound, SOUND_REBOUND}, {events.endRebound, SOUND_REBOUND},
                {events.userStrike, SOUND_STRIKE},   {events.cpuStrike, SOUND_STRIKE},
                {events.userGoal, SOUND_USER_GOAL},  {events.cpuGoal, SOUND_CPU_GOAL}};
    for (const auto &cue : cues)
        if (cue.event.happened)
            playSound(cue.sound, cue.event.x, cue.event.z);
}

// 1 when the tick moved or scored something the player sees.
static bool tickShows(const GameWorld &before)
{
    const Vec3 &puck = gameWorld.puck.position, &cpu = gameWorld.cpuMallet.position;
    return puck.x != before.puck.position.x || puck.z != before.puck.position.z ||
           cpu.x != before.cpuMallet.position.x || cpu.z != before.cpuMallet.position.z ||
           gameWorld.userScore != before.userScore || gameWorld.cpuScore != before.cpuScore ||
           gameWorld.goalState != before.goalState;
}

void onIdle(UgWin *win)
{
    bool inPlay = gameWorld.goalState == 0, minimised = ugIsMinimised(win);
    if (inPlay && minimised && !gamePaused) {
        gamePaused = true;
        showChange(win);
    }
    bool playing = inPlay && !gamePaused && !minimised;
    ugInhibitScreenSaver(win->display, playing);
    placeListenerAtCamera(soundMuted || gamePaused || minimised);
    // Nothing sounds while the puck waits for its serve: the device rests until the serve's tick.
    expectSounds(playing);
    repeatHeldTurn(win, ugNowMs());
    // A paused tick moves nothing, so play resumes from where the picture stands.
    const GameWorld before = gameWorld;
    lastTick = {before.puck.position, before.cpuMallet.position, serveCount};
    if (gamePaused)
        return;
    Puck &puck = gameWorld.puck;
    puck.position.x += puck.vx;
    puck.position.z += puck.vz;
    if (gameWorld.goalState == 0) {
        gameWorld.goalState = checkGoal();
        resolveCollisions();
        moveComputerMallet();
    }
    playTickSounds(tickEvents(before, gameWorld));
    if (tickShows(before))
        showChange(win);
}

void onResize(UgWin *, int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    float aspect = height != 0 ? (float)width / (float)height : 1.0f;
    float fovY = fovYForWindow(width, height);
    setPerspective(fovY, aspect, 20, 150);
    fitMeshDetail(fovY, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void onDisplay(UgWin *win)
{
    // While play goes on, the puck and the computer's mallet are drawn part way along their last
    // tick's move, reaching the tick's positions as the next tick comes; a puck just served is drawn
    // where it was put. Otherwise the world is drawn as it stands, so a paused picture stays still.
    Vec3 &puck = gameWorld.puck.position, &cpuMallet = gameWorld.cpuMallet.position;
    const Vec3 puckNow = puck, cpuMalletNow = cpuMallet;
    if (playGoesOn() && lastTick.serves == serveCount) {
        float phase = ugTickPhase(win);
        puck = between3(lastTick.puck, puckNow, phase);
        cpuMallet = between3(lastTick.cpuMallet, cpuMalletNow, phase);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const Vec3 &eye = gameWorld.camera.eye;
    setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    drawTable();
    drawPuck();
    drawMallets();
    drawFloor();
    drawHud();
    if (touchControlsShown)
        drawTouchControls(touchControlLayout(win));
    puck = puckNow;
    cpuMallet = cpuMalletNow;
    glFlush();
    ugPresent(win);
}
