#include "render/mesh.h"

#include <GLES/gl.h>
#include <math.h>
#include <stdlib.h>

MeshCache cylinderCache, diskCache, sphereCache;

// The cube from -1 to 1, two counter-clockwise triangles a face: +z, -z, -x, +x, +y, -y.
static const float boxVertexTable[108] = {
    -1, -1, 1,  1, -1, 1,  -1, 1, 1,  1, -1, 1,  1, 1, 1,  -1, 1, 1,
    -1, 1, -1,  1, -1, -1,  -1, -1, -1,  -1, 1, -1,  1, 1, -1,  1, -1, -1,
    -1, -1, -1,  -1, -1, 1,  -1, 1, -1,  -1, -1, 1,  -1, 1, 1,  -1, 1, -1,
    1, -1, 1,  1, -1, -1,  1, 1, 1,  1, -1, -1,  1, 1, -1,  1, 1, 1,
    -1, 1, 1,  1, 1, 1,  -1, 1, -1,  1, 1, 1,  1, 1, -1,  -1, 1, -1,
    -1, -1, -1,  1, -1, -1,  -1, -1, 1,  1, -1, -1,  1, -1, 1,  -1, -1, 1,
};

static const float boxNormalTable[108] = {
    0, 0, 1,  0, 0, 1,  0, 0, 1,  0, 0, 1,  0, 0, 1,  0, 0, 1,
    0, 0, -1,  0, 0, -1,  0, 0, -1,  0, 0, -1,  0, 0, -1,  0, 0, -1,
    -1, 0, 0,  -1, 0, 0,  -1, 0, 0,  -1, 0, 0,  -1, 0, 0,  -1, 0, 0,
    1, 0, 0,  1, 0, 0,  1, 0, 0,  1, 0, 0,  1, 0, 0,  1, 0, 0,
    0, 1, 0,  0, 1, 0,  0, 1, 0,  0, 1, 0,  0, 1, 0,  0, 1, 0,
    0, -1, 0,  0, -1, 0,  0, -1, 0,  0, -1, 0,  0, -1, 0,  0, -1, 0,
};

static float boxScratch[108];

