// What a test does on its X server as a client: waits, finding windows by title, reading their
// properties, and input through XTest or sent straight to a window.
#pragma once

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <functional>
#include <string>
#include <vector>

enum { WAIT_MS = 10000 };

// Windows vanish while a test looks at them: refused requests are ignored from here on.
void ignoreXErrors();
// Checks done every 10 ms until it holds or the time is up; its last answer.
bool waitFor(const std::function<bool()> &done, int timeoutMs = WAIT_MS);
// The mapped top-level windows, and those of the title, bottom to top.
std::vector<Window> topLevels(Display *d);
std::vector<Window> windowsTitled(Display *d, const char *title);
// Waits for a mapped window of the title; the topmost, 0 when none came.
Window findWindow(Display *d, const char *title, int timeoutMs = WAIT_MS);
// Waits for a mapped window of the title to take the keyboard focus, as a dialog does when it opens.
Window findFocused(Display *d, const char *title, int timeoutMs = WAIT_MS);
// The values of a 32-bit property; empty when it is unset.
std::vector<long> property(Display *d, Window w, const char *name);
std::string windowClass(Display *d, Window w);

// XTest input, as a keyboard and a mouse give it to whatever has the focus: a key by keysym
// (shifted when the keymap needs it); text and one key after it in a single burst, as a fast
// typist's keys arrive; a click of button 1 at window coordinates, held through the points of
// dragTo before its release, and the pointer moved on to a last point with the button up.
void pressKey(Display *d, KeySym sym);
void typeText(Display *d, const char *text, KeySym after = 0);
void clickAt(Display *d, Window w, int x, int y, const std::vector<std::pair<int, int>> &dragTo = {},
             const std::pair<int, int> *after = nullptr);
// Events sent straight to a window, whoever has the focus.
void sendKey(Display *d, Window w, KeySym sym);
void sendButton(Display *d, Window w, int type, unsigned button, int x, int y);
// Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW).
void closeWindow(Display *d, Window w);
// The frames the window shows in ms milliseconds from just before the action: the times the server
// reports it damaged, as each present repaints it. A present reaches the window a little after the
// swap, so what comes in a settling time before the action is not counted.
int framesShown(Display *d, Window w, int ms, const std::function<void()> &action = {});
