// Saving screenshots: the dialogs, modal to the game window on a private Xvfb, text typed through the
// input method, and the files the BMP writer leaves when a write succeeds or fails.
#include <gtest/gtest.h>

#include "support/xserver.h"
#include "ug/ug_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <atomic>
#include <dirent.h>
#include <errno.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

static XServer server;
static UgWin *win;
static std::string home;
static std::vector<std::string> handled;
static std::atomic<int> ticks;

static void recordKey(UgWin *, int key, int, int) { handled.push_back("key " + std::to_string(key)); }
static void recordPointer(UgWin *, int, int, int, int) { handled.push_back("pointer"); }
static void countTick(UgWin *) { ticks++; }

// The names in a folder.
static std::vector<std::string> listDir(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    for (dirent *e; d && (e = readdir(d));)
        if (e->d_name[0] != '.' || (e->d_name[1] && e->d_name[1] != '.'))
            names.push_back(e->d_name);
    if (d)
        closedir(d);
    return names;
}

// Polls a condition every 10 ms for up to five seconds.
template <class F> static bool waitFor(F done)
{
    for (int i = 0; i < 500 && !done(); i++)
        usleep(10000);
    return done();
}

// The mapped top-level window with the title, 0 when there is none.
static Window findTitled(Display *d, const char *title)
{
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && !found; i++) {
        char *name = nullptr;
        XWindowAttributes a;
        if (XFetchName(d, children[i], &name) && name && std::string(name) == title &&
            XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
            found = children[i];
        XFree(name);
    }
    XFree(children);
    return found;
}

// The first value of a 32-bit property, 0 when unset.
static unsigned long property(Display *d, Window w, const char *name)
{
    Atom type;
    int format;
    unsigned long count, after, value = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && data && count)
        value = *(unsigned long *)data;
    XFree(data);
    return value;
}

// Sends the game window a key press or a button press as the server would, whoever has the focus.
static void sendToGame(Display *d, int type, unsigned detail)
{
    XEvent e{};
    e.xkey.type = type;
    e.xkey.window = win->nativeWindow;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.keycode = type == KeyPress ? XKeysymToKeycode(d, detail) : detail;
    e.xkey.same_screen = True;
    XSendEvent(d, win->nativeWindow, True, type == KeyPress ? KeyPressMask : ButtonPressMask, &e);
    XFlush(d);
}

// Types keys at the focused window through XTest; a symbol the keymap lacks first gets a free key.
static void typeKeys(Display *d, std::vector<KeySym> keys)
{
    for (KeySym sym : keys) {
        KeyCode code = XKeysymToKeycode(d, sym);
        int min, max, perCode;
        XDisplayKeycodes(d, &min, &max);
        for (int k = max; !code && k >= min; k--) {
            KeySym *syms = XGetKeyboardMapping(d, (KeyCode)k, 1, &perCode);
            if (syms[0] == NoSymbol) {
                XChangeKeyboardMapping(d, k, 1, &sym, 1);
                code = (KeyCode)k;
            }
            XFree(syms);
        }
        XTestFakeKeyEvent(d, code, True, CurrentTime);
        XTestFakeKeyEvent(d, code, False, CurrentTime);
        XSync(d, False);
    }
}

// 1 when the dialog's first message row shows exactly the text, drawn in "fixed" as the dialogs draw it.
static bool showsFirstRow(Display *d, Window w, const char *text)
{
    XWindowAttributes a;
    XFontStruct *font = XLoadQueryFont(d, "fixed");
    if (!font || !XGetWindowAttributes(d, w, &a))
        return false;
    const int band = 28;  // above the second row
    Pixmap want = XCreatePixmap(d, w, (unsigned)a.width, band, (unsigned)a.depth);
    GC gc = XCreateGC(d, want, 0, nullptr);
    XSetFont(d, gc, font->fid);
    XSetForeground(d, gc, WhitePixel(d, DefaultScreen(d)));
    XFillRectangle(d, want, gc, 0, 0, (unsigned)a.width, band);
    XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
    XDrawString(d, want, gc, 12, 24, text, (int)strlen(text));
    XImage *expected = XGetImage(d, want, 0, 0, (unsigned)a.width, band, AllPlanes, ZPixmap);
    XImage *seen = XGetImage(d, w, 0, 0, (unsigned)a.width, band, AllPlanes, ZPixmap);
    bool same = expected && seen;
    for (int y = 0; same && y < band; y++)
        for (int x = 0; same && x < a.width; x++)
            same = XGetPixel(expected, x, y) == XGetPixel(seen, x, y);
    XDestroyImage(expected);
    if (seen)
        XDestroyImage(seen);
    XFreeGC(d, gc);
    XFreePixmap(d, want);
    XFreeFont(d, font);
    return same;
}

