// Starting the real program: the boxes a bad start shows, no display, and a second start.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/keysym.h>
#include <grp.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

TEST(StartUp, BadImagesShowTheirBoxesAndAFloorThatFailsEndsWithOne)
{
    const std::string notABitmap = "GIF89a this is no bitmap at all, however long it goes on";
    const struct {
        const char *image;
        const std::string *bytes;  // null: left out
        int boxes, exit;           // exit -1: the game plays on
    } cases[] = {
        {"floor.bmp", nullptr, 2, 1},
        {"floor.bmp", &notABitmap, 2, 1},
        {"font.tga", nullptr, 1, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.image) + (c.bytes ? " not an image" : " missing"));
        Session s;
        ASSERT_TRUE(openSession(s, 640, 480));
        fs::path dir = gameCopy(c.image, c.bytes), elsewhere = scratchDir();
        s.game = startProcess(dir / "rinkslider", {}, elsewhere, s.server.name);
        for (int i = 0; i < c.boxes; i++) {
            Window box = findFocused(s.display, "Error");
            ASSERT_NE(box, 0u) << "box " << i + 1;
            pressKey(s.display, XK_Return);
            ASSERT_TRUE(waitFor([&] { return windowsTitled(s.display, "Error") != std::vector<Window>{box}; }));
        }
        if (c.exit >= 0) {
            EXPECT_EQ(exitCode(s.game), c.exit);
        } else {
            // Without its font the game still plays; its text is drawn as bars, not glyphs.
            Window w = findWindow(s.display, "Rinkslider");
            Shot shot;
            ASSERT_TRUE(captureUntil(s.display, w, showsScene, &shot));
            EXPECT_GT(countShade(shot, Area{0, 10, 420, 30}, TEXT), 0);
            EXPECT_FALSE(showsScoreLine(shot));
            EXPECT_TRUE(running(s.game));
        }
        closeSession(s);
    }
}

TEST(StartUp, WithoutADisplayOrEglItSaysWhichFailedOnOneLineAndEndsWithOne)
{
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    const struct {
        const char *what;
        std::string display;
        std::vector<std::string> env;
        const char *says;
    } cases[] = {
        {"no X display", "", {}, "cannot open the X display"},
        {"no compositor", "", {"RINKSLIDER_PLATFORM=wayland", "WAYLAND_DISPLAY=rinkslider-none"},
         "cannot open the Wayland display \"rinkslider-none\""},
        {"no EGL driver", s.server.name, {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"},
         "eglGetPlatformDisplay failed: EGL_"},
    };
    for (const auto &c : cases) {
        Child game = startProcess(gameCopy() / "rinkslider", {}, scratchDir(), c.display, c.env);
        EXPECT_EQ(exitCode(game, 3000), 1) << c.what;
        std::string errors = errorsOf(game);
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << c.what << ": " << errors;
        EXPECT_NE(errors.find(c.says), std::string::npos) << c.what << ": " << errors;
    }
}

// Another user of the machine, as su or setpriv would make a process of the tests'.
const uid_t OTHER_UID = 65534;

// Runs the work in a child process as the user; the child holds what the work opened until it is
// stopped or the test ends. Its pid once the work is done, 0 when it failed.
static Child runAs(uid_t uid, const std::function<bool()> &work)
{
    int done[2];
    pid_t pid = pipe(done) == 0 ? fork() : -1;
    if (pid == 0) {
        bool asUser = uid == geteuid() || (setgroups(0, nullptr) == 0 && setresgid(uid, uid, uid) == 0 &&
                                           setresuid(uid, uid, uid) == 0);
        // The parent's death is watched from after the change of user, which clears it.
        if (!asUser || prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || !work())
            _exit(1);
        (void)!write(done[1], "", 1);
        pause();
        _exit(0);
    }
    Child child{pid > 0 ? pid : 0, {}};
    char byte;
    if (pid > 0) {
        close(done[1]);
        if (read(done[0], &byte, 1) != 1)
            stopProcess(child);
        close(done[0]);
    }
    return child;
}

// Listens on the abstract socket that the program's path once named the lock by.
static bool holdOldName(const fs::path &program)
{
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::string path = program.string();
    size_t used = std::min(path.size(), sizeof a.sun_path - 1);
    memcpy(a.sun_path + 1, path.data() + path.size() - used, used);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    return bind(fd, (sockaddr *)&a, (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + used)) == 0 && listen(fd, 1) == 0;
}

// A thousand connections at once on each socket, held open: silent ones, ones with a token of a
// megabyte, ones with bytes that are not text, and whole knocks that leave before their answer.
static bool knockWithGarbage(const std::vector<fs::path> &sockets)
{
    enum { CONNECTIONS = 1000 };
    rlimit files;
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    std::string binary;
    for (int i = 0; i < 4096; i++)
        binary += (char)(i * 151);
    const std::string says[] = {"", "TOKEN=" + std::string(1 << 20, 'x') + "\n\n", binary, "DISPLAY=:0\n\n"};
    for (const fs::path &path : sockets) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        for (int i = 0; i < CONNECTIONS; i++) {
            int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            const std::string &say = says[i % 4];
            if (connect(fd, (sockaddr *)&a, sizeof a) != 0 || send(fd, say.data(), say.size(), MSG_NOSIGNAL) < 0 ||
                &say == &says[3])
                close(fd);
        }
    }
    return true;
}

// Lets everyone into the folders of a game copy, as an installed game is.
static void openToAll(const fs::path &dir)
{
    for (fs::path p = dir; p != p.root_path() && p != "/tmp"; p = p.parent_path())
        fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
}

