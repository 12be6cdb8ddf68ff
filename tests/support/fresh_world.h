// The game as a fresh start leaves it, without any GL: the tests' common starting point.
#pragma once

#include "game/world.h"

// The world as the program starts with it, taken before any test changes it.
inline const GameWorld initialWorld = gameWorld;

// Table constants, the camera at its start angle with its basis, a served puck, no scores.
inline void resetWorld()
{
    gameWorld = initialWorld;
    setTableConstants();
    updateCamera();
    serve();
}
