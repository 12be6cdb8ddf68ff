// Keys and taps: the camera's turn, the serve, the mute, the end, and the user's mallet.
#pragma once

#include "render/vecmath.h"
#include "ug/ug.h"

// Set and cleared by the "m" key: the sounds are silent while it is set.
extern bool soundMuted;
// Set and cleared by "p" and Pause, set when the window is minimised in play: nothing in the world
// moves while it is set.
extern bool gamePaused;

// Left and Right turn the camera, Down serves after a goal, "m" mutes and unmutes, "p" and Pause
// pause and resume, F11 toggles fullscreen, "q" and Up end the program.
void onKey(UgWin *win, int key, int x, int y);
// Puts the user's mallet on the table point under the tap, kept within its area; not while paused.
void onPointer(UgWin *win, int button, int state, int x, int y);
// Follows a held button: the mallet goes where a tap at the point would put it.
void onMotion(UgWin *win, int x, int y);
// out = a + b; out may be a or b.
void add3(const Vec3 *a, const Vec3 *b, Vec3 *out);