TEST(StartUp, ASecondStartByThePlayerRaisesTheirGameAndEndsWithZeroWhateverElseRuns)
{
    // Starts at once race for the lock: the one that takes it has no window yet when the others knock.
    // A start that waited on another's lock shows its window only after the 5 s it waits for an answer.
    enum { STARTS = 5, START_MS = 5000, END_MS = 3000 };
    enum Besides { NOTHING, OWN_GARBAGE, OWN_CRASHED, OTHER_PLAYS, OTHER_ON_OLD_NAME, OTHER_GARBAGE };
    const struct {
        const char *what;
        Besides besides;
    } cases[] = {
        {"nothing else", NOTHING},
        {"the player's own garbage knocks", OWN_GARBAGE},
        {"the lock left by a game of the player's that was killed", OWN_CRASHED},
        // Another user's rows last: without root they are skipped, and with them the rest of the table.
        {"another user playing the same program on another display", OTHER_PLAYS},
        {"another user's process on the lock's old name", OTHER_ON_OLD_NAME},
        {"another user's garbage knocks", OTHER_GARBAGE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.besides >= OTHER_PLAYS && geteuid() != 0)
            GTEST_SKIP() << "another user's rows need root";
        fs::path dir = gameCopy(), runtime = scratchDir(), otherRuntime = scratchDir();
        openToAll(dir);
        ASSERT_EQ(chown(otherRuntime.c_str(), OTHER_UID, OTHER_UID), 0);
        Session s, o;
        ASSERT_TRUE(openSession(s, 640, 480));
        ASSERT_TRUE(openSession(o, 320, 240));
        std::vector<std::string> env{"XDG_RUNTIME_DIR=" + runtime.string()};
        Child other{0, {}};
        if (c.besides == OTHER_PLAYS) {
            std::string uid = std::to_string(OTHER_UID), home = otherRuntime.string();
            other = startProcess("/usr/bin/setpriv",
                                 {"--reuid=" + uid, "--regid=" + uid, "--clear-groups", "--pdeathsig=KILL",
                                  (dir / "rinkslider").string()},
                                 dir, o.server.name, {"XDG_RUNTIME_DIR=" + home, "HOME=" + home});
            ASSERT_NE(findWindow(o.display, "Rinkslider"), 0u) << errorsOf(other);
        } else if (c.besides == OWN_CRASHED) {
            Child killed = startProcess(dir / "rinkslider", {}, dir, s.server.name, env);
            ASSERT_NE(findWindow(s.display, "Rinkslider"), 0u);
            stopProcess(killed);
            ASSERT_TRUE(waitFor([&] { return windowsTitled(s.display, "Rinkslider").empty(); }));
        } else if (c.besides == OTHER_ON_OLD_NAME) {
            other = runAs(OTHER_UID, [&] { return holdOldName(dir / "rinkslider"); });
            ASSERT_NE(other.pid, 0);
        }
        std::vector<Child> starts;
        for (int i = 0; i < STARTS; i++)
            starts.push_back(startProcess(dir / "rinkslider", {}, dir, s.server.name, env));
        Window w = findWindow(s.display, "Rinkslider", START_MS);
        ASSERT_NE(w, 0u);
        std::vector<long> owner = property(s.display, w, "_NET_WM_PID");
        ASSERT_EQ(owner.size(), 1u);
        int endedWithZero = 0;
        for (Child &start : starts)
            if (start.pid == owner[0])
                s.game = start;
            else
                endedWithZero += exitCode(start, END_MS) == 0;
        EXPECT_EQ(endedWithZero, STARTS - 1);
        EXPECT_EQ(windowsTitled(s.display, "Rinkslider"), std::vector<Window>{w});

        if (c.besides == OWN_GARBAGE || c.besides == OTHER_GARBAGE) {
            std::vector<fs::path> sockets;
            for (const fs::directory_entry &e : fs::directory_iterator(runtime))
                if (e.is_socket())
                    sockets.push_back(e.path());
            ASSERT_FALSE(sockets.empty());
            uid_t knocker = c.besides == OWN_GARBAGE ? geteuid() : OTHER_UID;
            other = runAs(knocker, [&] { return knockWithGarbage(sockets); });
            ASSERT_NE(other.pid, 0);
        }
        // A window on top, so a later start's raise has something to do; its display named with the
        // screen is the same server.
        Window cover = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 200, 200, 0, 0, 0);
        XMapRaised(s.display, cover);
        XSync(s.display, False);
        Child later = startProcess(dir / "rinkslider", {}, dir, "unix" + s.server.name + ".0", env);
        EXPECT_EQ(exitCode(later, END_MS), 0) << errorsOf(later);
        EXPECT_EQ(topLevels(s.display).back(), w) << "the game is not on top";
        EXPECT_TRUE(captureUntil(s.display, w, showsScene));
        // A start on a display the game is not on leaves it there and says so.
        Child elsewhere = startProcess(dir / "rinkslider", {}, dir, ":4711", env);
        EXPECT_EQ(exitCode(elsewhere, END_MS), 0);
        std::string errors = errorsOf(elsewhere);
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
        EXPECT_NE(errors.find("another display"), std::string::npos) << errors;
        EXPECT_TRUE(running(s.game));
        EXPECT_TRUE(c.besides != OTHER_PLAYS || running(other)) << "the other user's game ended";
        stopProcess(other);
        closeSession(o);
        closeSession(s);
    }
}
