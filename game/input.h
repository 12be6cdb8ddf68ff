// Keys, taps and the on-screen controls: the camera's turn, the serve, the mute, the end, and the
// user's mallet.
#pragma once

#include "game/touch_controls.h"
#include "render/vecmath.h"
#include "ug/ug.h"

// Set and cleared by the "m" key: the sounds are silent while it is set.
extern bool soundMuted;
// Set and cleared by "p" and Pause, set when the window is minimised in play: nothing in the world
// moves while it is set.
extern bool gamePaused;

// Whether the world moves of itself: a puck in play and no pause. Only then are frames drawn at the
// display's rate, between ticks; otherwise the picture stays as the world stands.
bool playGoesOn();
// Shows a change the player can see in the next frame, with frames at the display's rate while play
// goes on and none while nothing moves.
void showChange(UgWin *win);

// Set by the first touch and cleared by a key or a mouse button: the on-screen controls show while
// touch is the input in use.
extern bool touchControlsShown;
// The control the press going on began on; CONTROL_COUNT while none is pressed.
extern int pressedControl;

// Left and Right turn the camera, Down serves after a goal, "m" mutes and unmutes, "p" and Pause
// pause and resume, F11 toggles fullscreen, "q" and Up end the program. Hides the on-screen controls.
void onKey(UgWin *win, int key, int x, int y);
// A press of a button or a finger, handed to pressPointer with its device, time and repeat pace.
void onPointer(UgWin *win, int button, int state, int x, int y);
// Follows a held button or finger: the mallet goes where a tap at the point would put it, unless the
// press began on a control.
void onMotion(UgWin *win, int x, int y);
// The press ends: a held control lets go.
void onRelease(UgWin *win, int button, int x, int y);

// One press as pressPointer takes it.
struct PointerPress {
    UgDevice device;
    int x, y;                            // client pixels
    long long timeMs;                    // on ugNowMs's clock
    int repeatDelayMs, repeatPeriodMs;   // how a held turn repeats, as a held key would
};
// A finger on a shown control acts as that control's key and never moves the mallet; any other press
// puts the user's mallet on the table point under it, kept within its area, not while paused. A
// finger shows the on-screen controls, a mouse button hides them.
void pressPointer(UgWin *win, const PointerPress &press);
// A held turn control turns again once its repeat is due: first after the delay, then once a period,
// while paused too.
void repeatHeldTurn(UgWin *win, long long nowMs);
// Whether the control shows: all of them while touch is in use, serve only while it would serve.
bool controlShown(int control);
// Where the controls go in the window at its size and scale, worked out again only when either changes.
const ControlLayout &touchControlLayout(UgWin *win);
// out = a + b; out may be a or b.
void add3(const Vec3 *a, const Vec3 *b, Vec3 *out);
