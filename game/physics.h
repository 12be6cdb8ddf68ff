// Goals, wall rebounds and mallet strikes of the puck.
#pragma once

#include "render/vecmath.h"

// 1 when the user has just scored, -1 for the computer, 0 otherwise; a goal stops the puck and counts.
int checkGoal();
// Bounces the puck off the walls and lets either mallet strike it.
void resolveCollisions();
// Distance between two positions in the table plane.
float distanceXZ(const Vec3 *a, const Vec3 *b);
// Scales (x, z) to unit length; a zero pair stays zero.
void normalize2(float *x, float *z);
