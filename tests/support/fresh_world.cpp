#include "support/fresh_world.h"

#include "game/world.h"

void resetWorld()
{
    gameWorld = GameWorld{};
    gameWorld.camera = {30, 60, 10, {}, {}, {}, 0, 0};
    setTableConstants();
    updateCamera();
    serve();
}