void drawBox(float size)
{
    float s = size * 0.5f;
    for (int i = 0; i < 108; i++)
        boxScratch[i] = boxVertexTable[i] * s;
    glVertexPointer(3, GL_FLOAT, 0, boxScratch);
    glNormalPointer(GL_FLOAT, 0, boxNormalTable);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glDrawArrays(GL_TRIANGLES, 0, 36);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

// Appends one point to a vertex or normal array.
static float *put3(float *out, float x, float y, float z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
    return out + 3;
}

void buildCylinder(float radius, float height, int stacks, int slices, float *vertices, float *normals)
{
    float angleStep = 6.2831855f / (float)slices;
    float stackHeight = height / (float)stacks;
    for (int i = 0; i < stacks; i++) {
        float z0 = (float)i * stackHeight, z1 = z0 + stackHeight;
        for (int j = 0; j <= slices; j++) {
            // Clockwise from +z, so that lower-first strips face outwards; the seam closes exactly.
            float angle = j == slices ? 0.0f : -((float)j * angleStep);
            float c = (float)cos(angle), s = (float)sin(angle);
            vertices = put3(vertices, c * radius, s * radius, z0);
            vertices = put3(vertices, c * radius, s * radius, z1);
            normals = put3(normals, c, s, 0);
            normals = put3(normals, c, s, 0);
        }
    }
}

void buildDisk(float innerRadius, float outerRadius, int loops, int slices, float *vertices)
{
    float angleStep = 6.2831855f / (float)slices;
    float ringWidth = (outerRadius - innerRadius) / (float)loops;
    for (int i = 0; i < loops; i++) {
        float r0 = (float)i * ringWidth + innerRadius, r1 = r0 + ringWidth;
        for (int j = 0; j <= slices; j++) {
            float angle = j == slices ? 0.0f : (float)j * angleStep;
            float c = (float)cos(angle), s = (float)sin(angle);
            vertices = put3(vertices, c * r0, s * r0, 0);
            vertices = put3(vertices, c * r1, s * r1, 0);
        }
    }
}

void buildSphere(float radius, int stacks, int slices, float *vertices, float *normals)
{
    float phiStep = 3.1415927f / (float)stacks;
    float thetaStep = 6.2831855f / (float)slices;
    for (int i = 0; i < stacks; i++) {
        float phi0 = (float)i * phiStep, phi1 = phi0 + phiStep;
        float sin0 = (float)sin(phi0), cos0 = (float)cos(phi0);
        float sin1 = (float)sin(phi1), cos1 = (float)cos(phi1);
        for (int j = 0; j <= slices; j++) {
            float theta = (float)j * thetaStep;
            float c = (float)cos(theta), s = (float)sin(theta);
            float a[3] = {c * sin0, s * sin0, cos0}, b[3] = {c * sin1, s * sin1, cos1};
            vertices = put3(vertices, a[0] * radius, a[1] * radius, a[2] * radius);
            vertices = put3(vertices, b[0] * radius, b[1] * radius, b[2] * radius);
            normals = put3(normals, a[0], a[1], a[2]);
            normals = put3(normals, b[0], b[1], b[2]);
        }
    }
}

// Empties a slot built for other parameters; GL is first told to forget the arrays being freed.
static void dropStaleMesh(MeshCache *cache, const float key[4])
{
    if (!cache->vertices)
        return;
    if (cache->key[0] == key[0] && cache->key[1] == key[1] && cache->key[2] == key[2] &&
        cache->key[3] == key[3])
        return;
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (cache->normals)
        glNormalPointer(GL_FLOAT, 0, nullptr);
    free(cache->vertices);
    free(cache->normals);
    cache->vertices = nullptr;
    cache->normals = nullptr;
}

// Makes an empty slot ready for its builder: 1 with arrays of the size the strips need, 0 (slot
// left empty) when the heap has no room.
static int allocMesh(MeshCache *cache, const float key[4], int strips, int slices, int withNormals)
{
    for (int i = 0; i < 4; i++)
        cache->key[i] = key[i];
    size_t bytes = (size_t)(slices + 1) * (size_t)strips * 24;
    float *vertices = (float *)malloc(bytes);
    float *normals = withNormals ? (float *)malloc(bytes) : nullptr;
    if (!vertices || (withNormals && !normals)) {
        free(vertices);
        free(normals);
        return 0;
    }
    cache->vertices = vertices;
    cache->normals = normals;
    return 1;
}


void drawStrips(const float *vertices, const float *normals, int strips, int slices)
{
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (normals) {
        glNormalPointer(GL_FLOAT, 0, normals);
        glEnableClientState(GL_NORMAL_ARRAY);
    }
    int count = 2 * (slices + 1);
    for (int k = 0; k < strips; k++)
        glDrawArrays(GL_TRIANGLE_STRIP, k * count, count);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void drawCylinder(float radius, float height, int16_t stacks, int16_t slices)
{
    if (!((double)radius > 0 && (double)height > 0 && stacks >= 1 && slices >= 3))
        return;
    const float key[4] = {radius, height, (float)stacks, (float)slices};
    dropStaleMesh(&cylinderCache, key);
    if (!cylinderCache.vertices) {
        if (!allocMesh(&cylinderCache, key, stacks, slices, 1))
            return;
        buildCylinder(radius, height, stacks, slices, cylinderCache.vertices, cylinderCache.normals);
    }
    drawStrips(cylinderCache.vertices, cylinderCache.normals, stacks, slices);
}

void drawDisk(float innerRadius, float outerRadius, int16_t loops, int16_t slices)
{
    if (!(loops >= 1 && slices >= 3 && (double)innerRadius >= 0 && outerRadius > innerRadius))
        return;
    const float key[4] = {innerRadius, outerRadius, (float)loops, (float)slices};
    dropStaleMesh(&diskCache, key);
    if (!diskCache.vertices) {
        if (!allocMesh(&diskCache, key, loops, slices, 0))
            return;
        buildDisk(innerRadius, outerRadius, loops, slices, diskCache.vertices);
    }
    // One current normal serves the whole flat ring.
    glNormal3f(0, 0, 1);
    drawStrips(diskCache.vertices, diskCache.normals, loops, slices);
}

void drawSphere(float radius, int32_t slices, int32_t stacks)
{
    // The upper bounds keep the array size within what one allocation can describe.
    if (!(radius > 0 && slices >= 3 && stacks >= 1 && slices <= 32767 && stacks <= 32767))
        return;
    const float key[4] = {radius, (float)slices, (float)stacks, 0};
    dropStaleMesh(&sphereCache, key);
    if (!sphereCache.vertices) {
        if (!allocMesh(&sphereCache, key, stacks, slices, 1))
            return;
        buildSphere(radius, stacks, slices, sphereCache.vertices, sphereCache.normals);
    }
    drawStrips(sphereCache.vertices, sphereCache.normals, stacks, slices);
}
