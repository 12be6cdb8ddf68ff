// The window layer's pieces without a server: placement on the desktop, BMP output and the
// instance lock's folder.
#include <gtest/gtest.h>

#include "support/game_session.h"
#include "ug/instance.h"
#include "ug/x11_platform.h"

#include <errno.h>
#include <filesystem>
#include <fstream>
#include <string.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

TEST(UgPlacement, OneMonitorUnderThePointerInsideTheWorkAreaAndFrame)
{
    const UgRect left{0, 0, 1920, 1080}, right{1920, 0, 3840, 1080}, panelled{0, 0, 3840, 1050};
    const UgRect noFrame{0, 0, 0, 0}, frame{1, 20, 1, 5};
    const struct {
        const char *what;
        int pointerX, pointerY;
        X11Manager manager;
        UgRect workArea, frame, want;
    } table[] = {
        {"no manager: the whole monitor under the pointer", 100, 100, X11_NO_MANAGER, panelled, noFrame, left},
        {"no manager, pointer off every monitor: the primary", 5000, 5000, X11_NO_MANAGER, panelled, noFrame, right},
        {"plain manager: its part of the work area less the frame", 2000, 10, X11_MANAGER_PLAIN, panelled, frame,
         {1921, 20, 3839, 1045}},
        {"plain manager, work area off the monitor: the monitor less the frame", 2000, 10, X11_MANAGER_PLAIN,
         {0, 0, 1280, 800}, frame, {1921, 20, 3839, 1075}},
        {"maximising manager: un-maximised inside the work area", 100, 100, X11_MANAGER_MAXIMISES, panelled, frame,
         {240, 131, 1680, 919}},
    };
    for (const auto &row : table) {
        X11Desktop desktop{{{left, right}, 2, 1, row.pointerX, row.pointerY, row.workArea}, row.manager, row.frame};
        UgRect got = x11ClientArea(&desktop);
        EXPECT_EQ(std::vector<int>({got.left, got.top, got.right, got.bottom}),
                  std::vector<int>({row.want.left, row.want.top, row.want.right, row.want.bottom}))
            << row.what;
    }
}

// The bytes of a file.
static std::string contents(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(UgBmp, ANewFileGetsTheUmasksModeAndAReplacedOneKeepsItsOwn)
{
    static const uint8_t pixel[4] = {};
    fs::path dir = fs::temp_directory_path() / ("ugbmp-" + std::to_string(getpid())), path = dir / "shot.bmp";
    fs::create_directories(dir);
    mode_t saved = umask(027);
    ASSERT_EQ(ugWriteBmp(path.c_str(), pixel, 1, 1), 1);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    fs::permissions(path, fs::perms(0604));
    ASSERT_EQ(ugWriteBmp(path.c_str(), pixel, 1, 1), 1);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
    umask(saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
    fs::remove_all(dir);
}

TEST(UgBmp, AFailedWriteSaysWhyAndLeavesTheOldFileAndNothingElse)
{
    static const uint8_t pixels[200 * 200 * 4] = {};
    // A real small file system, filled, and then made read-only.
    const struct {
        unsigned long flags;
        int error;
    } rows[] = {{0, ENOSPC}, {MS_RDONLY, EROFS}};
    for (const auto &row : rows) {
        fs::path dir = fs::temp_directory_path() / ("ugfail-" + std::to_string(getpid()));
        fs::create_directories(dir);
        if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
            fs::remove_all(dir);
            GTEST_SKIP() << "mounting a small tmpfs needs root: " << strerror(errno);
        }
        std::ofstream(dir / "shot.bmp") << "precious";
        if (row.flags) {
            ASSERT_EQ(mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | row.flags, "size=64k"), 0);
        }
        errno = 0;
        EXPECT_EQ(ugWriteBmp((dir / "shot.bmp").c_str(), pixels, 200, 200), 0);
        EXPECT_EQ(errno, row.error) << strerror(errno);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
        EXPECT_EQ(contents(dir / "shot.bmp"), "precious");
        umount2(dir.c_str(), MNT_DETACH);
        fs::remove_all(dir);
    }
}

TEST(UgInstance, TheLockGoesOnlyIntoARuntimeFolderNoOtherUserCanEnterOrWrite)
{
    const struct {
        const char *what;
        fs::perms mode;
        uid_t owner;  // 0: the tests' own
        bool used;
    } rows[] = {
        {"private", fs::perms::owner_all, 0, true},
        {"open to others", fs::perms::owner_all | fs::perms::others_exec, 0, false},
        {"writable by the group", fs::perms::owner_all | fs::perms::group_write, 0, false},
        // Last: without root it is skipped.
        {"another user's", fs::perms::owner_all, 65534, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        fs::path dir = scratchDir();
        fs::permissions(dir, row.mode);
        if (row.owner && (geteuid() != 0 || chown(dir.c_str(), row.owner, row.owner) != 0))
            GTEST_SKIP() << "giving a folder to another user needs root";
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        // Elsewhere, in a private folder of its own, the lock is still had.
        EXPECT_EQ(claimInstance(dir.c_str(), 0), INSTANCE_OURS);
        EXPECT_EQ(!fs::is_empty(dir), row.used);
    }
}
