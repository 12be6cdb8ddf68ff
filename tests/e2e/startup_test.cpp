// Starting the real program: the scene it shows, the boxes a bad start shows, and a second start.
#include <gtest/gtest.h>

#include "support/game_process.h"

#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

TEST(StartUp, ShowsTheWholeSceneWithTheScoreLine)
{
    XSession s;
    ChildProcess game;
    Window w = startGame(&s, &game, 640, 480);
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
    EXPECT_GT(countScene(shot, PixelRect{0, 230, 250, 30}, HUD_TEXT), 100);
    EXPECT_EQ(countScene(shot, PixelRect{0, 300, 250, 180}, HUD_TEXT), 0);
    endProcess(&game);
    closeSession(&s);
}
