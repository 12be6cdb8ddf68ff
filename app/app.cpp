// The application: its main function and the three frame handlers.
#include "app/app.h"

#include "assets/font.h"
#include "assets/window_icon.h"
#include "game/input.h"
#include "game/opponent.h"
#include "game/physics.h"
#include "game/world.h"
#include "render/scene.h"

#include <GLES/gl.h>
#include <stdio.h>
#include <stdlib.h>

// Opens the window, sets up the game and runs the loop; 0 once the loop has ended, 1 on a failed start.
int appMain(int, char **)
{
    UgDisplay *display = ugOpenDisplay();
    if (!display) {
        const char *name = getenv("DISPLAY");
        fprintf(stderr, "rinkslider: cannot open the X display \"%s\"\n", name ? name : "");
        return 1;
    }
    UgWin *win = ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 250, 250, 100, 100);
    if (!win) {
        fprintf(stderr, "rinkslider: cannot open the game window with an OpenGL ES 1 context\n");
        return 1;
    }
    ugSetWindowIcon(win, windowIcon, windowIconLength);
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

// One game tick: the puck moves always, the rules apply only while it is in play.
void onIdle(UgWin *win)
{
    Puck &puck = gameWorld.puck;
    puck.position.x += puck.vx;
    puck.position.z += puck.vz;
    if (gameWorld.goalState == 0) {
        gameWorld.goalState = checkGoal();
        resolveCollisions();
        moveComputerMallet();
    }
    ugRequestRedraw(win);
}

// Full-window viewport and the camera's projection; the heads-up display changes both every frame.
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

// Draws and presents one frame.
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
