// Runs the game and the bare EGL floor program alternately under a private Xvfb and prints what
// each costs. Everything is measured from outside the measured process, so neither program carries
// any measuring code:
// - ticks: calls of onIdle, counted by a kernel uprobe on the game's binary through a perf counter
//   bound to the game's loop thread; exact, and independent of how long a frame takes.
// - presents: calls of eglSwapBuffers, counted the same way on libEGL, for game and floor alike.
// - frames: XDamage notifications on the program's window (each present puts one image), with the
//   longest gap between two of them; a cross-check of the counters, and the only count left when
//   the uprobes cannot be set up.
// - CPU: utime + stime of all threads, and of the loop thread alone, from /proc over the window.
// - wake-ups: voluntary context switches of the loop thread and of all threads.
// - start-up: from just before fork/exec until the window first shows a non-black pixel on its
//   middle row or column, checked when the window is mapped and on every damage after that.
// - minimised: the game again under openbox, visible and then minimised by the window manager
//   (ICCCM iconify) right after its first frame, for the CPU it costs while nobody can see it.
// - peak memory: VmHWM from /proc/PID/status at the end of the run.
// - others' CPU: the machine's busy time over the window less that of the program, Xvfb, the
//   driver and the busy-core child; a run disturbed by other work is repeated.
#include "support/xserver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <dirent.h>
#include <linux/perf_event.h>
#include <math.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

struct ProcSample {
    double cpuSeconds, loopCpuSeconds;
    long wakeLoop, wakeAll;
};

struct RunResult {
    int ok;
    double ticksPerSecond, presentsPerSecond, framesPerSecond, longestGapMs;
    double cpuPerSecond, loopCpuPerSecond, wakeLoopPerSecond, wakeAllPerSecond, startupMs, peakRssMb;
    double othersCpuPerSecond;
};

struct BenchOptions {
    std::string game, floor, out, micro, tickProbe, presentProbe;
    double seconds;
    int rounds;
};

// Counters read before and after the measured window; -1 where a counter is missing.
struct Counters {
    int ticks, presents;
};

static const double warmUpSeconds = 2.0;
// Other processes may use this much CPU during a window before the run is repeated, up to
// quietAttempts times in all.
static const double quietCpuLimit = 0.1;
static const int quietAttempts = 3;

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

// User plus system CPU seconds from a /proc stat file, 0 when it cannot be read.
static double statCpuSeconds(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return 0;
    char buf[1024];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    buf[n] = 0;
    fclose(f);
    // Fields after the command name, which may hold blanks, start after its ')'.
    char *p = strrchr(buf, ')');
    unsigned long utime = 0, stime = 0;
    if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return 0;
    return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

// CPU time of all threads and of the loop (main) thread, and the voluntary switches of both.
static ProcSample sampleProcess(pid_t pid)
{
    std::string base = "/proc/" + std::to_string(pid);
    std::string loop = base + "/task/" + std::to_string(pid);
    ProcSample s{statCpuSeconds(base + "/stat"), statCpuSeconds(loop + "/stat"),
                 statusField(loop + "/status", "voluntary_ctxt_switches"), 0};
    if (DIR *d = opendir((base + "/task").c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                s.wakeAll += statusField(base + "/task/" + e->d_name + "/status", "voluntary_ctxt_switches");
        closedir(d);
    }
    return s;
}

// Busy (not idle, not waiting for I/O) CPU seconds of the whole machine since boot.
static double machineBusySeconds()
{
    unsigned long long v[8] = {};
    FILE *f = fopen("/proc/stat", "r");
    if (!f)
        return 0;
    int n = fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                   &v[6], &v[7]);
    fclose(f);
    if (n != 8)
        return 0;
    return (double)(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]) / (double)sysconf(_SC_CLK_TCK);
}

// CPU seconds of the driver itself and of the helper processes it runs besides the program.
static double helpersCpuSeconds(const std::vector<pid_t> &helpers)
{
    double sum = statCpuSeconds("/proc/self/stat");
    for (pid_t pid : helpers)
        sum += statCpuSeconds("/proc/" + std::to_string(pid) + "/stat");
    return sum;
}

