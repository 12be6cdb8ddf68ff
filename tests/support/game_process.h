// Driving the real program from outside: a private X server, child processes, window search,
// pixel captures and synthetic input.
#pragma once

#include "support/xserver.h"

#include <X11/Xlib.h>
#include <string>
#include <sys/types.h>
#include <vector>

// A private Xvfb with our own connection to it.
struct XSession {
    XServer server;
    Display *display;
};

// What to start: program path, arguments after argv[0], working directory, display and extra
// environment entries ("NAME=value"). An empty display leaves DISPLAY unset.
struct LaunchSpec {
    std::string program;
    std::vector<std::string> args;
    std::string workDir;
    std::string display;
    std::vector<std::string> env;
};

// A started child; its stderr goes to stderrPath.
struct ChildProcess {
    pid_t pid;
    std::string stderrPath;
};

struct RgbImage {
    int width, height;
    std::vector<unsigned char> rgb;  // rows top to bottom, 3 bytes a pixel
};

struct Rgb {
    int r, g, b;
};

struct PixelRect {
    int x, y, w, h;
};

// The colours the game draws under its light, as read back from the window, with a tolerance
// that takes in each surface's shades.
struct SceneColour {
    Rgb colour;
    int tolerance;
};
extern const SceneColour SKY, TABLE_TOP, PUCK_TOP, USER_MALLET_TOP, CPU_MALLET_TOP, FLOOR, HUD_TEXT;

enum { WAIT_TIMED_OUT = -1, DEFAULT_TIMEOUT_MS = 10000 };

// Starts Xvfb of w x h and connects to it; 1 on success. Sessions left open are stopped at exit.
int openSession(XSession *session, int w, int h);
void closeSession(XSession *session);

// The absolute path of the build under test (RINKSLIDER_BUILD_DIR) and of its game binary.
std::string buildDir();
std::string gameProgram();
// The build's game on the session's display, started in the build directory.
LaunchSpec gameSpec(const XSession *session);

// Starts the game the launch names on the open session and waits for its window to show the scene;
// the window, 0 on failure.
Window launchGame(XSession *session, const LaunchSpec &launch, ChildProcess *game);
// Opens a w x h session and launches the build's game on it; the window, 0 on failure.
Window startGame(XSession *session, ChildProcess *game, int w, int h);

// Starts the child with stderr captured; pid 0 on failure. The child dies with the test.
ChildProcess launchProcess(const LaunchSpec &launch);
// Waits for the child: its exit code, 128 + signal when killed by one, WAIT_TIMED_OUT (after
// killing it) when it does not end in time.
int waitProcess(ChildProcess *child, int timeoutMs = DEFAULT_TIMEOUT_MS);
// 1 while the child has not ended (reaps it once it has; then waitProcess is not needed).
int processRunning(ChildProcess *child, int *exitCode);
// Kills the child if it still runs and removes its stderr file.
void endProcess(ChildProcess *child);
// Everything the child has written to stderr so far.
std::string readStderr(const ChildProcess *child);

// A fresh directory under /tmp; empty on failure. removeTree deletes it with all it holds.
std::string makeScratchDir();
void removeTree(const std::string &dir);
// Copies a file, keeping its permission bits; 1 on success.
int copyFile(const std::string &from, const std::string &to);
// Reads a whole file into *bytes, or writes the bytes to a new file; 1 on success.
int readFile(const std::string &path, std::string *bytes);
int writeFile(const std::string &path, const std::string &bytes);
// A scratch directory with copies of the build's program, floor.bmp and font.tga, where the file
// named (if any) holds the bytes given instead, or is left out for null; empty on failure.
std::string gameCopy(const char *fileName, const std::string *bytes);
// The copy in dir on the session's display, started in dir.
LaunchSpec gameCopySpec(const XSession *session, const std::string &dir);

// Polls check(context) every 10 ms until it returns nonzero or the time is up; its last result.
int pollUntil(int (*check)(void *context), void *context, int timeoutMs = DEFAULT_TIMEOUT_MS);

// The top-level windows titled exactly so (WM_NAME or _NET_WM_NAME), bottom to top.
std::vector<Window> windowsTitled(Display *d, const char *title);
// Waits for a mapped top-level window with the title; 0 when none shows up in time.
Window findWindow(Display *d, const char *title, int timeoutMs = DEFAULT_TIMEOUT_MS);
// Waits until the window is unmapped or destroyed; 1 when gone in time.
int waitGone(Display *d, Window w, int timeoutMs = DEFAULT_TIMEOUT_MS);
// Waits for a mapped top-level window with the title whose message line (where our dialogs draw
// it, in the "fixed" font) shows exactly the text; 0 when none does in time.
Window findDialog(Display *d, const char *title, const char *text, int timeoutMs = DEFAULT_TIMEOUT_MS);
// Answers the "Error" boxes showing the texts, in turn, with Enter; how many were answered.
int answerErrorBoxes(Display *d, const std::vector<const char *> &texts);
// The class part of WM_CLASS, empty when unset.
std::string windowClass(Display *d, Window w);
// 1 when the window exists and is viewable.
int windowMapped(Display *d, Window w);
// The window's size; 0 when it is gone.
int windowSize(Display *d, Window w, int *width, int *height);

// The window's pixels; an empty image (width 0) when it cannot be read.
RgbImage captureWindow(Display *d, Window w);
// Captures the window into *shot until accept(shot, context) says 1; 1 when it did in time.
int captureUntil(Display *d, Window w, int (*accept)(const RgbImage &shot, void *context), void *context,
                 RgbImage *shot, int timeoutMs = DEFAULT_TIMEOUT_MS);
Rgb pixelAt(const RgbImage &image, int x, int y);
// 1 when every channel of the pixel is within the colour's tolerance.
int nearColour(Rgb p, SceneColour c);
// Pixels of a scene colour in the rectangle, clipped to the image.
int countScene(const RgbImage &image, PixelRect rect, SceneColour c);
// The count of such pixels and their centroid in *cx, *cy (untouched when there are none).
int centroidScene(const RgbImage &image, PixelRect rect, SceneColour c, double *cx, double *cy);
// 1 when the image shows the sky, the table top and the floor (the game is drawing).
int showsScene(const RgbImage &image);
// The band at the top of the lower-left 250 x 250 box where the score line is drawn.
PixelRect scoreLineBand(const RgbImage &image);
// 1 when the score line is drawn in glyphs: some row of its band crosses many separate runs of
// bright text pixels (without its font the game draws solid bars there).
int showsScoreLine(const RgbImage &image);
// Captures the window until it shows the scene; the last capture (empty when it never did).
RgbImage waitForScene(Display *d, Window w, int timeoutMs = DEFAULT_TIMEOUT_MS);
// Fraction of pixels of equal-sized images whose channels all differ by at most tolerance.
double matchRatio(const RgbImage &a, const RgbImage &b, int tolerance);
// Reads an uncompressed 24-bit BMP; an empty image when the file is not one.
RgbImage readBmp24(const std::string &path);

// XTest input: a key by keysym (with shift when the keymap needs it); a printable string and then
// the key after it (none for 0), sent in one burst as a fast typist's keys arrive; a click of
// button 1 at window coordinates; pointer motion to window coordinates.
void pressKey(Display *d, KeySym sym);
void typeText(Display *d, const char *text, KeySym after = 0);
void clickAt(Display *d, Window w, int x, int y);
void moveTo(Display *d, Window w, int x, int y);
// Asks the window to close as a window manager would (WM_DELETE_WINDOW).
void sendDeleteWindow(Display *d, Window w);
