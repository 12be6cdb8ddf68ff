// The cost floor the game is measured against: the game's picture drawn with the least work. Same
// window, GL state, textures, table, floor and heads-up display as the game, one frame a 40 ms
// tick; puck and mallets come from meshes of the game's cuts built once for the window's size, and
// no game rules run.
#include "app/app.h"
#include "assets/font.h"
#include "game/world.h"
#include "render/mesh.h"
#include "render/scene.h"
#include "render/vecmath.h"
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <stdio.h>
#include <vector>

// One tube's side with normals, its cap without.
struct Tube {
    int slices;
    std::vector<float> side, sideNormals, cap;
};

static Tube puckTube, malletTube;
static std::vector<float> knob, knobNormals;
static MeshDetail builtFor;  // the cuts the meshes above were built with
static const GLfloat puckDiffuse[] = {1, 0, 0, 1};
static const GLfloat userMalletDiffuse[] = {0, 0, 1, 1};
static const GLfloat cpuMalletDiffuse[] = {1, 0, 1, 1};

// Floats of a strip's vertices: slices + 1 pairs of three, a strip each.
static size_t stripFloats(int strips, int slices)
{
    return (size_t)strips * (slices + 1) * 2 * 3;
}

// Fills a tube's arrays for the radius and slices.
static void buildTube(Tube *tube, float radius, int slices)
{
    tube->slices = slices;
    tube->side.resize(stripFloats(1, slices));
    tube->sideNormals.resize(stripFloats(1, slices));
    tube->cap.resize(stripFloats(1, slices));
    buildCylinder(radius, tubeHeight, 1, slices, tube->side.data(), tube->sideNormals.data());
    buildDisk(0, radius, 1, slices, tube->cap.data());
}

// A capped tube standing on position, in the colour given, as the game places it.
static void drawTube(const Tube &tube, const Vec3 &position, const GLfloat *colour)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    glPushMatrix();
    glTranslatef(position.x, position.y + tubeHeight, position.z);
    glRotatef(90, -1, 0, 0);
    glNormal3f(0, 0, 1);
    drawStrips(tube.cap.data(), nullptr, 1, tube.slices);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(90, -1, 0, 0);
    drawStrips(tube.side.data(), tube.sideNormals.data(), 1, tube.slices);
    glPopMatrix();
}

// A mallet: its tube and the knob on top.
static void drawMallet(const Mallet &mallet, const GLfloat *colour)
{
    drawTube(malletTube, mallet.position, colour);
    glPushMatrix();
    glTranslatef(mallet.position.x, mallet.position.y + tubeHeight, mallet.position.z);
    drawStrips(knob.data(), knobNormals.data(), builtFor.knobStacks, builtFor.knobSlices);
    glPopMatrix();
}

// The game's projection and cuts for the size; the meshes are built again only for new cuts.
static void onFloorResize(UgWin *win, int width, int height)
{
    onResize(win, width, height);
    const MeshDetail &d = meshDetail;
    if (d.puckSlices == builtFor.puckSlices && d.malletSlices == builtFor.malletSlices &&
        d.knobSlices == builtFor.knobSlices && d.knobStacks == builtFor.knobStacks)
        return;
    builtFor = d;
    buildTube(&puckTube, gameWorld.puck.radius, d.puckSlices);
    buildTube(&malletTube, gameWorld.userMallet.radius, d.malletSlices);
    knob.resize(stripFloats(d.knobStacks, d.knobSlices));
    knobNormals.resize(knob.size());
    buildSphere((float)(gameWorld.userMallet.radius * knobShare), d.knobStacks, d.knobSlices, knob.data(), knobNormals.data());
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
    ugSetDrawHandler(win, onFloorDisplay);
    ugSetResizeHandler(win, onFloorResize);
    ugSetIdleHandler(display, onFloorIdle);
    ugRun(display);
    return 0;
}
