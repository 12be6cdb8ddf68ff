// What one tick did to the puck, decided from the world before and after it.
#pragma once

#include "game/world.h"

// Whether it happened in the tick, and the table point (x, z) where.
struct TickEvent {
    bool happened;
    float x, z;
};

struct TickEvents {
    TickEvent sideRebound, endRebound, userStrike, cpuStrike, userGoal, cpuGoal;
};

// A rebound is a velocity component reversed with the puck on that wall's limit; a strike is a
// velocity the walls and a goal do not explain, with the puck in that mallet's reach; a goal is a
// score that rose. Each is placed where the puck is after the tick.
TickEvents tickEvents(const GameWorld &before, const GameWorld &after);
