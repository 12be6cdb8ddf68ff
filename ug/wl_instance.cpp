// Bringing the game window forward over Wayland, where no client can raise a window itself: the
// compositor is asked to activate it, with a later start's token or one of our own.
#include "ug/wl_platform.h"

#include "xdg-activation-v1-client-protocol.h"

// A token the compositor made for us activates the surface once it arrives.
static void onToken(void *data, xdg_activation_token_v1 *request, const char *token)
{
    xdg_activation_v1_activate(wl.activation, token, (wl_surface *)data);
    xdg_activation_token_v1_destroy(request);
}

static const xdg_activation_token_v1_listener tokenListener = {onToken};

// Without the start's token, a token of our own tied to the player's latest input.
int wlBringForward(EGLNativeWindowType window, const char *token)
{
    UgNativeWindow *w = ugFindNative(window);
    if (!w || !wl.activation)
        return 0;
    wl_surface *surface = wlWindowOf(w)->surface;
    if (*token) {
        xdg_activation_v1_activate(wl.activation, token, surface);
        return 1;
    }
    xdg_activation_token_v1 *request = xdg_activation_v1_get_activation_token(wl.activation);
    xdg_activation_token_v1_add_listener(request, &tokenListener, surface);
    if (wl.seat)
        xdg_activation_token_v1_set_serial(request, wl.lastSerial, wl.seat);
    xdg_activation_token_v1_set_surface(request, surface);
    xdg_activation_token_v1_commit(request);
    return 1;
}
