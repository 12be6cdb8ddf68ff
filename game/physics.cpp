#include "game/physics.h"

#include "game/world.h"

#include <math.h>

// Whether x lies in a goal mouth, edges included.
static bool inGoalMouth(float x)
{
    float half = gameWorld.table.goalHalfWidth;
    return x <= half && x >= -half;
}

int checkGoal()
{
    Puck &puck = gameWorld.puck;
    float goalLine = gameWorld.table.goalLine;
    // The far threshold lies deeper than the near one; both are kept as the game has always had them.
    if (puck.position.z >= goalLine - puck.radius && inGoalMouth(puck.position.x)) {
        puck.vx = puck.vz = 0;
        gameWorld.cpuScore++;
        return -1;
    }
    if (puck.position.z <= -goalLine - puck.radius && inGoalMouth(puck.position.x)) {
        puck.vx = puck.vz = 0;
        gameWorld.userScore++;
        return 1;
    }
    return 0;
}

float distanceXZ(const Vec3 *a, const Vec3 *b)
{
    float dx = a->x - b->x, dz = a->z - b->z;
    return (float)sqrt(dx * dx + dz * dz);
}

void normalize2(float *x, float *z)
{
    float length = (float)sqrt(*x * *x + *z * *z);
    if (length == 0)
        return;
    float k = 1 / length;
    *x *= k;
    *z *= k;
}

// A mallet within reach sends the puck away from its centre at the puck's speed.
static void strike(const Mallet &mallet)
{
    Puck &puck = gameWorld.puck;
    if (distanceXZ(&mallet.position, &puck.position) > puck.radius + mallet.radius)
        return;
    puck.vx = puck.position.x - mallet.position.x;
    puck.vz = puck.position.z - mallet.position.z;
    normalize2(&puck.vx, &puck.vz);
    puck.vx *= puck.speed;
    puck.vz *= puck.speed;
}

void resolveCollisions()
{
    Puck &puck = gameWorld.puck;
    const TableGeometry &table = gameWorld.table;
    if (puck.position.x <= table.puckMinX) {
        puck.position.x = table.puckMinX;
        puck.vx = -puck.vx;
    }
    if (puck.position.x >= table.puckMaxX) {
        puck.position.x = table.puckMaxX;
        puck.vx = -puck.vx;
    }
    if (puck.position.z <= table.puckMinZ && !inGoalMouth(puck.position.x)) {
        puck.position.z = table.puckMinZ;
        puck.vz = -puck.vz;
    }
    if (puck.position.z >= table.puckMaxZ && !inGoalMouth(puck.position.x)) {
        puck.position.z = table.puckMaxZ;
        puck.vz = -puck.vz;
    }
    strike(gameWorld.userMallet);
    strike(gameWorld.cpuMallet);
}
