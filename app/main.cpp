// The program entry: one instance at a time, the window class, the argument vector, then the game.
#include "app/app.h"
#include "ug/command_line.h"
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The copy of the command line the arguments point into; it lives as long as the process.
char *commandLine;

// How long a start waits for the running game's answer, given from its loop once its window is made.
enum { INSTANCE_WAIT_MS = 5000 };

// Starts the game unless the player's game runs already, in which case that one comes forward.
int main(int argc, char **argv)
{
    static char modulePath[4096];
    // Without /proc the name we were started by is the best path there is.
    if (!ugModulePath(modulePath, sizeof modulePath))
        strncpy(modulePath, argv[0], sizeof modulePath - 1);
    char name[4096];
    instanceName(modulePath, name, sizeof name);
    switch (claimInstance(name, INSTANCE_WAIT_MS)) {
    case INSTANCE_CAME_FORWARD:
        return 0;
    case INSTANCE_STAYED:
        fputs("rinkslider: the game is running already; the desktop would not bring it forward\n", stderr);
        return 0;
    case INSTANCE_ELSEWHERE:
        fputs("rinkslider: the game is running already, on another display\n", stderr);
        return 0;
    case INSTANCE_OURS:
    case INSTANCE_UNLOCKED:
        break;
    }
    registerWindowClass("ug window", ugWindowProc);
    static char *args[UG_MAX_ARGS];
    args[0] = modulePath;
    commandLine = joinCommandLine(argc, argv);
    int count = commandLine ? splitCommandLine(commandLine, args) : 1;
    return appMain(count, args);
}
