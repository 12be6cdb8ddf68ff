// Runs the game and the bare EGL floor program alternately under a private Xvfb and prints what
// each costs: ticks (presented frames) per second, CPU per second, wake-ups, start-up time and peak
// memory. Everything is measured from outside the measured process, so neither program carries
// any measuring code:
// - frames: XDamage on the program's window; each presented frame damages it once. The game paints
//   once per tick's redraw request and its timer drops missed periods, so frames/s is a lower
//   bound on ticks/s that equals it whenever it reaches 25.
// - CPU: utime + stime of all threads from /proc/PID/stat over the measured window.
// - wake-ups: voluntary context switches of the main thread (the message loop) and of all
//   threads, from /proc/PID/status and /proc/PID/task/*/status.
// - start-up: from just before fork/exec to the first non-black pixel on the window's middle row
//   or column, polled every millisecond.
// - peak memory: VmHWM from /proc/PID/status at the end of the run.
#include "support/xserver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <dirent.h>
#include <math.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

struct ProcSample {
    double cpuSeconds;
    long wakeMain, wakeAll;
};

struct RunResult {
    int ok;
    double ticksPerSecond, cpuPerSecond, wakeMainPerSecond, wakeAllPerSecond, startupMs, peakRssMb;
};

struct BenchOptions {
    std::string game, floor, out, micro;
    double seconds;
    int rounds;
};

static const double warmUpSeconds = 2.0;

// Seconds on the monotonic clock.
static double nowSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Windows vanish and reappear while programs start and stop; a failed request is no fault here.
static int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

// The first number after "key:" in a /proc status file, or -1.
static long statusField(const std::string &path, const char *key)
{
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    size_t n = strlen(key);
    while (fgets(line, sizeof line, f))
        if (strncmp(line, key, n) == 0 && line[n] == ':') {
            value = atol(line + n + 1);
            break;
        }
    fclose(f);
    return value;
}

// CPU time of all threads and the voluntary switches of the main thread and of all threads.
static ProcSample sampleProcess(pid_t pid)
{
    ProcSample s{0, 0, 0};
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    if (FILE *f = fopen(path, "r")) {
        char buf[1024];
        size_t n = fread(buf, 1, sizeof buf - 1, f);
        buf[n] = 0;
        fclose(f);
        // Fields after the command name, which may hold blanks, start after its ')'.
        char *p = strrchr(buf, ')');
        unsigned long utime = 0, stime = 0;
        if (p && sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) == 2)
            s.cpuSeconds = (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
    }
    std::string base = "/proc/" + std::to_string(pid);
    s.wakeMain = statusField(base + "/status", "voluntary_ctxt_switches");
    if (DIR *d = opendir((base + "/task").c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                s.wakeAll += statusField(base + "/task/" + e->d_name + "/status", "voluntary_ctxt_switches");
        closedir(d);
    }
    return s;
}

// Starts a program in its own directory on the given display; 0 on failure.
static pid_t launch(const std::string &program, const std::string &display)
{
    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        std::string dir = program.substr(0, program.rfind('/') + 1);
        if (!dir.empty() && chdir(dir.c_str()) != 0)
            _exit(127);
        execl(program.c_str(), program.c_str(), (char *)nullptr);
        _exit(127);
    }
    return pid < 0 ? 0 : pid;
}

// A process that keeps one core busy until it is killed.
static pid_t startBusyCore()
{
    pid_t pid = fork();
    if (pid == 0) {
        volatile unsigned long spin = 0;
        for (;;)
            spin = spin + 1;
    }
    return pid < 0 ? 0 : pid;
}

// Ends a child and collects it.
static void stopChild(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The first viewable top-level window, or 0.
static Window findViewableWindow(Display *x)
{
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(x, children[i], &a) && a.map_state == IsViewable)
            found = children[i];
    }
    if (children)
        XFree(children);
    return found;
}

// 1 when any pixel of the image is not black.
static int hasColour(XImage *image)
{
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++)
            if (XGetPixel(image, x, y) & 0xffffff)
                return 1;
    return 0;
}

// 1 when the window's middle row or column shows a non-black pixel.
static int showsFrame(Display *x, Window w)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(x, w, &a) || a.map_state != IsViewable)
        return 0;
    int found = 0;
    XImage *row = XGetImage(x, w, 0, a.height / 2, (unsigned)a.width, 1, AllPlanes, ZPixmap);
    if (row) {
        found = hasColour(row);
        XDestroyImage(row);
    }
    XImage *column = found ? nullptr : XGetImage(x, w, a.width / 2, 0, 1, (unsigned)a.height, AllPlanes, ZPixmap);
    if (column) {
        found = hasColour(column);
        XDestroyImage(column);
    }
    return found;
}