// A perf counter of a trace event ("group/name", e.g. a uprobe) in one thread; -1 when missing.
static int openProbeCounter(const std::string &probe, pid_t tid)
{
    if (probe.empty())
        return -1;
    long id = -1;
    for (const char *root : {"/sys/kernel/tracing/events/", "/sys/kernel/debug/tracing/events/"}) {
        if (FILE *f = fopen((root + probe + "/id").c_str(), "r")) {
            if (fscanf(f, "%ld", &id) != 1)
                id = -1;
            fclose(f);
            break;
        }
    }
    if (id < 0)
        return -1;
    perf_event_attr a{};
    a.type = PERF_TYPE_TRACEPOINT;
    a.size = sizeof a;
    a.config = (uint64_t)id;
    return (int)syscall(SYS_perf_event_open, &a, tid, -1, -1, 0);
}

// The counter's value, or -1 for a missing counter.
static long long readCounter(int fd)
{
    uint64_t value = 0;
    if (fd < 0 || read(fd, &value, sizeof value) != (ssize_t)sizeof value)
        return -1;
    return (long long)value;
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

// Waits up to the deadline for X events; 0 once it has passed.
static int waitForEvents(Display *x, double until)
{
    double left = until - nowSeconds();
    if (left <= 0)
        return 0;
    if (!XPending(x)) {
        pollfd p{ConnectionNumber(x), POLLIN, 0};
        poll(&p, 1, (int)ceil(left * 1000));
    }
    return 1;
}

// The program's own window among what was mapped on the root: the window itself, or the one a
// window manager put in its frame; the named window nearest the top. 0 when there is none yet.
static Window namedWindow(Display *x, Window w)
{
    char *name = nullptr;
    if (XFetchName(x, w, &name) && name) {
        XFree(name);
        return w;
    }
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    if (XQueryTree(x, w, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && !found; i++)
            found = namedWindow(x, children[i]);
    if (children)
        XFree(children);
    return found;
}

// Waits for the program's window to be mapped and to show its first frame. Sets the window and
// its damage object and returns the milliseconds since start, or -1 when it never showed.
static double waitFirstFrame(Display *x, int damageEvent, pid_t pid, double start, Window *w, Damage *damage)
{
    while (waitForEvents(x, start + 30) && waitpid(pid, nullptr, WNOHANG) == 0) {
        int check = 0;
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MapNotify && !*w && (*w = namedWindow(x, event.xmap.window))) {
                // Damage from here on tells when to look; a frame put before it is caught by the
                // look right after the damage object exists.
                *damage = XDamageCreate(x, *w, XDamageReportNonEmpty);
                XSync(x, False);
                check = 1;
            } else if (*w && event.type == damageEvent + XDamageNotify) {
                XDamageSubtract(x, *damage, None, None);
                check = 1;
            }
        }
        if (check && showsFrame(x, *w))
            return (nowSeconds() - start) * 1000;
    }
    return -1;
}

// Counts damage notifications until the deadline; the longest gap between two goes to *longestGap.
static long countFrames(Display *x, int damageEvent, Damage damage, double until, double *longestGap)
{
    long frames = 0;
    double last = -1;
    *longestGap = 0;
    while (waitForEvents(x, until)) {
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type != damageEvent + XDamageNotify)
                continue;
            double t = nowSeconds();
            if (last >= 0 && t - last > *longestGap)
                *longestGap = t - last;
            last = t;
            frames++;
            XDamageSubtract(x, damage, None, None);
        }
    }
    return frames;
}

// The rate of a counter over the window, or -1 when the counter is missing.
static double counterRate(long long before, long long after, double elapsed)
{
    return before < 0 || after < 0 ? -1 : (double)(after - before) / elapsed;
}

