// The Debian package of this build: installed with dpkg, its menu entry and metadata valid, started
// through the launcher on the PATH from another folder, and removed without a trace. lintian takes
// seconds, so CI runs it once, outside the suite.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <sstream>
#include <unistd.h>

// Runs a shell command without a display, its output into *output; its exit code.
static int runShell(const std::string &command, std::string *output)
{
    Child child = startProcess("/bin/sh", {"-c", "exec 1>&2; " + command}, "/", "");
    int code = exitCode(child, 120000);
    *output = errorsOf(child);
    return code;
}

TEST(Package, InstallsValidatesStartsFromAnyFolderAndRemovesWithoutATrace)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "installing the package needs root";
    if (!*RINKSLIDER_PACKAGE_FILE)
        GTEST_SKIP() << "this build makes no package (sanitized builds do not)";
    std::string out, files;
    if (runShell("dpkg -s rinkslider", &out) == 0)
        GTEST_SKIP() << "a rinkslider package is installed already; remove it to let this test install its own";
    ASSERT_EQ(runShell("'" RINKSLIDER_CMAKE "' --build '" + buildDir().string() + "' --target package", &out), 0) << out;
    ASSERT_EQ(runShell("dpkg -i '" RINKSLIDER_PACKAGE_FILE "'", &out), 0) << out;
    // From here on every check lets the package be removed at the end.
    EXPECT_EQ(runShell("desktop-file-validate /usr/share/applications/*.rinkslider.desktop"
                       " && appstreamcli validate --no-net /usr/share/metainfo/*.rinkslider.metainfo.xml",
                       &out), 0) << out;

    // From another folder; glyphs in the score line show the font beside the installed program was found.
    Session s;
    Window w = openSession(s, 640, 480) ? startGame(s, "/usr/games/rinkslider", scratchDir()) : 0;
    EXPECT_TRUE(w && showsScoreLine(capture(s.display, w)) && windowsTitled(s.display, "Error").empty())
        << errorsOf(s.game);
    closeSession(s);
    EXPECT_EQ(runShell("dpkg -L rinkslider", &files), 0) << files;
    ASSERT_EQ(runShell("dpkg -r rinkslider", &out), 0) << out;
    EXPECT_NE(runShell("dpkg -s rinkslider", &out), 0) << out;
    // Only folders that other packages share may stay, none of them the game's own.
    std::istringstream list(files);
    for (std::string path; std::getline(list, path);) {
        fs::file_status st = fs::symlink_status(path);
        EXPECT_TRUE(!fs::exists(st) || (fs::is_directory(st) && path.find("rinkslider") == std::string::npos))
            << path;
    }
}
