// The installed game: the tree cmake --install makes, started through its launcher.
#include <gtest/gtest.h>

#include "support/game_session.h"

// Runs a tool to its end without a display; its exit code, with what it said on failure.
static int runTool(const fs::path &program, const std::vector<std::string> &args)
{
    Child tool = startProcess(program, args, "/", "");
    int code = exitCode(tool, 60000);
    if (code != 0)
        ADD_FAILURE() << program << " said: " << errorsOf(tool);
    stopProcess(tool);
    return code;
}

TEST(Install, LauncherStartsTheGameWithItsFontFromAnotherFolder)
{
    // A prefix deep enough that the floor image's full path is longer than 256 bytes.
    fs::path root = scratchDir(), elsewhere = scratchDir();
    fs::path prefix = root / std::string(120, 'p') / std::string(120, 'q');
    ASSERT_EQ(runTool(RINKSLIDER_CMAKE, {"--install", buildDir(), "--prefix", prefix}), 0);
    EXPECT_EQ(runTool("/usr/bin/desktop-file-validate", {prefix / "share/applications/rinkslider.desktop"}), 0);
    Session s;
    ASSERT_TRUE(openSession(s, 640, 480));
    Window w = startGame(s, prefix / "bin/rinkslider", elsewhere);
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(showsScoreLine(capture(s.display, w)));
    EXPECT_TRUE(windowsTitled(s.display, "Error").empty());
    closeSession(s);
    fs::remove_all(root);
    fs::remove_all(elsewhere);
}
