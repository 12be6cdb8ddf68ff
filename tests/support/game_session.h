// Driving the real program from outside: a private Xvfb, the game started on it as a child
// process, and its window's pictures read for the scene's colours.
#pragma once

#include "support/x_client.h"
#include "support/xserver.h"

#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fs = std::filesystem;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

// A colour the game draws, with a tolerance that takes in its shades under the light.
struct Shade {
    Rgb rgb;
    int tolerance;
};
extern const Shade SKY, TABLE_TOP, PUCK_TOP, USER_MALLET_TOP, CPU_MALLET_TOP, FLOOR, TEXT;

// A window's pixels, rows top first.
struct Shot {
    int width, height;
    std::vector<Rgb> pixels;
};

struct Area {
    int x, y, w, h;
};

// A started program: pid 0 once it has been reaped, and the file its stderr goes to.
struct Child {
    pid_t pid;
    fs::path errors;
};

// One test's X server and our connection to it; the game started on it is ended with it, as is
// the Wayland compositor when the test starts one there.
struct Session {
    XServer server;
    Display *display;
    Child game;
    Child compositor;
    Window output;                     // the compositor's picture: a window on the X server
    std::vector<std::string> wayland;  // what a client needs to reach the compositor
    int touchFifo;                     // where the compositor's touch screen reads its events; -1 without one
};

// Starts an Xvfb of w x h and connects to it; false on failure.
bool openSession(Session &s, int w, int h);
// Ends the game if it still runs, drops the connection and stops the server, before the test ends.
void closeSession(Session &s);

// The build under test, where the test programs have a folder of their own, and its game.
fs::path buildDir();
fs::path gameProgram();
// A new empty folder under /tmp, removed with all it holds when the test program ends.
fs::path scratchDir();
// A scratch folder with copies of the program and its images; the named image holds the bytes
// instead, or is left out when bytes is null.
fs::path gameCopy(const char *image = nullptr, const std::string *bytes = nullptr);

// Starts a program on the display (none when empty) in a folder, with extra "NAME=value" entries;
// it dies with the test program, as does the server. Its pid is 0 when it could not be started.
Child startProcess(const fs::path &program, const std::vector<std::string> &args, const fs::path &workDir,
                   const std::string &display, const std::vector<std::string> &env = {});
// Starts weston on the session's X server with an output of w x h logical pixels at the scale,
// where every client's window fills the output, and a touch screen on its seat; its output's window
// once it takes clients, else 0.
Window startCompositor(Session &s, int w, int h, int scale = 1);
// Lines of touch screen events: "down ID X Y", "motion ID X Y", "up ID", "frame", "cancel", at
// points of the output's picture; "close" is a shell's close gesture on the window with the keyboard.
// False when the compositor has no touch screen.
bool touchScreen(Session &s, const std::string &lines);
// Starts the program into s.game and waits until its window shows the scene; the window, else 0.
// Without a program it starts a copy of its own from the copy's folder, so that tests run side by
// side do not share the instance lock. With a compositor the program is its client, without an X
// display, and its window is the compositor's output.
Window startGame(Session &s, const fs::path &program = {}, const fs::path &workDir = {},
                 const std::vector<std::string> &env = {});
// Kills the child if it runs.
void stopProcess(Child &c);
// The exit code once the child ends (128 + signal), or -1 after killing it when it runs past the time.
int exitCode(Child &c, int timeoutMs = WAIT_MS);
// True while the child runs.
bool running(Child &c);
std::string errorsOf(const Child &c);

// The window's pixels; an empty shot when it is not viewable.
Shot capture(Display *d, Window w);
// Captures until the shot is accepted; true when one was in time.
bool captureUntil(Display *d, Window w, const std::function<bool(const Shot &)> &accept, Shot *shot = nullptr,
                  int timeoutMs = WAIT_MS);
bool near(Rgb p, Shade s);
// The pixels of the shade in the area, and their centroid when there are any.
int countShade(const Shot &shot, Area a, Shade s, double *cx = nullptr, double *cy = nullptr);
// The user's mallet as the picture shows it: the middle of its base, and its width.
struct SeenMallet {
    double x, y, width;
};
// Finds the user's mallet in the picture; false when it does not show.
bool seeMallet(const Shot &shot, SeenMallet *m);
// The puck's centre in the picture; false when it cannot be seen.
bool puckAt(const Shot &shot, double *x, double *y);
// The sky, the table top and the floor each cover a fair part of the picture.
bool showsScene(const Shot &shot);
// Glyph cell i of the score line, as a mask of its text pixels.
std::vector<bool> scoreCell(const Shot &shot, int i);
// The score line is drawn in glyphs (without its font the game draws solid bars).
bool showsScoreLine(const Shot &shot);
// The saved bitmap's pixels that match the window's within 2 per channel, as a fraction; 0 when
// the file is not yet a whole bitmap of the window's size.
double savedMatch(const fs::path &path, const Shot &window);