static Window dialogSeen, dialogOwner, dialogType, errorOwner;
static bool errorShown, ticksWhileShown;

// Waits until the window has the keyboard.
static void waitForFocus(Display *d, Window w)
{
    waitFor([d, w] {
        Window focus;
        int revert;
        XGetInputFocus(d, &focus, &revert);
        return focus == w;
    });
}

// Opens "Save As" with "c"; while it is open, sends the game "c", an arrow and a click, then types
// "caf", a composed é, a layout's é and a backspace, and Enter. Then saves into a folder that is
// not there and answers the box, watching the game tick on behind it. Arrows before and after show
// the same key reaches the game when no dialog is open.
static void saveTwice(Display *d)
{
    sendToGame(d, KeyPress, XK_Left);
    sendToGame(d, KeyPress, XK_c);
    waitFor([d] { return (dialogSeen = findTitled(d, "Save As")) != 0; });
    dialogOwner = property(d, dialogSeen, "WM_TRANSIENT_FOR");
    dialogType = property(d, dialogSeen, "_NET_WM_WINDOW_TYPE");
    sendToGame(d, KeyPress, XK_c);
    sendToGame(d, KeyPress, XK_Right);
    sendToGame(d, ButtonPress, 1);
    waitForFocus(d, dialogSeen);
    typeKeys(d, {XK_c, XK_a, XK_f, XK_Multi_key, XK_apostrophe, XK_e, XK_eacute, XK_BackSpace, XK_Return});
    // Any second dialog is closed, so a game that opened one fails rather than hangs.
    for (int i = 0; i < 3 && !waitFor([d] { return !findTitled(d, "Save As"); }); i++)
        typeKeys(d, {XK_Escape});
    sendToGame(d, KeyPress, XK_c);
    Window dialog = 0, box = 0;
    waitFor([&] { return (dialog = findTitled(d, "Save As")) != 0; });
    waitForFocus(d, dialog);
    typeKeys(d, {XK_m, XK_i, XK_s, XK_s, XK_i, XK_n, XK_g, XK_slash, XK_x, XK_Return});
    errorShown = waitFor([&] {
        return (box = findTitled(d, "Error")) && showsFirstRow(d, box, "Can't save the screenshot: No such file or directory");
    });
    errorOwner = property(d, box, "WM_TRANSIENT_FOR");
    int before = ticks;
    ticksWhileShown = waitFor([before] { return ticks >= before + 3; });
    typeKeys(d, {XK_Return});
    waitFor([d] { return !findTitled(d, "Error"); });
    sendToGame(d, KeyPress, XK_Left);
}

