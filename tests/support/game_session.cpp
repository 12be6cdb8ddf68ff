#include "support/game_session.h"

#include "assets/image_read.h"

#include "assets/font.h"

#include <X11/Xutil.h>
#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const Shade SKY{{128, 128, 255}, 2}, TABLE_TOP{{92, 208, 92}, 2}, PUCK_TOP{{208, 92, 92}, 2},
    USER_MALLET_TOP{{92, 92, 208}, 2}, CPU_MALLET_TOP{{208, 92, 208}, 2}, FLOOR{{140, 46, 68}, 25},
    TEXT{{255, 192, 240}, 63};

void stopProcess(Child &c)
{
    if (c.pid > 0) {
        kill(c.pid, SIGKILL);
        waitpid(c.pid, nullptr, 0);
    }
    c.pid = 0;
}

bool openSession(Session &s, int w, int h)
{
    // A session may stay open until the test program ends: its connection stays reachable to the end.
    static auto *connections = new std::vector<Display *>;
    ignoreXErrors();
    s.game = s.compositor = Child{0, {}};
    s.wayland.clear();
    s.touchFifo = -1;
    s.server = startXServer(w, h);
    s.display = s.server.pid ? XOpenDisplay(s.server.name.c_str()) : nullptr;
    connections->push_back(s.display);
    if (!s.display)
        stopXServer(&s.server);
    return s.display != nullptr;
}

void closeSession(Session &s)
{
    stopProcess(s.game);
    stopProcess(s.compositor);
    if (s.touchFifo >= 0)
        close(s.touchFifo);
    s.touchFifo = -1;
    if (s.display)
        XCloseDisplay(s.display);
    s.display = nullptr;
    stopXServer(&s.server);
}

