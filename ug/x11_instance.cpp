// Bringing the game window forward on the X server, when a later start of the player's asks.
#include "ug/x11_platform.h"

// Raises the window and asks the window manager to activate it. X11 has no use for the token.
int x11BringForward(EGLNativeWindowType window, const char *)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = (Window)window;
    event.xclient.message_type = XInternAtom(xDisplay, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // a request from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(xDisplay, DefaultRootWindow(xDisplay), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XMapRaised(xDisplay, (Window)window);
    XFlush(xDisplay);
    return 1;
}
