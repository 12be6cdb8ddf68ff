// The fixed GL state, and the table, puck, mallets and floor drawn in world coordinates.
#include "render/scene.h"

#include "assets/bitmap.h"
#include "game/world.h"
#include "render/mesh.h"

#include <GLES/gl.h>

static const GLfloat light0Ambient[] = {0.4f, 0.4f, 0.4f, 1};
static const GLfloat light0Diffuse[] = {0.6f, 0.6f, 0.6f, 1};
static const GLfloat light0Position[] = {20, 20, 30, 0};
static const GLfloat light0SpotDirection[] = {-2, -2, -3};
static const GLfloat materialAmbient[] = {0.6f, 0.6f, 0.6f, 1};
static const GLfloat wallDiffuse[] = {0.6f, 0.6f, 0.6f, 1};
static const GLfloat tableDiffuse[] = {0, 1, 0, 1};
static const GLfloat puckDiffuse[] = {1, 0, 0, 1};
static const GLfloat userMalletDiffuse[] = {0, 0, 1, 1};
static const GLfloat cpuMalletDiffuse[] = {1, 0, 1, 1};

// A 100 x 100 square, counter-clockwise from above, with the floor image repeated ten times a side.
static const GLfloat floorVertices[] = {-50, 0, 50, 50, 0, 50, -50, 0, -50, 50, 0, -50};
static const GLfloat floorTexCoords[] = {0, 0, 10, 0, 0, 10, 10, 10};

void setupScene()
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, wallDiffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0Diffuse);
    // Given under the identity modelview, so the light stays fixed relative to the eye.
    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, light0SpotDirection);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0.5f, 0.5f, 1.0f, 0.0f);
    glClearDepthf(1.0f);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
}

// Draws a unit box translated and then scaled.
static void drawPlacedBox(float x, float y, float z, float sx, float sy, float sz, float size)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(sx, sy, sz);
    drawBox(size);
    glPopMatrix();
}

void drawTable()
{
    const TableGeometry &t = gameWorld.table;
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, wallDiffuse);
    drawPlacedBox(t.sideWallX, 0, 0, t.wallThickness, 1, t.length, 1);
    drawPlacedBox(-t.sideWallX, 0, 0, t.wallThickness, 1, t.length, 1);
    drawPlacedBox(t.endWallX, 0, -t.endWallZ, t.endWallLength, 1, t.wallThickness, 1);
    drawPlacedBox(-t.endWallX, 0, -t.endWallZ, t.endWallLength, 1, t.wallThickness, 1);
    drawPlacedBox(t.endWallX, 0, t.endWallZ, t.endWallLength, 1, t.wallThickness, 1);
    drawPlacedBox(-t.endWallX, 0, t.endWallZ, t.endWallLength, 1, t.wallThickness, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, tableDiffuse);
    drawPlacedBox(t.centre.x, (float)(t.centre.y - 10.5), t.centre.z, 1, 1, t.length / t.width, t.width);
}

// A capped tube of height 0.5 standing on position; the meshes' +z turned to world +y.
static void drawCappedTube(const Vec3 &position, float radius)
{
    glPushMatrix();
    glTranslatef(position.x, (float)(position.y + 0.5), position.z);
    glRotatef(90, -1, 0, 0);
    drawDisk(0, radius, 1, 8);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(90, -1, 0, 0);
    drawCylinder(radius, 0.5f, 1, 8);
    glPopMatrix();
}

void drawPuck()
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, puckDiffuse);
    drawCappedTube(gameWorld.puck.position, gameWorld.puck.radius);
}

// One mallet: its tube and the knob on top.
static void drawMallet(const Mallet &mallet, const GLfloat *colour)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    drawCappedTube(mallet.position, mallet.radius);
    glPushMatrix();
    glTranslatef(mallet.position.x, (float)(mallet.position.y + 0.5), mallet.position.z);
    drawSphere((float)(mallet.radius * 0.5), 5, 3);
    glPopMatrix();
}

void drawMallets()
{
    drawMallet(gameWorld.userMallet, userMalletDiffuse);
    drawMallet(gameWorld.cpuMallet, cpuMalletDiffuse);
}

void drawFloor()
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, floorTexture);
    glVertexPointer(3, GL_FLOAT, 0, floorVertices);
    glTexCoordPointer(2, GL_FLOAT, 0, floorTexCoords);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glPushMatrix();
    glTranslatef(0, -10, 0);
    glNormal3f(0, 1, 0);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glPopMatrix();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}
