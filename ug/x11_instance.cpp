// Bringing the game window forward on the X server, when a later start of the player's asks.
#include "ug/x11_platform.h"

// Raises the window and asks the window manager to activate it. X11 has no use for the token.
int x11BringForward(EGLNativeWindowType window, const char *)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = (Window)window;
    event.xclient.message_type = x11Atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // a request from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x11.display, DefaultRootWindow(x11.display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XMapRaised(x11.display, (Window)window);
    XFlush(x11.display);
    return 1;
}
