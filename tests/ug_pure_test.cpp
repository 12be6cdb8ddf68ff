// The window layer's pure pieces: fitting, key table, attribute lists, command line, instance name, BMP output.
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

TEST(UgFitting, MenuBarComesOffUnlessThePanelIsShownAndDocked)
{
    int w, h;
    fitDesktopSize(UgRect{0, 0, 240, 294}, 0, 26, &w, &h);
    EXPECT_EQ(w, 240);
    EXPECT_EQ(h, 268);
    fitDesktopSize(UgRect{0, 0, 240, 214}, SIPF_ON | SIPF_DOCKED, 26, &w, &h);
    EXPECT_EQ(h, 214);
    fitDesktopSize(UgRect{0, 0, 240, 294}, SIPF_ON, 26, &w, &h);
    EXPECT_EQ(h, 268);
    // Without a menu bar the window gets the whole work area.
    fitDesktopSize(UgRect{10, 30, 650, 510}, 0, 0, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST(UgTranslateKey, SpecialKeysHaveCodesOthersNone)
{
    const struct { unsigned vk; int code; } table[] = {
        {VK_LEFT, UG_KEY_LEFT}, {VK_UP, UG_KEY_UP}, {VK_RIGHT, UG_KEY_RIGHT}, {VK_DOWN, UG_KEY_DOWN},
        {VK_PRIOR, UG_KEY_PAGE_UP}, {VK_NEXT, UG_KEY_PAGE_DOWN}, {VK_HOME, UG_KEY_HOME}, {VK_END, UG_KEY_END},
        {VK_INSERT, UG_KEY_INSERT}, {112, 201}, {117, 206}, {123, 212},
        {VK_SHIFT, 0}, {'Q', 0}, {VK_RETURN, 0}, {111, 0}, {124, 0}, {VK_DELETE, 0},
    };
    for (auto &row : table)
        EXPECT_EQ(ugTranslateKey(row.vk), row.code) << "virtual key " << row.vk;
}

TEST(EntryCommandLine, SplitsOnBlanksOnlyAndCapsTheVector)
{
    char *argv[UG_MAX_ARGS] = {};
    char empty[] = "";
    EXPECT_EQ(splitCommandLine(empty, argv), 1);
    char two[] = "   alpha  \t\"beta   ";
    ASSERT_EQ(splitCommandLine(two, argv), 3);
    EXPECT_STREQ(argv[1], "alpha");
    EXPECT_STREQ(argv[2], "\t\"beta");
    std::string many;
    for (int i = 0; i < 70; i++)
        many += "w" + std::to_string(i) + " ";
    std::vector<char> line(many.begin(), many.end());
    line.push_back(0);
    ASSERT_EQ(splitCommandLine(line.data(), argv), UG_MAX_ARGS);
    EXPECT_STREQ(argv[63], "w62");

    char prog[] = "prog", a[] = "a b", b[] = "c";
    char *args[] = {prog, a, b};
    char *joined = joinCommandLine(3, args);
    EXPECT_STREQ(joined, "a b c");
    free(joined);
}

TEST(EntryInstance, NameUsesForwardSlashesAndTheLockIsExclusive)
{
    char name[64];
    instanceName("\\Windows\\game.exe", name, sizeof name);
    EXPECT_STREQ(name, "/Windows/game.exe");
    std::string unique = "/tmp/rinkslider-lock-test-" + std::to_string(getpid());
    EXPECT_EQ(claimInstance(unique.c_str()), 1);
    EXPECT_EQ(claimInstance(unique.c_str()), 0);
    EXPECT_EQ(claimInstance((unique + "-other").c_str()), 1);
}

TEST(UgText, WideAndUtf8RoundTrip)
{
    char narrow[32];
    wchar_t wide[32];
    ASSERT_NE(ugWideToUtf8(L"Tor\u00e9 \u20ac.bmp", narrow, sizeof narrow), 0u);
    EXPECT_STREQ(narrow, "Tor\xc3\xa9 \xe2\x82\xac.bmp");
    ASSERT_NE(ugUtf8ToWide(narrow, wide, 32), 0u);
    EXPECT_EQ(wcscmp(wide, L"Tor\u00e9 \u20ac.bmp"), 0);
    EXPECT_EQ(ugWideToUtf8(L"too long for four", narrow, 4), 0u);
}

// Reads a whole file.
static std::vector<uint8_t> readFile(const std::string &path)
{
    std::vector<uint8_t> data;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    int c;
    while ((c = fgetc(f)) != EOF)
        data.push_back((uint8_t)c);
    fclose(f);
    return data;
}

TEST(UgBmp, WritesPaddedBottomUpBgrRowsAndReplacesOnlyWhole)
{
    char dir[] = "/tmp/ugbmpXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::string path = std::string(dir) + "/shot.bmp";
    // 3 x 2 RGBA, bottom row first: red, green, blue / white, black, grey.
    const uint8_t rgba[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                            255, 255, 255, 255, 0, 0, 0, 255, 128, 128, 128, 255};
    ASSERT_EQ(ugWriteBmp(path.c_str(), rgba, 3, 2), 1);
    std::vector<uint8_t> bmp = readFile(path);
    ASSERT_EQ(bmp.size(), 54u + 2 * 12);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[10], 54);
    EXPECT_EQ(bmp[18], 3);
    EXPECT_EQ(bmp[22], 2);
    EXPECT_EQ(bmp[28], 24);
    const uint8_t rows[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,
                            255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};
    EXPECT_EQ(memcmp(bmp.data() + 54, rows, sizeof rows), 0);
    // A save that cannot complete leaves the old file alone and no temporary behind.
    EXPECT_EQ(ugWriteBmp((std::string(dir) + "/missing/x.bmp").c_str(), rgba, 3, 2), 0);
    EXPECT_EQ(ugWriteBmp(path.c_str(), rgba, 0, 2), 0);
    EXPECT_EQ(readFile(path).size(), 78u);
    std::string cleanup = std::string("rm -rf ") + dir;
    EXPECT_EQ(system(cleanup.c_str()), 0);
}
