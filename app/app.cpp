#include "app/app.h"

#include "assets/font.h"
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
    ugSetIdleHandler(display, onIdle);
    ugRun(display);
    return 0;
}

// The serves the sounds have followed so far.
static int32_t servesHeard = 0;

// Moves the listener with the camera, and starts the sounds of a serve since the last tick and of what
// the tick did.
static void playTickSounds(const TickEvents &events)
{
    const Vec3 &eye = gameWorld.camera.eye;
    placeListener(eye.x, eye.y, eye.z, soundMuted);
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

void onIdle(UgWin *win)
{
    const GameWorld before = gameWorld;
    Puck &puck = gameWorld.puck;
    puck.position.x += puck.vx;
    puck.position.z += puck.vz;
    if (gameWorld.goalState == 0) {
        gameWorld.goalState = checkGoal();
        resolveCollisions();
        moveComputerMallet();
    }
    playTickSounds(tickEvents(before, gameWorld));
    ugRequestRedraw(win);
}

void onResize(UgWin *, int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    float aspect = height != 0 ? (float)width / (float)height : 1.0f;
    setPerspective(gameWorld.camera.fovY, aspect, 20, 150);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void onDisplay(UgWin *win)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const Vec3 &eye = gameWorld.camera.eye;
    setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    drawTable();
    drawPuck();
    drawMallets();
    drawFloor();
    drawHud();
    glFlush();
    ugPresent(win);
}
