// Screenshots of the real program: "c", the save dialog and its overwrite prompt.
#include <gtest/gtest.h>

#include "support/game_process.h"

#include <X11/keysym.h>
#include <dirent.h>

// A running game whose home directory is a scratch directory, so nothing lands in the real one.
struct ShotGame {
    XSession session;
    ChildProcess game;
    Window window;
    std::string home;
};

// Starts the game with a scratch home; 1 once it shows the scene.
static int startShotGame(ShotGame *g)
{
    g->home = makeScratchDir();
    g->window = 0;
    g->game = ChildProcess{0, ""};
    if (g->home.empty() || !openSession(&g->session, 640, 480))
        return 0;
    LaunchSpec launch = gameSpec(&g->session);
    launch.env.push_back("HOME=" + g->home);
    g->window = launchGame(&g->session, launch, &g->game);
    return g->window != 0;
}

// Ends the game, its server and its home directory.
static void stopShotGame(ShotGame *g)
{
    endProcess(&g->game);
    closeSession(&g->session);
    removeTree(g->home);
}

// Presses "c" and waits for the save dialog offering the default name in the home directory.
static Window openSaveDialog(ShotGame *g)
{
    pressKey(g->session.display, XK_c);
    std::string offer = "Save to: " + g->home + "/Screenshot.bmp";
    return findDialog(g->session.display, "Save As", offer.c_str());
}

// The names in a directory.
static std::vector<std::string> listDir(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    for (dirent *e; d && (e = readdir(d));)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            names.push_back(e->d_name);
    if (d)
        closedir(d);
    return names;
}

struct BmpWait {
    std::string path;
    int width, height;
    RgbImage image;
};

// 1 once the file holds a whole bitmap of the wanted size.
static int bmpWritten(void *context)
{
    BmpWait *b = (BmpWait *)context;
    b->image = readBmp24(b->path);
    return b->image.width == b->width && b->image.height == b->height;
}

TEST(Screenshot, TypedPathAndEnterWriteTheWindowAsABitmap)
{
    ShotGame g;
    ASSERT_TRUE(startShotGame(&g));
    Display *d = g.session.display;
    Window dialog = openSaveDialog(&g);
    ASSERT_NE(dialog, 0u);
    std::string path = g.home + "/rink-1.bmp";
    typeText(d, path.c_str(), XK_Return);
    BmpWait bmp{path, 640, 480, {0, 0, {}}};
    ASSERT_TRUE(pollUntil(bmpWritten, &bmp)) << "no 640 x 480 bitmap at " << path;
    EXPECT_TRUE(waitGone(d, dialog));
    // Only the puck and the computer's mallet move between the save and this capture.
    RgbImage shot = captureWindow(d, g.window);
    EXPECT_GT(matchRatio(bmp.image, shot, 2), 0.97);
    EXPECT_TRUE(showsScene(bmp.image));
    stopShotGame(&g);
}

TEST(Screenshot, EscapeWritesNothing)
{
    ShotGame g;
    ASSERT_TRUE(startShotGame(&g));
    Display *d = g.session.display;
    Window dialog = openSaveDialog(&g);
    ASSERT_NE(dialog, 0u);
    typeText(d, (g.home + "/cancelled").c_str(), XK_Escape);
    ASSERT_TRUE(waitGone(d, dialog));
    // A second dialog shows the game has finished with the first answer.
    ASSERT_NE(dialog = openSaveDialog(&g), 0u);
    pressKey(d, XK_Escape);
    ASSERT_TRUE(waitGone(d, dialog));
    ASSERT_NE(openSaveDialog(&g), 0u);
    EXPECT_TRUE(listDir(g.home).empty());
    stopShotGame(&g);
}

TEST(Screenshot, NoInTheOverwritePromptKeepsTheFile)
{
    ShotGame g;
    ASSERT_TRUE(startShotGame(&g));
    Display *d = g.session.display;
    std::string path = g.home + "/keep.bmp";
    ASSERT_TRUE(writeFile(path, "precious"));
    ASSERT_NE(openSaveDialog(&g), 0u);
    typeText(d, "keep.bmp", XK_Return);
    std::string question = path + " already exists. Replace it?";
    Window confirm = findDialog(d, "Confirm Save As", question.c_str());
    ASSERT_NE(confirm, 0u);
    // Enter answers the focused No; the save dialog comes back, and Escape leaves it.
    pressKey(d, XK_Return);
    ASSERT_TRUE(waitGone(d, confirm));
    Window again = findDialog(d, "Save As", ("Save to: " + path).c_str());
    ASSERT_NE(again, 0u);
    pressKey(d, XK_Escape);
    ASSERT_TRUE(waitGone(d, again));
    ASSERT_NE(openSaveDialog(&g), 0u);
    std::string kept;
    ASSERT_TRUE(readFile(path, &kept));
    EXPECT_EQ(kept, "precious");
    stopShotGame(&g);
}
