// The platform in use.
#include "ug/platform.h"

#include <stdlib.h>
#include <string.h>

static const UgPlatform *chosen;

const UgPlatform *ugPlatform()
{
    // In the order they are tried: a desktop that runs a compositor serves X11 clients only for old programs.
    static const UgPlatform *const platforms[] = {&waylandPlatform, &x11Platform};
    const int count = sizeof platforms / sizeof platforms[0];
    if (chosen)
        return chosen;
    const char *forced = getenv("RINKSLIDER_PLATFORM");
    for (int i = 0; i < count && !chosen; i++)
        if (forced && strcmp(forced, platforms[i]->id) == 0)
            chosen = platforms[i];
    // The last is taken untried: opening the display says what failed.
    for (int i = 0; i < count && !chosen; i++)
        if (i == count - 1 || platforms[i]->connect())
            chosen = platforms[i];
    return chosen;
}
