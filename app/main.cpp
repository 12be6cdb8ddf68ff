// The program entry: one instance at a time, the window class, the argument vector, then the game.
#include "app/app.h"
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <X11/Xlib.h>
#include <stdlib.h>
#include <string.h>

// The copy of the command line the arguments point into; it lives as long as the process.
char *commandLine;

// Looks for the running instance's window up to three times; 1 when it was found and brought forward.
static int raiseRunningInstance(const char *modulePath)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    InstanceSearch search{modulePath, 0};
    for (int pass = 0; pass < 3 && !findInstanceWindow(display, &search); pass++) {
    }
    if (search.foundWindow)
        bringForward(display, search.foundWindow);
    XCloseDisplay(display);
    return search.foundWindow != 0;
}

// Starts the game unless another instance runs, in which case that one comes forward.
int main(int argc, char **argv)
{
    static char modulePath[4096];
    // Without /proc the name we were started by is the best path there is.
    if (!ugModulePath(modulePath, sizeof modulePath))
        strncpy(modulePath, argv[0], sizeof modulePath - 1);
    char name[4096];
    instanceName(modulePath, name, sizeof name);
    if (claimInstance(name) == 0 && raiseRunningInstance(modulePath))
        return 0;
    registerWindowClass("ug window", ugWindowProc);
    static char *args[UG_MAX_ARGS];
    args[0] = modulePath;
    commandLine = joinCommandLine(argc, argv);
    int count = commandLine ? splitCommandLine(commandLine, args) : 1;
    return appMain(count, args);
}
