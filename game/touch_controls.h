// The on-screen controls of a player without keys: where they go in a window, and which one a point
// falls on. Pure functions of the window's size, its scale and the view, without any GL.
#pragma once

enum TouchControl { CONTROL_TURN_LEFT, CONTROL_TURN_RIGHT, CONTROL_PAUSE, CONTROL_MUTE, CONTROL_SERVE, CONTROL_COUNT };

// Logical pixels a control's square spans at least: the touch platforms' smallest target.
constexpr int controlMinSide = 48;
// Units across a control's square: its symbol is drawn on this grid, each unit whole buffer pixels.
constexpr int controlGrid = 24;

// A control's square, its upper-left corner in buffer pixels from the window's upper-left.
struct ControlSquare {
    int x, y;
};

struct ControlLayout {
    int unit;  // buffer pixels to a grid unit
    int side;  // buffer pixels to a square's side, controlGrid units
    ControlSquare at[CONTROL_COUNT];
};

// Squares of at least controlMinSide logical pixels, a sixth of that from the window's edges, from the
// score line and from one another. Turn left and turn right face each other at the left and right edges, pause
// and mute sit side by side at the right edge (pause outermost), serve on the middle line. Each group
// starts at its home (the turns and serve at the bottom, pause and mute at the top) and moves along
// its edge to the nearest place where the worst share of the player's half of the table it covers,
// over every camera angle seen through fovY degrees, is least. Width and height are buffer pixels,
// contentScale buffer pixels to a logical one.
ControlLayout layoutControls(int width, int height, float contentScale, float fovY);
// The control among the shown ones whose square holds the point (x, y); CONTROL_COUNT for none.
int controlAt(const ControlLayout &layout, const bool shown[CONTROL_COUNT], int x, int y);
