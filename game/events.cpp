// What one tick did to the puck.
#include "game/events.h"

#include "game/physics.h"

// The event at the puck's place, when it happened.
static TickEvent at(const Puck &puck, bool happened)
{
    return {happened, puck.position.x, puck.position.z};
}

// Whether the puck lies within the mallet's reach, as a strike measures it.
static bool inReach(const Mallet &mallet, const Puck &puck)
{
    return distanceXZ(&mallet.position, &puck.position) <= puck.radius + mallet.radius;
}

TickEvents tickEvents(const GameWorld &before, const GameWorld &after)
{
    const Puck &was = before.puck, &puck = after.puck;
    const TableGeometry &t = after.table;
    bool side = was.vx * puck.vx < 0 && (puck.position.x == t.puckMinX || puck.position.x == t.puckMaxX);
    bool end = was.vz * puck.vz < 0 && (puck.position.z == t.puckMinZ || puck.position.z == t.puckMaxZ);
    bool userGoal = after.userScore > before.userScore, cpuGoal = after.cpuScore > before.cpuScore;
    bool stopped = userGoal || cpuGoal;
    float vx = stopped ? 0 : side ? -was.vx : was.vx;
    float vz = stopped ? 0 : end ? -was.vz : was.vz;
    bool struck = puck.vx != vx || puck.vz != vz;
    // The mallets struck from where they stood before the tick: the computer's moves after it strikes.
    return {at(puck, side), at(puck, end), at(puck, struck && inReach(before.userMallet, puck)),
            at(puck, struck && inReach(before.cpuMallet, puck)), at(puck, userGoal), at(puck, cpuGoal)};
}
