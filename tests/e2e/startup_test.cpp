// Starting the real program: the scene it shows, the boxes a bad start shows, and a second start.
#include <gtest/gtest.h>

#include "support/game_process.h"

#include <unistd.h>

TEST(StartUp, FromAnotherFolderShowsTheWholeSceneWithTheScoreLine)
{
    XSession s;
    ASSERT_TRUE(openSession(&s, 640, 480));
    // Started from a folder without images: the font beside the program is found, no box shows.
    std::string elsewhere = makeScratchDir();
    LaunchSpec launch = gameSpec(&s);
    launch.workDir = elsewhere;
    ChildProcess game;
    Window w = launchGame(&s, launch, &game);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(windowClass(s.display, w), "ug window");
    RgbImage shot = waitForScene(s.display, w);
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    PixelRect all{0, 0, 640, 480};
    EXPECT_GT(countScene(shot, all, PUCK_TOP), 40);
    EXPECT_GT(countScene(shot, all, USER_MALLET_TOP), 40);
    EXPECT_GT(countScene(shot, all, CPU_MALLET_TOP), 40);
    // The sky is above the table, the score line at the top of the lower-left 250 x 250 box.
    EXPECT_GT(countScene(shot, PixelRect{0, 0, 640, 40}, SKY), 640 * 30);
    EXPECT_TRUE(showsScoreLine(shot));
    EXPECT_EQ(countScene(shot, PixelRect{0, 300, 250, 180}, HUD_TEXT), 0);
    EXPECT_TRUE(windowsTitled(s.display, "Error").empty());
    endProcess(&game);
    closeSession(&s);
    removeTree(elsewhere);
}

// Runs a copy whose floor.bmp is missing (null) or holds the bytes, answers the boxes; its exit code.
static int runThroughBoxes(const std::string *floor, const std::vector<const char *> &boxes)
{
    XSession s;
    std::string dir = gameCopy("floor.bmp", floor);
    if (dir.empty() || !openSession(&s, 640, 480)) {
        removeTree(dir);
        return -100;
    }
    ChildProcess game = launchProcess(gameCopySpec(&s, dir));
    int answered = answerErrorBoxes(s.display, boxes);
    EXPECT_EQ(answered, (int)boxes.size()) << "boxes answered";
    int code = answered == (int)boxes.size() ? waitProcess(&game) : -101;
    endProcess(&game);
    closeSession(&s);
    removeTree(dir);
    return code;
}

TEST(BadStartUp, MissingFloorShowsBothBoxesThenEndsWithOne)
{
    EXPECT_EQ(runThroughBoxes(nullptr, {"Can't Find Bitmap", "Error loading textures"}), 1);
}

TEST(BadStartUp, FloorThatIsNotABitmapShowsItsTypeThenEndsWithOne)
{
    std::string notABitmap = "GIF89a this is no bitmap at all, however long it goes on";
    EXPECT_EQ(runThroughBoxes(&notABitmap, {"Incorrect texture type", "Error loading textures"}), 1);
}

TEST(BadStartUp, FontInNeitherPlaceIsReportedAndTheGameStillPlays)
{
    XSession s;
    ASSERT_TRUE(openSession(&s, 640, 480));
    std::string dir = gameCopy("font.tga", nullptr), elsewhere = makeScratchDir();
    ASSERT_FALSE(dir.empty());
    LaunchSpec launch = gameCopySpec(&s, dir);
    launch.workDir = elsewhere;
    ChildProcess game = launchProcess(launch);
    ASSERT_EQ(answerErrorBoxes(s.display, {"Error loading textures"}), 1);
    Window w = findWindow(s.display, "Rinkslider");
    RgbImage shot = waitForScene(s.display, w);
    ASSERT_TRUE(showsScene(shot));
    EXPECT_GT(countScene(shot, PixelRect{0, 0, 640, 480}, PUCK_TOP), 40);
    // Without its font the text is drawn untextured: bright bars, no glyphs.
    EXPECT_GT(countScene(shot, scoreLineBand(shot), HUD_TEXT), 0);
    EXPECT_FALSE(showsScoreLine(shot));
    int code = 0;
    EXPECT_TRUE(processRunning(&game, &code)) << "ended with " << code;
    endProcess(&game);
    closeSession(&s);
    removeTree(dir);
    removeTree(elsewhere);
}

TEST(BadStartUp, NoDisplayGivesOneLineAndOne)
{
    LaunchSpec launch;
    launch.program = gameProgram();
    ChildProcess game = launchProcess(launch);
    EXPECT_EQ(waitProcess(&game, 3000), 1);
    std::string err = readStderr(&game);
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    endProcess(&game);
}

TEST(SecondInstance, EndsWithZeroAndRaisesTheRunningGame)
{
    // A copy of its own, since the instance lock is named by the program's path and other tests
    // run the build's program at the same time.
    XSession s;
    std::string dir = gameCopy(nullptr, nullptr);
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(openSession(&s, 640, 480));
    LaunchSpec launch = gameCopySpec(&s, dir);
    ChildProcess first;
    Window w = launchGame(&s, launch, &first);
    ASSERT_NE(w, 0u);
    // A window on top, so the raise has something to do.
    Window cover = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 200, 200, 0, 0, 0);
    XMapRaised(s.display, cover);
    XSync(s.display, False);
    ChildProcess second = launchProcess(launch);
    EXPECT_EQ(waitProcess(&second, 5000), 0);
    std::vector<Window> games = windowsTitled(s.display, "Rinkslider");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0], w);
    EXPECT_TRUE(windowMapped(s.display, w));
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(s.display, DefaultRootWindow(s.display), &root, &parent, &children, &count);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(children[count - 1], w);
    XFree(children);
    EXPECT_TRUE(processRunning(&first, nullptr));
    endProcess(&second);
    endProcess(&first);
    closeSession(&s);
    removeTree(dir);
}
