// The fixed GL state and the drawing of the scene's objects in world coordinates.
#pragma once

// Fixed GL state, lights and materials; needs a current context.
void setupScene();
// Side walls, the four end-wall segments around the goal mouths, and the body below them.
void drawTable();
// The puck: a capped tube standing on its position.
void drawPuck();
// The user's mallet, then the computer's; the latter's colour stays set for the floor.
void drawMallets();
// The textured floor ten units below the table, lit with whatever diffuse colour was set last.
void drawFloor();
