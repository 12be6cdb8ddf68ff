// The fixed GL state, and the table, puck, mallets and floor drawn in world coordinates.
#include "render/scene.h"

#include "assets/bitmap.h"
#include "game/world.h"
#include "render/mesh.h"

#include <GLES/gl.h>
#include <math.h>

// The handset's cuts: eight sides to a tube, five slices and three stacks to a knob.
static const MeshDetail handsetDetail = {8, 8, 5, 3};
// More slices than any screen needs: a bound for the search, never reached.
static const int mostSlices = 4096;
// The most a facet may dip below the true surface on screen, in pixels.
static const double halfPixel = 0.5;

MeshDetail meshDetail = handsetDetail;
// The field of view and height meshDetail was fitted to.
static float fittedFovY;
static int fittedHeight;

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

// The most pixels a world unit can span on screen anywhere in the box from low to high, at every
// turn of the camera: a short stroke at distance d and depth z is stretched by at most focal d / z^2.
static double largestStretch(double focal, const Vec3 &low, const Vec3 &high)
{
    const int steps = 4;  // along x and z: the stretch changes slowly enough over the box
    double largest = 0;
    for (int turn = 0; turn < cameraTurns; turn++) {
        Vec3 eye;
        Mat4 view;
        cameraTurnView(turn, &eye, view);
        for (int i = 0; i <= steps; i++)
            for (int j = 0; j <= steps; j++)
                for (int k = 0; k <= 1; k++) {
                    const Vec3 p = {low.x + (high.x - low.x) * (float)i / steps, k ? high.y : low.y,
                                    low.z + (high.z - low.z) * (float)j / steps};
                    Vec3 seen = inView(view, eye, p);
                    double depth = -seen.z;
                    double distance = sqrt(seen.x * seen.x + seen.y * seen.y + depth * depth);
                    largest = fmax(largest, focal * distance / (depth * depth));
                }
    }
    return largest;
}

// How deep, for a unit radius, the sides of a polygon of that many slices dip inside its circle.
static double circleDip(int slices)
{
    return 1 - cos(M_PI / slices);
}

// The knob's stacks for its slices: its facets about square at the equator, as many as the handset's at least.
static int32_t knobStacksFor(int slices)
{
    int32_t stacks = (slices + 1) / 2;
    return stacks > handsetDetail.knobStacks ? stacks : handsetDetail.knobStacks;
}

// How deep, for a unit radius, the knob's flat facets dip inside its sphere. Each band's facet is a
// symmetric trapezoid; its plane lies c sin(dphi) / |(c (s1 - s0), cos phi1 - cos phi0)| from the centre,
// with c the cosine of half a slice and s the sines of the band's edges.
static double ballDip(int slices)
{
    int stacks = knobStacksFor(slices);
    double c = cos(M_PI / slices), deepest = 0;
    for (int i = 0; i < stacks; i++) {
        double phi0 = M_PI * i / stacks, phi1 = M_PI * (i + 1) / stacks;
        double across = c * (sin(phi1) - sin(phi0)), along = cos(phi1) - cos(phi0);
        deepest = fmax(deepest, 1 - c * sin(phi1 - phi0) / sqrt(across * across + along * along));
    }
    return deepest;
}

// The fewest slices from least up whose facets dip at most half a pixel on a shape radiusPixels in radius.
static int fewestSlices(int least, double radiusPixels, double (*dip)(int slices))
{
    int slices = least;
    while (slices < mostSlices && radiusPixels * dip(slices) > halfPixel)
        slices++;
    return slices;
}

void fitMeshDetail(float fovY, int height)
{
    if (fovY == fittedFovY && height == fittedHeight)
        return;
    fittedFovY = fovY;
    fittedHeight = height;
    double focal = focalPixels(height, fovY);
    // The player's mallet is always nearer the eye than the computer's; its rim stays within its area.
    const Mallet &mallet = gameWorld.userMallet;
    float malletRadius = mallet.radius, knobRadius = (float)(malletRadius * knobShare);
    double malletStretch =
        largestStretch(focal, {mallet.minX, 0, mallet.minZ}, {mallet.maxX, tubeHeight, mallet.maxZ});
    // The knob's centre keeps a mallet's radius from the area's edges, on top of the tube.
    float inset = malletRadius - knobRadius;
    double knobStretch =
        largestStretch(focal, {mallet.minX + inset, tubeHeight - knobRadius, mallet.minZ + inset},
                       {mallet.maxX - inset, tubeHeight + knobRadius, mallet.maxZ - inset});
    // A puck that scores stops within one move past the line it crossed.
    const Puck &puck = gameWorld.puck;
    const TableGeometry &t = gameWorld.table;
    double puckStretch = largestStretch(focal, {t.puckMinX - puck.radius, 0, t.puckMinZ - puck.radius},
                                        {t.puckMaxX + puck.radius, tubeHeight, t.goalLine + puck.speed});
    meshDetail.puckSlices = (int16_t)fewestSlices(handsetDetail.puckSlices, puckStretch * puck.radius, circleDip);
    meshDetail.malletSlices =
        (int16_t)fewestSlices(handsetDetail.malletSlices, malletStretch * malletRadius, circleDip);
    meshDetail.knobSlices = fewestSlices(handsetDetail.knobSlices, knobStretch * knobRadius, ballDip);
    meshDetail.knobStacks = knobStacksFor(meshDetail.knobSlices);
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

// A capped tube standing on position; the meshes' +z turned to world +y.
static void drawCappedTube(const Vec3 &position, float radius, int16_t slices)
{
    glPushMatrix();
    glTranslatef(position.x, (float)(position.y + tubeHeight), position.z);
    glRotatef(90, -1, 0, 0);
    drawDisk(0, radius, 1, slices);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(90, -1, 0, 0);
    drawCylinder(radius, tubeHeight, 1, slices);
    glPopMatrix();
}

void drawPuck()
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, puckDiffuse);
    drawCappedTube(gameWorld.puck.position, gameWorld.puck.radius, meshDetail.puckSlices);
}

// One mallet: its tube and the knob on top.
static void drawMallet(const Mallet &mallet, const GLfloat *colour)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    drawCappedTube(mallet.position, mallet.radius, meshDetail.malletSlices);
    glPushMatrix();
    glTranslatef(mallet.position.x, (float)(mallet.position.y + tubeHeight), mallet.position.z);
    drawSphere((float)(mallet.radius * knobShare), meshDetail.knobSlices, meshDetail.knobStacks);
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
