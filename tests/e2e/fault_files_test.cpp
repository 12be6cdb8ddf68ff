// The real program with broken floor and font files beside it: a refused floor shows its message and
// ends with 1, a floor the reader takes and every font file let the game play; none crashes or hangs.
#include <gtest/gtest.h>

#include "support/game_process.h"
#include "support/image_files.h"

enum { PLAYING = 1000 };

// One start: which file is replaced, and by what.
struct FileParam {
    int isFloor;
    ImageCase file;
};

// 1 when the capture shows sky and table. A strange floor texture changes the floor's colours, so
// the floor is not looked for.
static int showsTable(const RgbImage &shot, void *)
{
    PixelRect all{0, 0, shot.width, shot.height};
    return countScene(shot, all, SKY) > 1000 && countScene(shot, all, TABLE_TOP) > 1000;
}

// Starts a copy of the program with the case's file beside it and answers the boxes expected, in
// turn, with Enter: then PLAYING when its window shows the table while no error box is up and it
// still runs, else its exit code.
static int startWithFile(const FileParam &p, const std::vector<const char *> &boxes)
{
    std::string bytes(p.file.bytes.begin(), p.file.bytes.end());
    std::string dir = gameCopy(p.isFloor ? "floor.bmp" : "font.tga", &bytes);
    XSession s;
    if (dir.empty() || !openSession(&s, 640, 480)) {
        removeTree(dir);
        return -100;
    }
    ChildProcess game = launchProcess(gameCopySpec(&s, dir));
    int code = -101;
    if (!boxes.empty()) {
        if (answerErrorBoxes(s.display, boxes) == (int)boxes.size())
            code = waitProcess(&game);
    } else {
        Window w = findWindow(s.display, "Rinkslider");
        RgbImage shot;
        int drawn = w && captureUntil(s.display, w, showsTable, nullptr, &shot);
        int exitCode = 0;
        code = drawn && windowsTitled(s.display, "Error").empty() && processRunning(&game, &exitCode)
                   ? PLAYING
                   : exitCode;
    }
    endProcess(&game);
    closeSession(&s);
    removeTree(dir);
    return code;
}

// Names the case in test output instead of dumping its bytes.
static void PrintTo(const FileParam &p, std::ostream *out)
{
    *out << (p.isFloor ? "floor.bmp " : "font.tga ") << p.file.name;
}

class FaultFileTest : public ::testing::TestWithParam<FileParam> {};

TEST_P(FaultFileTest, RefusedFloorEndsWithOneAndEverythingElsePlays)
{
    const FileParam &p = GetParam();
    if (p.isFloor && !p.file.accepted)
        EXPECT_EQ(startWithFile(p, {"Incorrect texture type", "Error loading textures"}), 1);
    else
        EXPECT_EQ(startWithFile(p, {}), PLAYING);
}

// Every case of a table, for one of the two files.
static std::vector<FileParam> casesOf(int isFloor)
{
    std::vector<FileParam> params;
    for (const ImageCase &c : isFloor ? bitmapCases() : tgaCases())
        params.push_back({isFloor, c});
    return params;
}

// The case's name as the test's name.
static std::string caseName(const ::testing::TestParamInfo<FileParam> &info)
{
    return info.param.file.name;
}

INSTANTIATE_TEST_SUITE_P(Floor, FaultFileTest, ::testing::ValuesIn(casesOf(1)), caseName);
INSTANTIATE_TEST_SUITE_P(Font, FaultFileTest, ::testing::ValuesIn(casesOf(0)), caseName);