fs::path buildDir()
{
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

fs::path gameProgram()
{
    return buildDir() / "rinkslider";
}

// Removes the file or folder when the test program ends.
static void removeAtExit(const fs::path &path)
{
    static std::vector<fs::path> leftovers;  // made on first use, so it outlives the handler below
    if (leftovers.empty())
        atexit([] {
            for (const fs::path &p : leftovers)
                fs::remove_all(p);
        });
    leftovers.push_back(path);
}

fs::path scratchDir()
{
    char path[] = "/tmp/rinkslider-test-XXXXXX";
    removeAtExit(mkdtemp(path));
    return path;
}

// Deep enough that the images' full paths pass 256 bytes, and unique in the path's last 107 bytes,
// which name the instance lock.
fs::path gameCopy(const char *image, const std::string *bytes)
{
    fs::path scratch = scratchDir(), dir = scratch / std::string(240, 'p') / scratch.filename();
    fs::create_directories(dir);
    fs::copy_file(gameProgram(), dir / "rinkslider");
    for (const char *name : {"floor.bmp", "font.tga"}) {
        if (!image || std::string(name) != image)
            fs::copy_file(buildDir() / name, dir / name);
        else if (bytes)
            std::ofstream(dir / name, std::ios::binary) << *bytes;
    }
    return dir;
}

Child startProcess(const fs::path &program, const std::vector<std::string> &args, const fs::path &workDir,
                   const std::string &display, const std::vector<std::string> &env)
{
    // The test program's own runtime folder, private as logind makes one: the games' locks go there.
    static const fs::path runtime = scratchDir();
    char errors[] = "/tmp/rinkslider-stderr-XXXXXX";
    int errorFd = mkstemp(errors);
    pid_t pid = errorFd < 0 ? -1 : fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(errorFd, 2);
        if (display.empty()) {
            unsetenv("DISPLAY");
        } else {
            // On an X display nothing of a desktop's own compositor may be found instead.
            setenv("DISPLAY", display.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            for (const char *name : {"WAYLAND_DISPLAY", "WAYLAND_SOCKET"})
                unsetenv(name);
        }
        for (const std::string &entry : env)
            putenv(strdup(entry.c_str()));
        std::vector<char *> argv{(char *)program.c_str()};
        for (const std::string &a : args)
            argv.push_back((char *)a.c_str());
        argv.push_back(nullptr);
        if (chdir(workDir.c_str()) == 0)
            execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (errorFd >= 0)
        close(errorFd);
    removeAtExit(errors);
    return Child{pid > 0 ? pid : 0, errors};
}

// Its own runtime folder (mkdtemp makes it private, as weston demands) keeps its socket apart from
// other tests'; without a config file the kiosk shell shows no panel and never locks the screen.
// The touch screen's FIFO is open for reading and writing here, so writes never wait for weston.
Window startCompositor(Session &s, int w, int h, int scale)
{
    fs::path runtime = scratchDir(), fifo = runtime / "touch-screen";
    std::string socket = "wayland-" + runtime.filename().string();
    s.wayland = {"XDG_RUNTIME_DIR=" + runtime.string(), "WAYLAND_DISPLAY=" + socket};
    s.touchFifo = mkfifo(fifo.c_str(), 0600) == 0 ? open(fifo.c_str(), O_RDWR | O_CLOEXEC) : -1;
    std::vector<std::string> env = s.wayland;
    env.push_back("RINKSLIDER_TOUCH_FIFO=" + fifo.string());
    s.compositor = startProcess("/usr/bin/weston",
                                {"--backend=x11-backend.so", "--use-pixman", "--shell=kiosk-shell.so", "--no-config",
                                 "--idle-time=0", "--socket=" + socket, "--width=" + std::to_string(w),
                                 "--height=" + std::to_string(h), "--scale=" + std::to_string(scale),
                                 "--modules=" + (buildDir() / "tests" / "weston_touch.so").string()},
                                runtime, s.server.name, env);
    s.output = 0;
    waitFor([&] {
        for (Window top : topLevels(s.display))
            if (windowClass(s.display, top) == "Weston Compositor" && fs::exists(runtime / socket))
                s.output = top;
        return s.output != 0;
    });
    return s.output;
}

bool touchScreen(Session &s, const std::string &lines)
{
    return write(s.touchFifo, lines.data(), lines.size()) == (ssize_t)lines.size();
}

// Under tools/sanitize/valgrind.sh the game runs inside memcheck, its errors turned into exit code 99.
Window startGame(Session &s, const fs::path &given, const fs::path &workDir, const std::vector<std::string> &extra)
{
    fs::path program = given.empty() ? gameCopy() / "rinkslider" : given;
    fs::path dir = workDir.empty() ? program.parent_path() : workDir;
    std::string display = s.wayland.empty() ? s.server.name : "";
    std::vector<std::string> env = s.wayland;
    env.insert(env.end(), extra.begin(), extra.end());
    const char *suppressions = getenv("RINKSLIDER_VALGRIND");
    s.game = suppressions ? startProcess("/usr/bin/valgrind", {"--error-exitcode=99", "--leak-check=full",
                                                               "--errors-for-leak-kinds=definite",
                                                               std::string("--suppressions=") + suppressions, program},
                                         dir, display, env)
                          : startProcess(program, {}, dir, display, env);
    Window w = !s.game.pid ? 0 : display.empty() ? s.output : findWindow(s.display, "Rinkslider");
    return w && captureUntil(s.display, w, showsScene) ? w : 0;
}

// Reaps the child if it has ended; its exit code then, else -1.
static int reap(Child &c)
{
    int status;
    if (c.pid <= 0 || waitpid(c.pid, &status, WNOHANG) != c.pid)
        return -1;
    c.pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int exitCode(Child &c, int timeoutMs)
{
    int code = -1;
    waitFor([&] { return (code = reap(c)) >= 0; }, timeoutMs);
    if (code < 0)
        stopProcess(c);
    return code;
}

bool running(Child &c)
{
    return c.pid > 0 && reap(c) < 0;
}

std::string errorsOf(const Child &c)
{
    std::ifstream in(c.errors);
    return std::string(std::istreambuf_iterator<char>(in), {});
}


// Xvfb's 24-bit visual keeps red, green and blue in the pixel's three low bytes.
Shot capture(Display *d, Window w)
{
    XWindowAttributes a;
    XImage *x = XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable
                    ? XGetImage(d, w, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap)
                    : nullptr;
    Shot shot{x ? a.width : 0, x ? a.height : 0, {}};
    for (int y = 0; y < shot.height; y++)
        for (int i = 0; i < shot.width; i++) {
            unsigned long p = XGetPixel(x, i, y);
            shot.pixels.push_back(Rgb{(int)(p >> 16 & 255), (int)(p >> 8 & 255), (int)(p & 255)});
        }
    if (x)
        XDestroyImage(x);
    return shot;
}

bool captureUntil(Display *d, Window w, const std::function<bool(const Shot &)> &accept, Shot *shot, int timeoutMs)
{
    Shot last{0, 0, {}};
    bool ok = waitFor([&] { return (last = capture(d, w)).width > 0 && accept(last); }, timeoutMs);
    if (shot)
        *shot = last;
    return ok;
}

bool near(Rgb p, Shade s)
{
    return abs(p.r - s.rgb.r) <= s.tolerance && abs(p.g - s.rgb.g) <= s.tolerance &&
           abs(p.b - s.rgb.b) <= s.tolerance;
}

int countShade(const Shot &shot, Area a, Shade s, double *cx, double *cy)
{
    int count = 0;
    double sx = 0, sy = 0;
    for (int y = std::max(a.y, 0); y < std::min(a.y + a.h, shot.height); y++)
        for (int x = std::max(a.x, 0); x < std::min(a.x + a.w, shot.width); x++)
            if (near(shot.pixels[(size_t)y * shot.width + x], s)) {
                count++;
                sx += x;
                sy += y;
            }
    if (count && cx && cy) {
        *cx = sx / count;
        *cy = sy / count;
    }
    return count;
}

// Every shade of the user's mallet under the light keeps red and green at 92. The base's middle
// lies above the mallet's lowest point by the near half of the base, which the camera's height
// shows at about 0.28 of its width anywhere on the player's half.
bool seeMallet(const Shot &shot, SeenMallet *m)
{
    int left = shot.width, right = -1, bottom = -1;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            const Rgb &p = shot.pixels[(size_t)y * shot.width + x];
            if (abs(p.r - 92) <= 2 && abs(p.g - 92) <= 2 && p.b > 100)
                left = std::min(left, x), right = std::max(right, x), bottom = std::max(bottom, y);
        }
    *m = SeenMallet{(left + right) / 2.0, bottom - 0.28 * (right - left), (double)(right - left)};
    return right >= 0;
}

bool puckAt(const Shot &shot, double *x, double *y)
{
    return countShade(shot, Area{0, 0, shot.width, shot.height}, PUCK_TOP, x, y) > 0;
}

bool showsScene(const Shot &shot)
{
    Area all{0, 0, shot.width, shot.height};
    int part = shot.width * shot.height / 50;
    return part > 0 && countShade(shot, all, SKY) > part && countShade(shot, all, TABLE_TOP) > part &&
           countShade(shot, all, FLOOR) > part;
}

// The score line's cells are 15 text units square, 5 units below the top of the window.
std::vector<bool> scoreCell(const Shot &shot, int i)
{
    int scale = hudScale(shot.width, shot.height);
    std::vector<bool> mask;
    for (int y = 5 * scale; y < 20 * scale; y++)
        for (int x = 15 * scale * i; x < 15 * scale * (i + 1); x++)
            mask.push_back(near(shot.pixels[(size_t)y * shot.width + x], TEXT));
    return mask;
}

// Some row of the line crosses many separate runs of text pixels: glyphs, not bars.
bool showsScoreLine(const Shot &shot)
{
    int scale = hudScale(shot.width, shot.height), mostRuns = 0;
    for (int y = 5 * scale; y < 20 * scale; y++) {
        int runs = 0;
        for (int x = 0; x < 210 * scale; x++)
            runs += near(shot.pixels[(size_t)y * shot.width + x], TEXT) &&
                    (x == 0 || !near(shot.pixels[(size_t)y * shot.width + x - 1], TEXT));
        mostRuns = std::max(mostRuns, runs);
    }
    return mostRuns >= 8;
}

double savedMatch(const fs::path &path, const Shot &window)
{
    FILE *file = fopen(path.c_str(), "rb");
    ImageData image{};
    const char *reason;
    int read = file && readBitmap(file, &image, &reason);
    if (file)
        fclose(file);
    if (!read || image.width != window.width || image.height != window.height) {
        free(image.pixels);
        return 0;
    }
    size_t same = 0, rowBytes = image.size / (size_t)image.height;
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            // Rows are stored bottom first.
            const unsigned char *p = image.pixels + (size_t)(image.height - 1 - y) * rowBytes + x * 3;
            Rgb q = window.pixels[(size_t)y * window.width + x];
            same += abs(p[0] - q.r) <= 2 && abs(p[1] - q.g) <= 2 && abs(p[2] - q.b) <= 2;
        }
    free(image.pixels);
    return (double)same / ((double)image.width * image.height);
}