// One measured run of a program: start-up, a warm-up, then the measured window; with minimise
// the window manager minimises the window right after its first frame.
static RunResult measure(const BenchOptions &o, const std::string &program, const std::string &display,
                         const std::vector<pid_t> &helpers, bool minimise)
{
    RunResult r{};
    Display *x = XOpenDisplay(display.c_str());
    int damageEvent, damageError;
    if (!x || !XDamageQueryExtension(x, &damageEvent, &damageError)) {
        if (x)
            XCloseDisplay(x);
        return r;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    XSync(x, False);
    double start = nowSeconds();
    pid_t pid = launch(program, display);
    Window w = 0;
    Damage damage = 0;
    r.startupMs = pid ? waitFirstFrame(x, damageEvent, pid, start, &w, &damage) : -1;
    if (r.startupMs >= 0) {
        if (minimise)
            XIconifyWindow(x, w, DefaultScreen(x));
        double gap;
        countFrames(x, damageEvent, damage, nowSeconds() + warmUpSeconds, &gap);
        XWindowAttributes a;
        int shown = XGetWindowAttributes(x, w, &a) && a.map_state == IsViewable;
        int tickFd = program == o.game ? openProbeCounter(o.tickProbe, pid) : -1;
        int presentFd = openProbeCounter(o.presentProbe, pid);
        ProcSample before = sampleProcess(pid);
        double machine0 = machineBusySeconds(), helpers0 = helpersCpuSeconds(helpers);
        long long ticks0 = readCounter(tickFd), presents0 = readCounter(presentFd);
        double t0 = nowSeconds();
        long frames = countFrames(x, damageEvent, damage, t0 + o.seconds, &gap);
        long long ticks1 = readCounter(tickFd), presents1 = readCounter(presentFd);
        ProcSample after = sampleProcess(pid);
        double machine1 = machineBusySeconds(), helpers1 = helpersCpuSeconds(helpers);
        double elapsed = nowSeconds() - t0;
        r.ticksPerSecond = counterRate(ticks0, ticks1, elapsed);
        r.presentsPerSecond = counterRate(presents0, presents1, elapsed);
        r.framesPerSecond = (double)frames / elapsed;
        r.longestGapMs = gap * 1000;
        double programCpu = after.cpuSeconds - before.cpuSeconds;
        r.cpuPerSecond = programCpu / elapsed;
        r.loopCpuPerSecond = (after.loopCpuSeconds - before.loopCpuSeconds) / elapsed;
        r.wakeLoopPerSecond = (double)(after.wakeLoop - before.wakeLoop) / elapsed;
        r.wakeAllPerSecond = (double)(after.wakeAll - before.wakeAll) / elapsed;
        r.othersCpuPerSecond = fmax(0, (machine1 - machine0) - (helpers1 - helpers0) - programCpu) / elapsed;
        r.peakRssMb = (double)statusField("/proc/" + std::to_string(pid) + "/status", "VmHWM") / 1024.0;
        // A program that died during the window, or was not minimised when it should be, has not been measured.
        r.ok = waitpid(pid, nullptr, WNOHANG) == 0 && shown == !minimise;
        if (tickFd >= 0)
            close(tickFd);
        if (presentFd >= 0)
            close(presentFd);
    }
    if (damage)
        XDamageDestroy(x, damage);
    stopChild(pid);
    XCloseDisplay(x);
    return r;
}

// The figures that are averaged over runs; the longest frame gap is the longest of all runs.
static double RunResult::*const averagedFields[] = {
    &RunResult::ticksPerSecond, &RunResult::presentsPerSecond, &RunResult::framesPerSecond, &RunResult::cpuPerSecond, &RunResult::loopCpuPerSecond,
    &RunResult::wakeLoopPerSecond, &RunResult::wakeAllPerSecond, &RunResult::startupMs, &RunResult::peakRssMb,
    &RunResult::othersCpuPerSecond};

// The mean of the successful runs; a figure that some run lacks stays missing (-1).
static RunResult mean(const std::vector<RunResult> &runs)
{
    RunResult m{};
    int n = 0;
    for (const RunResult &r : runs)
        if (r.ok) {
            n++;
            for (double RunResult::*f : averagedFields)
                m.*f = m.*f < 0 || r.*f < 0 ? -1 : m.*f + r.*f;
            m.longestGapMs = fmax(m.longestGapMs, r.longestGapMs);
        }
    if (n) {
        m.ok = 1;
        for (double RunResult::*f : averagedFields)
            if (m.*f >= 0)
                m.*f /= n;
    }
    return m;
}

// A figure for the table, "n/a" when it is missing.
static std::string figure(double value, int decimals)
{
    if (value < 0)
        return "n/a";
    char s[32];
    snprintf(s, sizeof s, "%.*f", decimals, value);
    return s;
}

// One table row.
static void addRow(std::string *table, const char *size, const char *program, const RunResult &r)
{
    std::string line = std::string("| ") + size + " | " + program + " | ";
    if (!r.ok) {
        *table += line + "failed | | | | | | | | | | | |\n";
        return;
    }
    double wakesPerFrame = r.presentsPerSecond > 0 ? r.wakeLoopPerSecond / r.presentsPerSecond : -1;
    for (const std::string &cell :
         {figure(r.ticksPerSecond, 2), figure(r.presentsPerSecond, 2), figure(r.framesPerSecond, 2),
          figure(r.longestGapMs, 0), figure(r.cpuPerSecond, 3), figure(r.loopCpuPerSecond, 3),
          figure(r.wakeLoopPerSecond, 0), figure(wakesPerFrame, 1), figure(r.wakeAllPerSecond, 0),
          figure(r.startupMs, 0), figure(r.peakRssMb, 1), figure(r.othersCpuPerSecond, 3)})
        line += cell + " | ";
    line.pop_back();
    *table += line + "\n";
}

// One target line: the figure, the limit and whether it is met.
static void addTarget(std::string *lines, const std::string &what, double value, double limit, int atLeast)
{
    // Ticks are met when they round to the target's 25.0; the window's ends cost up to one tick.
    int met = atLeast ? value >= limit - 0.05 : value <= limit;
    char line[256];
    snprintf(line, sizeof line, "- %s: %.2f (target %s %.2f): %s\n", what.c_str(), value, atLeast ? ">=" : "<=",
             limit, met ? "met" : "MISSED");
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

// What a command prints, or "".
static std::string commandOutput(const std::string &command)
{
    std::string s;
    if (FILE *p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            s += buf;
        pclose(p);
    }
    return s;
}

// The 1-minute load average.
static std::string loadAverage()
{
    std::string s = readFile("/proc/loadavg");
    return s.substr(0, s.find(' '));
}

// Processor count and model, and the EGL and GL strings the floor reports on this server.
static std::string machineLines(const BenchOptions &o, const std::string &display)
{
    std::string model = commandOutput("sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1");
    std::string info = commandOutput("DISPLAY=" + display + " '" + o.floor + "' --info");
    return "- processors: " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + ", " +
           (model.empty() ? std::string("model unknown\n") : model) + info;
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

// A run that other processes left alone as far as possible: repeated while they used more than
// the limit, keeping the least disturbed attempt.
static RunResult measureQuietly(const BenchOptions &o, const std::string &program, const std::string &display,
                                const std::vector<pid_t> &helpers, bool minimise = false)
{
    RunResult best{};
    for (int i = 0; i < quietAttempts; i++) {
        RunResult r = measure(o, program, display, helpers, minimise);
        if (r.ok && (!best.ok || r.othersCpuPerSecond < best.othersCpuPerSecond))
            best = r;
        if (best.ok && best.othersCpuPerSecond <= quietCpuLimit)
            break;
    }
    return best;
}

// Starts openbox on the display and waits until it manages windows; 0 when it cannot be started.
static pid_t startOpenbox(const std::string &display)
{
    Display *x = XOpenDisplay(display.c_str());
    if (!x)
        return 0;
    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", (char *)nullptr);
        _exit(127);
    }
    Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
    int ready = 0;
    for (double until = nowSeconds() + 10; pid > 0 && !ready && nowSeconds() < until; usleep(20000)) {
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char *data = nullptr;
        ready = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, AnyPropertyType, &type, &format,
                                   &count, &after, &data) == Success && count == 1;
        if (data)
            XFree(data);
    }
    XCloseDisplay(x);
    if (!ready) {
        stopChild(pid);
        return 0;
    }
    return pid;
}

// Measures one screen size: rounds of game and floor alternately, then both with a core busy,
// then the game under openbox visible and minimised.
static void benchSize(const BenchOptions &o, int w, int h, std::string *machine, std::string *table,
                      std::string *targets)
{
    XServer server = startXServer(w, h);
    if (!server.pid) {
        fprintf(stderr, "bench: cannot start Xvfb at %dx%d\n", w, h);
        return;
    }
    if (machine->empty())
        *machine = machineLines(o, server.name);
    std::vector<RunResult> game, floor, busyGame, busyFloor;
    for (int i = 0; i < o.rounds; i++) {
        game.push_back(measureQuietly(o, o.game, server.name, {server.pid}));
        floor.push_back(measureQuietly(o, o.floor, server.name, {server.pid}));
    }
    pid_t busy = startBusyCore();
    busyGame.push_back(measureQuietly(o, o.game, server.name, {server.pid, busy}));
    busyFloor.push_back(measureQuietly(o, o.floor, server.name, {server.pid, busy}));
    stopChild(busy);
    std::vector<RunResult> managed, minimised;
    if (pid_t openbox = startOpenbox(server.name)) {
        for (int i = 0; i < o.rounds; i++) {
            managed.push_back(measureQuietly(o, o.game, server.name, {server.pid, openbox}));
            minimised.push_back(measureQuietly(o, o.game, server.name, {server.pid, openbox}, true));
        }
        stopChild(openbox);
    } else {
        fprintf(stderr, "bench: cannot start openbox; no minimised figures\n");
    }
    stopXServer(&server);

    char size[32];
    snprintf(size, sizeof size, "%dx%d", w, h);
    RunResult g = mean(game), f = mean(floor), bg = mean(busyGame), bf = mean(busyFloor);
    addRow(table, size, "game", g);
    addRow(table, size, "floor", f);
    addRow(table, size, "game, other core busy", bg);
    addRow(table, size, "floor, other core busy", bf);
    RunResult m = mean(managed), mm = mean(minimised);
    addRow(table, size, "game under openbox", m);
    addRow(table, size, "game under openbox, minimised", mm);
    if (m.ok && mm.ok)
        addTarget(targets, std::string(size) + " CPU minimised/visible under openbox", mm.cpuPerSecond / m.cpuPerSecond,
                  0.1, 0);
    if (!g.ok || !f.ok || !bg.ok)
        return;
    std::string prefix = std::string(size) + " ";
    // Without the uprobe the damage count stands in for ticks, and the line says so.
    const char *tickName = g.ticksPerSecond >= 0 ? "ticks/s" : "frames/s (no tick probe)";
    addTarget(targets, prefix + tickName, g.ticksPerSecond >= 0 ? g.ticksPerSecond : g.framesPerSecond, 25.0, 1);
    addTarget(targets, prefix + tickName + ", other core busy",
              bg.ticksPerSecond >= 0 ? bg.ticksPerSecond : bg.framesPerSecond, 25.0, 1);
    addTarget(targets, prefix + "CPU game/floor", g.cpuPerSecond / f.cpuPerSecond, 1.25, 0);
    addTarget(targets, prefix + "start-up game/floor", g.startupMs / f.startupMs, 1.2, 0);
    addTarget(targets, prefix + "peak RSS game/floor", g.peakRssMb / f.peakRssMb, 1.2, 0);
}

// Usage: bench_driver GAME FLOOR [--seconds S] [--rounds N] [--out FILE] [--micro FILE]
//        [--tick-probe GROUP/EVENT] [--present-probe GROUP/EVENT]
int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr,
                "usage: %s GAME FLOOR [--seconds S] [--rounds N] [--out FILE] [--micro FILE] "
                "[--tick-probe GROUP/EVENT] [--present-probe GROUP/EVENT]\n",
                argv[0]);
        return 2;
    }
    // The programs run in their own directories, so their paths must not be relative.
    char game[4096], floor[4096];
    if (!realpath(argv[1], game) || !realpath(argv[2], floor)) {
        fprintf(stderr, "bench: cannot find %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    BenchOptions o{game, floor, "", "", "probe_rinkslider/onIdle", "probe_libEGL/eglSwapBuffers", 20.0, 2};
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
        else if (key == "--tick-probe")
            o.tickProbe = argv[i + 1];
        else if (key == "--present-probe")
            o.presentProbe = argv[i + 1];
    }
    if (o.seconds <= 0 || o.rounds < 1) {
        fprintf(stderr, "bench: --seconds and --rounds must be positive\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    XSetErrorHandler(ignoreXError);
    std::string loadBefore = loadAverage();
    std::string machine, targets;
    std::string table =
        "| screen | program | ticks/s | presents/s | damage frames/s | longest frame gap, ms | CPU s/s | "
        "loop thread CPU s/s | wake-ups/s (loop thread) | wake-ups per present | wake-ups/s (all threads) | "
        "exec to first frame, ms | peak RSS, MiB | others' CPU s/s |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    benchSize(o, 640, 480, &machine, &table, &targets);
    benchSize(o, 1920, 1080, &machine, &table, &targets);

    char head[256];
    time_t now = time(nullptr);
    strftime(head, sizeof head, "Measured %Y-%m-%d %H:%M UTC", gmtime(&now));
    char rounds[256];
    snprintf(rounds, sizeof rounds, ", %d alternating rounds of %g s each (means), one more with a core busy.",
             o.rounds, o.seconds);
    std::string report = std::string(head) + rounds + "\n\n" + machine + "- 1-minute load average: " +
                         loadBefore + " before, " + loadAverage() + " after\n\n" + table + "\n" + targets;
    if (!o.micro.empty())
        report += "\nMicro-benchmarks:\n\n```\n" + readFile(o.micro) + "```\n";
    fputs(report.c_str(), stdout);
    if (!o.out.empty() && !writeReport(o.out, report)) {
        fprintf(stderr, "bench: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
