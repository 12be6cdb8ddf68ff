// The cost floor the game is measured against: the game's picture drawn with the least work. Same
// window, GL state, textures, table, floor and heads-up display as the game, one frame a 40 ms
// tick; puck and mallets come from meshes built once, and no game rules run.
#include "app/app.h"
#include "assets/font.h"
#include "game/world.h"
#include "render/mesh.h"
#include "render/scene.h"
#include "render/vecmath.h"
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <stdio.h>

// Puck and mallets are tubes of 8 slices, one stack, one loop; the knob is a sphere of 3 x 5.
static const int tubeSlices = 8, knobStacks = 3, knobSlices = 5;
static const float tubeHeight = 0.5f, knobScale = 0.5f;
static const int tubeVertices = (tubeSlices + 1) * 2, knobVertices = knobStacks * (knobSlices + 1) * 2;

// One tube's side with normals, its cap without.
struct Tube {
    float side[tubeVertices * 3], sideNormals[tubeVertices * 3], cap[tubeVertices * 3];
};

static Tube puckTube, malletTube;
static float knob[knobVertices * 3], knobNormals[knobVertices * 3];
static const GLfloat puckDiffuse[] = {1, 0, 0, 1};
static const GLfloat userMalletDiffuse[] = {0, 0, 1, 1};
static const GLfloat cpuMalletDiffuse[] = {1, 0, 1, 1};

// Fills a tube's arrays for the radius.
static void buildTube(Tube *tube, float radius)
{
    buildCylinder(radius, tubeHeight, 1, tubeSlices, tube->side, tube->sideNormals);
    buildDisk(0, radius, 1, tubeSlices, tube->cap);
}

// A capped tube standing on position, in the colour given, as the game places it.
static void drawTube(const Tube &tube, const Vec3 &position, const GLfloat *colour)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    glPushMatrix();
    glTranslatef(position.x, position.y + tubeHeight, position.z);
    glRotatef(90, -1, 0, 0);
    drawStrips(tube.cap, nullptr, 1, tubeSlices);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(90, -1, 0, 0);
    drawStrips(tube.side, tube.sideNormals, 1, tubeSlices);
    glPopMatrix();
}

// A mallet: its tube and the knob on top.
static void drawMallet(const Mallet &mallet, const GLfloat *colour)
{
    drawTube(malletTube, mallet.position, colour);
    glPushMatrix();
    glTranslatef(mallet.position.x, mallet.position.y + tubeHeight, mallet.position.z);
    drawStrips(knob, knobNormals, knobStacks, knobSlices);
    glPopMatrix();
}

// The game's frame with the prebuilt meshes.
static void onFloorDisplay(UgWin *win)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const Vec3 &eye = gameWorld.camera.eye;
    setLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    drawTable();
    drawTube(puckTube, gameWorld.puck.position, puckDiffuse);
    drawMallet(gameWorld.userMallet, userMalletDiffuse);
    drawMallet(gameWorld.cpuMallet, cpuMalletDiffuse);
    drawFloor();
    drawHud();
    glFlush();
    ugPresent(win);
}

// One frame a tick, as the game asks for.
static void onFloorIdle(UgWin *win)
{
    ugRequestRedraw(win);
}

// Opens the game's window, sets up its scene and presents it every tick until the window goes.
int main()
{
    registerWindowClass("ug window", ugWindowProc);
    UgDisplay *display = ugOpenDisplay();
    UgWin *win = display ? ugOpenWindow(display, "UG_DEPTH", "Rinkslider scene floor", 250, 250, 100, 100) : nullptr;
    if (!win || !initGame()) {
        fprintf(stderr, "scene_floor: %s\n", win ? "no textures" : ugFailure());
        return 1;
    }
    serve();
    buildTube(&puckTube, gameWorld.puck.radius);
    buildTube(&malletTube, gameWorld.userMallet.radius);
    buildSphere(gameWorld.userMallet.radius * knobScale, knobStacks, knobSlices, knob, knobNormals);
    ugSetDrawHandler(win, onFloorDisplay);
    ugSetResizeHandler(win, onResize);
    ugSetIdleHandler(display, onFloorIdle);
    ugRun(display);
    return 0;
}
