// The application: its main function and the three frame handlers.
#pragma once

#include "ug/ug.h"

// Opens the window, sets up the game and runs the loop; 0 once the loop has ended, 1 on a failed start.
int appMain(int argc, char **argv);
void onIdle(UgWin *win);
void onResize(UgWin *win, int width, int height);
void onDisplay(UgWin *win);
