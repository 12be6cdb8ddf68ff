// Where a window goes on a desktop: the monitor it belongs on and the area it may take there.
#include "ug/ug_internal.h"

// 1 when the point lies inside the rectangle.
static int contains(UgRect r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

UgRect ugChosenMonitor(const UgDesktop *desktop)
{
    for (int i = 0; i < desktop->monitorCount; i++)
        if (contains(desktop->monitors[i], desktop->pointerX, desktop->pointerY))
            return desktop->monitors[i];
    int primary = desktop->primary >= 0 && desktop->primary < desktop->monitorCount ? desktop->primary : 0;
    return desktop->monitors[primary];
}

UgRect ugUsableArea(const UgDesktop *desktop)
{
    UgRect monitor = ugChosenMonitor(desktop);
    const UgRect &work = desktop->workArea;
    UgRect area{monitor.left > work.left ? monitor.left : work.left, monitor.top > work.top ? monitor.top : work.top,
                monitor.right < work.right ? monitor.right : work.right,
                monitor.bottom < work.bottom ? monitor.bottom : work.bottom};
    // A work area that misses the monitor says nothing about it.
    return area.right <= area.left || area.bottom <= area.top ? monitor : area;
}

UgRect ugRestoredRect(UgRect area)
{
    int marginX = (area.right - area.left) / 8, marginY = (area.bottom - area.top) / 8;
    return UgRect{area.left + marginX, area.top + marginY, area.right - marginX, area.bottom - marginY};
}
