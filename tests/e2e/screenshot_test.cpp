// Screenshots of the real program: "c", the save dialog and its overwrite prompt.
#include <gtest/gtest.h>

#include "support/game_session.h"

#include <X11/keysym.h>
#include <algorithm>
#include <fstream>

// Presses "c" and waits for the save dialog.
static Window openSaveDialog(Session &s)
{
    pressKey(s.display, XK_c);
    return findFocused(s.display, "Save As");
}

// Waits until no window of the title is shown.
static bool gone(Session &s, const char *title)
{
    return waitFor([&] { return windowsTitled(s.display, title).empty(); });
}

TEST(Screenshot, SavesTheWindowEscapeWritesNothingAndNoKeepsAFile)
{
    // 642 pixels wide: the bitmap's rows need padding.
    Session s;
    ASSERT_TRUE(openSession(s, 642, 480));
    fs::path home = scratchDir();
    Window w = startGame(s, {}, {}, {"HOME=" + home.string()});
    ASSERT_NE(w, 0u);

    // Only the puck and the computer's mallet move between the save and the capture after it.
    ASSERT_NE(openSaveDialog(s), 0u);
    typeText(s.display, (home / "rink-1.bmp").c_str(), XK_Return);
    ASSERT_TRUE(gone(s, "Save As"));
    EXPECT_TRUE(waitFor([&] { return savedMatch(home / "rink-1.bmp", capture(s.display, w)) > 0.97; }));

    ASSERT_NE(openSaveDialog(s), 0u);
    typeText(s.display, "cancelled", XK_Escape);
    ASSERT_TRUE(gone(s, "Save As"));

    std::ofstream(home / "keep.bmp") << "precious";
    ASSERT_NE(openSaveDialog(s), 0u);
    typeText(s.display, "keep.bmp", XK_Return);
    ASSERT_NE(findFocused(s.display, "Confirm Save As"), 0u);
    // Enter answers the focused No; the save dialog comes back, and Escape leaves it.
    pressKey(s.display, XK_Return);
    ASSERT_TRUE(gone(s, "Confirm Save As"));
    ASSERT_NE(findFocused(s.display, "Save As"), 0u);
    pressKey(s.display, XK_Escape);
    ASSERT_TRUE(gone(s, "Save As"));

    std::ifstream kept(home / "keep.bmp");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "precious");
    // Sound libraries may keep their settings under HOME; only files count.
    auto isFile = [](const fs::directory_entry &e) { return e.is_regular_file(); };
    EXPECT_EQ(std::count_if(fs::directory_iterator(home), {}, isFile), 2) << "Escape wrote a file";
    pressKey(s.display, XK_Up);
    EXPECT_EQ(exitCode(s.game), 0) << errorsOf(s.game);
}
