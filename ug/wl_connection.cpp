// The connection to the compositor: the globals it offers, its outputs, and the loop's reading and
// waiting.
#include "ug/wl_platform.h"

#include "fractional-scale-v1-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-activation-v1-client-protocol.h"

#include <EGL/eglext.h>
#include <libdecor.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

WlState wl;

// Where the compositor tells of no output, a common desktop's size is assumed.
constexpr int ASSUMED_OUTPUT_WIDTH = 1280, ASSUMED_OUTPUT_HEIGHT = 960;

// The output's place, mode and scale, as the compositor tells them.
static void onOutputGeometry(void *data, wl_output *, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char *,
                             const char *, int32_t)
{
    WlOutput *o = (WlOutput *)data;
    o->x = x;
    o->y = y;
}

static void onOutputMode(void *data, wl_output *, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    WlOutput *o = (WlOutput *)data;
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        o->width = width;
        o->height = height;
    }
}

static void onOutputDone(void *, wl_output *) {}

static void onOutputScale(void *data, wl_output *, int32_t factor)
{
    ((WlOutput *)data)->scale = factor;
}

// Outputs are bound at version 2, which has no name or description.
static const wl_output_listener outputListener = {onOutputGeometry, onOutputMode, onOutputDone, onOutputScale,
                                                  nullptr, nullptr};

// Binds the globals the layer uses, at the versions it speaks.
static void onGlobal(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    auto bind = [&](const wl_interface *type, uint32_t highest) {
        return wl_registry_bind(registry, name, type, version < highest ? version : highest);
    };
    if (strcmp(interface, wl_compositor_interface.name) == 0) {
        wl.compositor = (wl_compositor *)bind(&wl_compositor_interface, 4);
    } else if (strcmp(interface, wl_shm_interface.name) == 0) {
        wl.shm = (wl_shm *)bind(&wl_shm_interface, 1);
    } else if (strcmp(interface, wl_seat_interface.name) == 0) {
        wlBindSeat(name, version);
    } else if (strcmp(interface, wp_viewporter_interface.name) == 0) {
        wl.viewporter = (wp_viewporter *)bind(&wp_viewporter_interface, 1);
    } else if (strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
        wl.fractionalScaleManager = (wp_fractional_scale_manager_v1 *)bind(&wp_fractional_scale_manager_v1_interface, 1);
    } else if (strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        wl.activation = (xdg_activation_v1 *)bind(&xdg_activation_v1_interface, 1);
    } else if (strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0) {
        wl.idleInhibitManager = (zwp_idle_inhibit_manager_v1 *)bind(&zwp_idle_inhibit_manager_v1_interface, 1);
    } else if (strcmp(interface, wl_output_interface.name) == 0) {
        for (WlOutput &o : wl.outputs) {
            if (!o.output) {
                o = WlOutput{(wl_output *)bind(&wl_output_interface, 2), name, 0, 0, 0, 0, 1};
                wl_output_add_listener(o.output, &outputListener, &o);
                break;
            }
        }
    }
}

static void onGlobalRemove(void *, wl_registry *, uint32_t name)
{
    for (WlOutput &o : wl.outputs) {
        if (o.output && o.name == name) {
            wl_output_destroy(o.output);
            o = WlOutput{};
        }
    }
}

static const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

// A compositor libdecor cannot work with leaves the game nothing to show in.
static void onDecorError(libdecor *, libdecor_error, const char *message)
{
    fprintf(stderr, "rinkslider: Wayland decorations: %s\n", message);
    _exit(2);
}

// libdecor keeps room for later handlers, left empty.
static libdecor_interface decorInterface = [] {
    libdecor_interface handlers{};
    handlers.error = onDecorError;
    return handlers;
}();

// 1 when a compositor may be listening: a socket handed over, or the named (else default) one
// there. The Wayland library would say on stderr what it misses, where the game falls back quietly.
static int compositorOffered()
{
    const char *handed = getenv("WAYLAND_SOCKET"), *name = getenv("WAYLAND_DISPLAY");
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    if (handed && *handed)
        return 1;
    name = name && *name ? name : "wayland-0";
    char path[PATH_MAX];
    int length = name[0] == '/' ? snprintf(path, sizeof path, "%s", name)
                                : snprintf(path, sizeof path, "%s/%s", runtime ? runtime : "", name);
    return (name[0] == '/' || (runtime && *runtime)) && length < (int)sizeof path && access(path, F_OK) == 0;
}

void *wlConnect()
{
    static int tried;
    if (wl.display || tried)
        return wl.display;
    tried = 1;
    wl.display = compositorOffered() ? wl_display_connect(nullptr) : nullptr;
    if (!wl.display)
        return nullptr;
    wl.repeatDue = UG_NEVER;
    wl.registry = wl_display_get_registry(wl.display);
    wl_registry_add_listener(wl.registry, &registryListener, nullptr);
    // The first round trip brings the globals, the second what they tell of themselves.
    wl_display_roundtrip(wl.display);
    wl_display_roundtrip(wl.display);
    if (wl.compositor && wl.shm)
        wl.decor = libdecor_new(wl.display, &decorInterface);
    if (!wl.decor) {
        wl_display_disconnect(wl.display);
        wl = WlState{};
        return nullptr;
    }
    return wl.display;
}

EGLDisplay wlEglDisplay(void *connection)
{
    return eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, connection, nullptr);
}

void wlReadDesktop(UgDesktop *desktop)
{
    *desktop = UgDesktop{};
    for (const WlOutput &o : wl.outputs) {
        if (o.output && o.width > 0 && desktop->monitorCount < UG_MAX_MONITORS) {
            int scale = o.scale > 0 ? o.scale : 1;
            desktop->monitors[desktop->monitorCount++] = UgRect{o.x, o.y, o.x + o.width / scale, o.y + o.height / scale};
        }
    }
    if (!desktop->monitorCount)
        desktop->monitors[desktop->monitorCount++] = UgRect{0, 0, ASSUMED_OUTPUT_WIDTH, ASSUMED_OUTPUT_HEIGHT};
    // Wayland tells a client nothing of the pointer beyond its own surfaces, nor of panels.
    desktop->pointerX = desktop->pointerY = -1;
    desktop->workArea = desktop->monitors[0];
}

void wlReadEvents()
{
    if (ugQueueHasRoom() && libdecor_dispatch(wl.decor, 0) < 0) {
        fprintf(stderr, "rinkslider: the Wayland connection is lost\n");
        _exit(2);
    }
    wlRepeatKeys();
    // The loop reads again once the paint that asked for a frame has been committed: from then on
    // the wait is the compositor's, however long drawing took.
    long long now = ugNowUs();
    for (WlWindow &ww : wlWindows)
        if (ww.frameCallback && !ww.frameAsked)
            ww.frameAsked = now;
}

void wlWaitEvents(long long waitUs)
{
    if (wl.repeatDue != UG_NEVER) {
        long long untilRepeat = wl.repeatDue - ugNowUs();
        if (waitUs < 0 || untilRepeat < waitUs)
            waitUs = untilRepeat > 0 ? untilRepeat : 0;
    }
    wl_display_flush(wl.display);
    ugWaitReadable(wl_display_get_fd(wl.display), waitUs);
}
