// The program entry: one instance at a time, the window class, the argument vector, then the game.
#include "app/app.h"
#include "ug/command_line.h"
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <stdlib.h>
#include <string.h>

// The copy of the command line the arguments point into; it lives as long as the process.
char *commandLine;

// How long a start waits for the running instance's window, which it may not have made yet.
enum { INSTANCE_WAIT_MS = 5000 };

// Starts the game unless another instance runs, in which case that one comes forward.
int main(int argc, char **argv)
{
    static char modulePath[4096];
    // Without /proc the name we were started by is the best path there is.
    if (!ugModulePath(modulePath, sizeof modulePath))
        strncpy(modulePath, argv[0], sizeof modulePath - 1);
    char name[4096];
    instanceName(modulePath, name, sizeof name);
    if (claimInstance(name) == 0 && raiseRunningInstance(modulePath, INSTANCE_WAIT_MS))
        return 0;
    registerWindowClass("ug window", ugWindowProc);
    static char *args[UG_MAX_ARGS];
    args[0] = modulePath;
    commandLine = joinCommandLine(argc, argv);
    int count = commandLine ? splitCommandLine(commandLine, args) : 1;
    return appMain(count, args);
}
