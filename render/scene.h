// The fixed GL state and the drawing of the scene's objects in world coordinates.
#pragma once

// Fixed GL state, lights and materials; needs a current context.
void setupScene();
void drawTable();
void drawPuck();
void drawMallets();
void drawFloor();
