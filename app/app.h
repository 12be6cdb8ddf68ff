// The application: its main function and the three frame handlers.
#pragma once

#include "ug/ug.h"

// Opens the window, sets up the game and runs the loop; 0 once the loop has ended, 1 on a failed start.
int appMain(int argc, char **argv);
// One game tick: the puck moves always, the rules apply only while it is in play; then the sounds of what it did.
void onIdle(UgWin *win);
// Full-window viewport and the projection, its view widened where the window is too narrow for the
// table, and the round shapes cut for the size; the heads-up display changes both every frame.
void onResize(UgWin *win, int width, int height);
// Draws and presents one frame.
void onDisplay(UgWin *win);