// Counts damage notifications on the window until the deadline.
static long countFrames(Display *x, int damageEvent, Damage damage, double until)
{
    long frames = 0;
    for (;;) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == damageEvent + XDamageNotify) {
                frames++;
                XDamageSubtract(x, damage, None, None);
            }
        }
        double left = until - nowSeconds();
        if (left <= 0)
            return frames;
        pollfd p{ConnectionNumber(x), POLLIN, 0};
        poll(&p, 1, (int)ceil(left * 1000));
    }
}

// One measured run of a program: start-up, a warm-up, then the measured window.
static RunResult measure(const std::string &program, const std::string &display, double seconds)
{
    RunResult r{};
    Display *x = XOpenDisplay(display.c_str());
    if (!x)
        return r;
    int damageEvent, damageError;
    if (!XDamageQueryExtension(x, &damageEvent, &damageError)) {
        XCloseDisplay(x);
        return r;
    }
    double start = nowSeconds();
    pid_t pid = launch(program, display);
    Window w = 0;
    double giveUp = start + 30;
    while (pid && nowSeconds() < giveUp && waitpid(pid, nullptr, WNOHANG) == 0) {
        if (!w)
            w = findViewableWindow(x);
        if (w && showsFrame(x, w)) {
            r.startupMs = (nowSeconds() - start) * 1000;
            r.ok = 1;
            break;
        }
        usleep(1000);
    }
    if (r.ok) {
        Damage damage = XDamageCreate(x, w, XDamageReportNonEmpty);
        countFrames(x, damageEvent, damage, nowSeconds() + warmUpSeconds);
        ProcSample before = sampleProcess(pid);
        double t0 = nowSeconds();
        long frames = countFrames(x, damageEvent, damage, t0 + seconds);
        ProcSample after = sampleProcess(pid);
        double elapsed = nowSeconds() - t0;
        r.ticksPerSecond = (double)frames / elapsed;
        r.cpuPerSecond = (after.cpuSeconds - before.cpuSeconds) / elapsed;
        r.wakeMainPerSecond = (double)(after.wakeMain - before.wakeMain) / elapsed;
        r.wakeAllPerSecond = (double)(after.wakeAll - before.wakeAll) / elapsed;
        r.peakRssMb = (double)statusField("/proc/" + std::to_string(pid) + "/status", "VmHWM") / 1024.0;
        // A program that died during the window has not been measured.
        r.ok = waitpid(pid, nullptr, WNOHANG) == 0;
        XDamageDestroy(x, damage);
    }
    stopChild(pid);
    XCloseDisplay(x);
    return r;
}

// The mean of the successful runs.
static RunResult mean(const std::vector<RunResult> &runs)
{
    RunResult m{};
    int n = 0;
    for (const RunResult &r : runs)
        if (r.ok) {
            n++;
            m.ticksPerSecond += r.ticksPerSecond;
            m.cpuPerSecond += r.cpuPerSecond;
            m.wakeMainPerSecond += r.wakeMainPerSecond;
            m.wakeAllPerSecond += r.wakeAllPerSecond;
            m.startupMs += r.startupMs;
            m.peakRssMb += r.peakRssMb;
        }
    if (n) {
        m.ok = 1;
        m.ticksPerSecond /= n;
        m.cpuPerSecond /= n;
        m.wakeMainPerSecond /= n;
        m.wakeAllPerSecond /= n;
        m.startupMs /= n;
        m.peakRssMb /= n;
    }
    return m;
}

// One table row.
static void addRow(std::string *table, const char *size, const char *program, const RunResult &r)
{
    char line[256];
    if (r.ok)
        snprintf(line, sizeof line, "| %s | %s | %.2f | %.3f | %.1f | %.1f | %.0f | %.1f |\n", size, program,
                 r.ticksPerSecond, r.cpuPerSecond, r.wakeMainPerSecond, r.wakeAllPerSecond, r.startupMs, r.peakRssMb);
    else
        snprintf(line, sizeof line, "| %s | %s | failed | | | | | |\n", size, program);
    *table += line;
}

// One target line: the figure, the limit and whether it is met.
static void addTarget(std::string *lines, const char *what, double value, double limit, int atLeast)
{
    int met = atLeast ? value >= limit - 0.05 : value <= limit;
    char line[256];
    snprintf(line, sizeof line, "- %s: %.2f (target %s %.2f): %s\n", what, value, atLeast ? ">=" : "<=", limit,
             met ? "met" : "MISSED");
    *lines += line;
}

