// Procedural solids drawn from client arrays: a scaled box and cached cylinder, disk and sphere.
#pragma once

#include <stdint.h>

// One cached mesh: the parameters its arrays were built for, counts as floats.
struct MeshCache {
    float key[4];
    float *vertices;  // three floats a vertex; null when the slot is empty
    float *normals;   // one unit normal a vertex; the disk has none
};

extern MeshCache cylinderCache, diskCache, sphereCache;

// Draws strips of slices + 1 vertex pairs from the arrays; without normals the current normal serves.
void drawStrips(const float *vertices, const float *normals, int strips, int slices);
// The cube of edge size centred on the origin.
void drawBox(float size);
// The open side of the cylinder around z from 0 to height; nothing for invalid parameters.
void drawCylinder(float radius, float height, int16_t stacks, int16_t slices);
// The ring between the radii in z = 0, facing +z; nothing for invalid parameters.
void drawDisk(float innerRadius, float outerRadius, int16_t loops, int16_t slices);
// The sphere centred on the origin, poles on z; nothing for a radius <= 0, < 3 slices or < 1 stack.
void drawSphere(float radius, int32_t slices, int32_t stacks);

// The builders fill arrays of strips x (slices + 1) x 2 vertices; no allocation, no GL.

// The cylinder's side, with normals.
void buildCylinder(float radius, float height, int stacks, int slices, float *vertices, float *normals);
// The disk's rings; a flat disk needs no normals.
void buildDisk(float innerRadius, float outerRadius, int loops, int slices, float *vertices);
// The sphere's bands from pole to pole, with normals.
void buildSphere(float radius, int stacks, int slices, float *vertices, float *normals);