TEST(UgDialogs, AreModalToTheGameTakeComposedAndLayoutCharactersAndShowWhyASaveFailed)
{
    server = startXServer(640, 480);
    ASSERT_NE(server.pid, 0);
    setenv("DISPLAY", server.name.c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);  // its compose table knows the sequence typed here
    unsetenv("XMODIFIERS");
    char dir[] = "/tmp/ugdialogXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    home = dir;
    setenv("HOME", dir, 1);
    registerWindowClass("ug window", ugWindowProc);
    UgDisplay *display = ugOpenDisplay();
    ASSERT_TRUE(display && (win = ugOpenWindow(display, "UG_DEPTH", "Rinkslider", 0, 0, 0, 0)));
    ugSetKeyHandler(win, recordKey);
    ugSetPointerHandler(win, recordPointer);
    ugSetIdleHandler(display, countTick);
    // The game's loop runs, dialogs included, while the driver works on a connection of its own.
    std::atomic<bool> driven{false};
    std::thread driver([&driven] {
        Display *d = XOpenDisplay(server.name.c_str());
        saveTwice(d);
        XCloseDisplay(d);
        driven = true;
    });
    UgMsg msg;
    for (time_t end = time(nullptr) + 30; !(driven && handled.size() >= 2) && time(nullptr) < end;)
        if (ugGetMessage(&msg)) {
            ugTranslateMessage(&msg);
            ugDispatchMessage(&msg);
        }
    driver.join();
    ASSERT_NE(dialogSeen, 0u);
    EXPECT_EQ(dialogOwner, win->nativeWindow);
    EXPECT_EQ(dialogType, XInternAtom((Display *)display->deviceContext, "_NET_WM_WINDOW_TYPE_DIALOG", False));
    EXPECT_EQ(handled, (std::vector<std::string>{"key 300", "key 300"}));
    EXPECT_EQ(listDir(home), std::vector<std::string>{"caf\xc3\xa9.bmp"});
    EXPECT_TRUE(errorShown);
    EXPECT_EQ(errorOwner, win->nativeWindow);
    EXPECT_TRUE(ticksWhileShown);
    stopXServer(&server);
    EXPECT_EQ(system(("rm -rf " + home).c_str()), 0);
}

// Reads a whole file.
static std::string readAll(const std::string &path)
{
    std::string data;
    FILE *f = fopen(path.c_str(), "rb");
    for (int c; f && (c = fgetc(f)) != EOF;)
        data += (char)c;
    if (f)
        fclose(f);
    return data;
}

static const uint8_t pixels[200 * 200 * 4] = {};

TEST(UgBmpFiles, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode)
{
    char dir[] = "/tmp/ugmodeXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::string path = std::string(dir) + "/shot.bmp";
    mode_t saved = umask(027);
    struct stat s;
    ASSERT_EQ(ugWriteBmp(path.c_str(), pixels, 1, 1), 1);
    ASSERT_EQ(stat(path.c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, 0640u);
    chmod(path.c_str(), 0604);
    ASSERT_EQ(ugWriteBmp(path.c_str(), pixels, 2, 2), 1);
    ASSERT_EQ(stat(path.c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, 0604u);
    EXPECT_EQ(s.st_size, 54 + 2 * 8);
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"shot.bmp"});
    umask(saved);
    EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
}

TEST(UgBmpFiles, AFailedWriteSaysWhyAndLeavesTheOldFileAndNothingElse)
{
    // A folder that is not there, then a real small file system, filled and then made read-only.
    const struct { const char *mount; unsigned long flags; int error; } rows[] = {
        {nullptr, 0, ENOENT}, {"size=64k", 0, ENOSPC}, {"size=64k", MS_RDONLY, EROFS},
    };
    for (auto &row : rows) {
        char dir[] = "/tmp/ugfailXXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        std::string folder = row.mount ? dir : std::string(dir) + "/missing";
        if (row.mount && mount("tmpfs", dir, "tmpfs", 0, row.mount) != 0) {
            rmdir(dir);
            GTEST_SKIP() << "mounting a small tmpfs needs root: " << strerror(errno);
        }
        std::string old = std::string(dir) + "/shot.bmp";
        FILE *f = fopen(old.c_str(), "w");
        ASSERT_TRUE(f);
        fputs("precious", f);
        fclose(f);
        if (row.flags) {
            ASSERT_EQ(mount(nullptr, dir, nullptr, MS_REMOUNT | row.flags, row.mount), 0);
        }
        errno = 0;
        EXPECT_EQ(ugWriteBmp((folder + "/shot.bmp").c_str(), pixels, 200, 200), 0);
        EXPECT_EQ(errno, row.error) << strerror(errno);
        EXPECT_EQ(listDir(dir), std::vector<std::string>{"shot.bmp"});
        EXPECT_EQ(readAll(old), "precious");
        if (row.mount)
            umount2(dir, MNT_DETACH);
        EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
    }
}
