// The screen saver over the X screen saver extension: kept from starting while the game wants.
#include "ug/x11_platform.h"

#include <X11/extensions/scrnsaver.h>

// The server counts a client's suspensions and releases only as many: each state change is sent
// once, however often the same state is asked for.
void x11InhibitIdle(UgDisplay *, int inhibit)
{
    inhibit = inhibit != 0;
    Display *connection = x11.display;
    if (inhibit == x11.screenSaverSuspended || !connection)
        return;
    int &extension = x11.screenSaverExtension;
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
    x11.screenSaverSuspended = inhibit;
}
