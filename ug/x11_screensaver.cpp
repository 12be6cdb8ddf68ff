// The screen saver over the X screen saver extension: kept from starting while the game wants.
#include "ug/x11_platform.h"

#include <X11/extensions/scrnsaver.h>

// The server counts a client's suspensions and releases only as many: each state change is sent
// once, however often the same state is asked for.
static int suspended;
static int extension = -1;  // 1 when the server can suspend its screen saver; -1 until asked

void x11InhibitIdle(UgDisplay *display, int inhibit)
{
    inhibit = inhibit != 0;
    if (inhibit == suspended)
        return;
    Display *connection = display ? (Display *)display->deviceContext : nullptr;
    if (!connection)
        return;
    if (extension < 0) {
        int eventBase, errorBase, major = 0, minor = 0;
        // Suspending came with version 1.1.
        extension = XScreenSaverQueryExtension(connection, &eventBase, &errorBase) &&
                    XScreenSaverQueryVersion(connection, &major, &minor) && (major > 1 || minor >= 1);
    }
    if (!extension)
        return;
    XScreenSaverSuspend(connection, inhibit ? True : False);
    XFlush(connection);
    suspended = inhibit;
}