// The whole contents of a file, or "".
static std::string readFile(const std::string &path)
{
    std::string s;
    if (FILE *f = fopen(path.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        fclose(f);
    }
    return s;
}

// Puts the report between the markers of the file, keeping the text around them; 0 on failure.
static int writeReport(const std::string &path, const std::string &report)
{
    const std::string begin = "<!-- measured:begin -->\n", end = "<!-- measured:end -->\n";
    std::string text = readFile(path);
    size_t b = text.find(begin), e = text.find(end);
    if (b == std::string::npos || e == std::string::npos || e < b)
        text += begin + report + end;
    else
        text = text.substr(0, b + begin.size()) + report + text.substr(e);
    FILE *f = fopen(path.c_str(), "w");
    if (!f)
        return 0;
    int ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

// Measures one screen size: rounds of game and floor alternately, then the game with a core busy.
static void benchSize(const BenchOptions &o, int w, int h, std::string *table, std::string *targets)
{
    XServer server = startXServer(w, h);
    if (!server.pid) {
        fprintf(stderr, "bench: cannot start Xvfb at %dx%d\n", w, h);
        return;
    }
    std::vector<RunResult> game, floor, busyGame, busyFloor;
    for (int i = 0; i < o.rounds; i++) {
        game.push_back(measure(o.game, server.name, o.seconds));
        floor.push_back(measure(o.floor, server.name, o.seconds));
    }
    pid_t busy = startBusyCore();
    busyGame.push_back(measure(o.game, server.name, o.seconds));
    busyFloor.push_back(measure(o.floor, server.name, o.seconds));
    stopChild(busy);
    stopXServer(&server);

    char size[32];
    snprintf(size, sizeof size, "%dx%d", w, h);
    RunResult g = mean(game), f = mean(floor), bg = mean(busyGame), bf = mean(busyFloor);
    addRow(table, size, "game", g);
    addRow(table, size, "floor", f);
    addRow(table, size, "game, other core busy", bg);
    addRow(table, size, "floor, other core busy", bf);
    if (!g.ok || !f.ok || !bg.ok)
        return;
    std::string prefix = std::string(size) + " ";
    addTarget(targets, (prefix + "ticks/s").c_str(), g.ticksPerSecond, 25.0, 1);
    addTarget(targets, (prefix + "ticks/s, other core busy").c_str(), bg.ticksPerSecond, 25.0, 1);
    addTarget(targets, (prefix + "CPU game/floor").c_str(), g.cpuPerSecond / f.cpuPerSecond, 1.25, 0);
    addTarget(targets, (prefix + "start-up game/floor").c_str(), g.startupMs / f.startupMs, 1.2, 0);
    addTarget(targets, (prefix + "peak RSS game/floor").c_str(), g.peakRssMb / f.peakRssMb, 1.2, 0);
}

// Usage: bench_driver GAME FLOOR [--seconds S] [--rounds N] [--out FILE] [--micro FILE]
int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s GAME FLOOR [--seconds S] [--rounds N] [--out FILE] [--micro FILE]\n", argv[0]);
        return 2;
    }
    // The programs run in their own directories, so their paths must not be relative.
    char game[4096], floor[4096];
    if (!realpath(argv[1], game) || !realpath(argv[2], floor)) {
        fprintf(stderr, "bench: cannot find %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    BenchOptions o{game, floor, "", "", 20.0, 2};
    for (int i = 3; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--seconds")
            o.seconds = atof(argv[i + 1]);
        else if (key == "--rounds")
            o.rounds = atoi(argv[i + 1]);
        else if (key == "--out")
            o.out = argv[i + 1];
        else if (key == "--micro")
            o.micro = argv[i + 1];
    }
    signal(SIGPIPE, SIG_IGN);
    XSetErrorHandler(ignoreXError);
    std::string table =
        "| screen | program | ticks/s | CPU s/s | wake-ups/s (loop thread) | wake-ups/s (all threads) | "
        "exec to first frame, ms | peak RSS, MiB |\n|---|---|---|---|---|---|---|---|\n";
    std::string targets;
    benchSize(o, 640, 480, &table, &targets);
    benchSize(o, 1920, 1080, &table, &targets);

    char head[256];
    time_t now = time(nullptr);
    strftime(head, sizeof head, "Measured %Y-%m-%d %H:%M UTC", gmtime(&now));
    std::string report = std::string(head) + ", " + std::to_string(o.rounds) + " alternating rounds of " +
                         std::to_string((int)o.seconds) + " s each (means), one more with a core busy.\n\n" +
                         table + "\n" + targets;
    if (!o.micro.empty())
        report += "\nMicro-benchmarks:\n\n```\n" + readFile(o.micro) + "```\n";
    fputs(report.c_str(), stdout);
    if (!o.out.empty() && !writeReport(o.out, report)) {
        fprintf(stderr, "bench: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
