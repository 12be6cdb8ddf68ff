// The game as a fresh start leaves it, without any GL: the tests' common starting point.
#pragma once

#include "game/world.h"

// Table constants, the camera at its start angle with its basis, a served puck, no scores.
inline void resetWorld()
{
    gameWorld = GameWorld{};
    gameWorld.camera = {30, 60, 10, {}, {}, {}, 0, 0};
    setTableConstants();
    updateCamera();
    serve();
}
