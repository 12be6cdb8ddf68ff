#include "game/opponent.h"

#include "game/world.h"

#include <math.h>

void moveComputerMallet()
{
    const Puck &puck = gameWorld.puck;
    float &malletX = gameWorld.cpuMallet.position.x;
    if (puck.position.z >= gameWorld.table.goalLine)
        return;
    float step = (float)(randomNumber() * fabs(puck.vx) * 3.051850947599719e-05);
    float dx = puck.position.x - malletX;
    if (dx >= 0 && dx > step)
        malletX += step;
    else if (dx < 0 && dx < -step)
        malletX -= step;
    else
        malletX = puck.position.x;
}
