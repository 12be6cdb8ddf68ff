// The installed game: the tree cmake --install makes, started through its launcher.
#include <gtest/gtest.h>

#include "support/game_process.h"

#include <unistd.h>

// Runs a tool to its end without a display; its exit code.
static int runTool(const std::string &program, const std::vector<std::string> &args)
{
    LaunchSpec launch;
    launch.program = program;
    launch.args = args;
    ChildProcess tool = launchProcess(launch);
    int code = waitProcess(&tool, 60000);
    if (code != 0)
        ADD_FAILURE() << program << " said: " << readStderr(&tool);
    endProcess(&tool);
    return code;
}

TEST(Install, LauncherStartsTheGameWithItsFontAndTheMenuEntryIsValid)
{
    // A prefix deep enough that the floor image's full path is longer than 256 bytes.
    std::string root = makeScratchDir(), elsewhere = makeScratchDir();
    std::string prefix = root + "/" + std::string(120, 'p') + "/" + std::string(120, 'q');
    ASSERT_EQ(runTool(RINKSLIDER_CMAKE, {"--install", buildDir(), "--prefix", prefix}), 0);
    for (const char *file : {"lib/rinkslider/rinkslider", "lib/rinkslider/floor.bmp", "lib/rinkslider/font.tga",
                             "share/icons/hicolor/scalable/apps/rinkslider.svg"})
        EXPECT_EQ(access((prefix + "/" + file).c_str(), R_OK), 0) << file;
    EXPECT_EQ(runTool("/usr/bin/desktop-file-validate", {prefix + "/share/applications/rinkslider.desktop"}), 0);

    XSession s;
    ASSERT_TRUE(openSession(&s, 640, 480));
    LaunchSpec launch = gameSpec(&s);
    launch.program = prefix + "/bin/rinkslider";
    launch.workDir = elsewhere;
    ChildProcess game;
    Window w = launchGame(&s, launch, &game);
    ASSERT_NE(w, 0u);
    RgbImage shot = captureWindow(s.display, w);
    // Glyphs in the score line: the font was found.
    EXPECT_TRUE(showsScoreLine(shot));
    EXPECT_TRUE(windowsTitled(s.display, "Error").empty());
    endProcess(&game);
    closeSession(&s);
    removeTree(root);
    removeTree(elsewhere);
}
