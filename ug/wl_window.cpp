// Native windows over Wayland: the connection and its globals, toplevels through libdecor (the
// compositor's own decorations where it offers them), buffers at the output's scale, frames paced
// by the compositor, and the waits of the loop.
#include "ug/dialogs.h"
#include "ug/instance.h"
#include "ug/wl_platform.h"

#include "fractional-scale-v1-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-activation-v1-client-protocol.h"

#include <EGL/eglext.h>
#include <libdecor.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

WlState wl;
WlWindow wlWindows[UG_MAX_WINDOWS];

// A frame the compositor has not asked for in this long means nothing of the window shows.
constexpr long long HIDDEN_AFTER_US = 1000000;
// Where the compositor tells of no output, a common desktop's size is assumed.
constexpr int ASSUMED_OUTPUT_WIDTH = 1280, ASSUMED_OUTPUT_HEIGHT = 960;

WlWindow *wlWindowOf(const UgNativeWindow *w)
{
    return &wlWindows[w - nativeWindows];
}

UgNativeWindow *wlWindowOfSurface(wl_surface *surface)
{
    for (int i = 0; i < UG_MAX_WINDOWS; i++)
        if (surface && nativeWindows[i].id && wlWindows[i].surface == surface)
            return &nativeWindows[i];
    return nullptr;
}

// The largest whole scale of the outputs the surface shows on.
static int outputScale(const WlWindow *ww)
{
    int scale = 1;
    for (int i = 0; i < WL_MAX_OUTPUTS; i++)
        if ((ww->outputsEntered & (1u << i)) && wl.outputs[i].scale > scale)
            scale = wl.outputs[i].scale;
    return scale;
}

int wlBufferScale(const WlWindow *ww)
{
    if (ww->drawnInMemory)
        return WL_SCALE_UNIT;
    if (ww->preferredScale && ww->viewport)
        return ww->preferredScale;
    return outputScale(ww) * WL_SCALE_UNIT;
}

// Through a viewport the compositor scales the picture down to the fractional scale.
int wlPictureScale(const WlWindow *ww)
{
    if (ww->preferredScale && ww->viewport)
        return (ww->preferredScale + WL_SCALE_UNIT - 1) / WL_SCALE_UNIT;
    return outputScale(ww);
}

// Sizes the buffer to the logical size at the window's scale; a new size reaches the procedure.
static void applySize(UgNativeWindow *w)
{
    WlWindow *ww = wlWindowOf(w);
    int scale = wlBufferScale(ww);
    int width = (ww->logicalWidth * scale + WL_SCALE_UNIT / 2) / WL_SCALE_UNIT;
    int height = (ww->logicalHeight * scale + WL_SCALE_UNIT / 2) / WL_SCALE_UNIT;
    // Without a viewport the buffer scale goes out with the first buffer drawn at it: any commit
    // between would pair the old buffer with a scale its size may not divide.
    if (ww->viewport) {
        wl_surface_set_buffer_scale(ww->surface, 1);
        wp_viewport_set_destination(ww->viewport, ww->logicalWidth, ww->logicalHeight);
    }
    if (ww->drawnInMemory && wlPictureScale(ww) != ww->pictureScale)
        w->invalid = 1;
    if (width == w->width && height == w->height)
        return;
    w->width = width;
    w->height = height;
    w->invalid = 1;
    wl_egl_window_resize(ww->eglWindow, width, height, 0, 0);
    ugPostMessage(w->id, WM_SIZE, 0, ugPackPair(width, height));
}

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

// Connects once; a compositor without what a window needs counts as none.
static void *wlConnect()
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

static EGLDisplay wlEglDisplay(void *connection)
{
    return eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, connection, nullptr);
}

// The compositor gives the window a size and state (zero: ours to choose); the frame takes it.
static void onConfigure(libdecor_frame *frame, libdecor_configuration *configuration, void *data)
{
    UgNativeWindow *w = (UgNativeWindow *)data;
    WlWindow *ww = wlWindowOf(w);
    int width, height;
    if (libdecor_configuration_get_content_size(configuration, frame, &width, &height) && width > 0 && height > 0) {
        ww->logicalWidth = width;
        ww->logicalHeight = height;
    }
    libdecor_window_state state;
    if (libdecor_configuration_get_window_state(configuration, &state)) {
        ww->maximised = (state & LIBDECOR_WINDOW_STATE_MAXIMIZED) != 0;
        ww->fullscreen = (state & LIBDECOR_WINDOW_STATE_FULLSCREEN) != 0;
    }
    libdecor_state *size = libdecor_state_new(ww->logicalWidth, ww->logicalHeight);
    libdecor_frame_commit(frame, size, configuration);
    libdecor_state_free(size);
    w->mapped = 1;
    applySize(w);
}

static void onClose(libdecor_frame *, void *data)
{
    ugPostMessage(((UgNativeWindow *)data)->id, WM_CLOSE, 0, 0);
}

static void onCommit(libdecor_frame *, void *data)
{
    wl_surface_commit(wlWindowOf((UgNativeWindow *)data)->surface);
}

static void onDismissPopup(libdecor_frame *, const char *, void *) {}

static libdecor_frame_interface frameInterface = [] {
    libdecor_frame_interface handlers{};
    handlers.configure = onConfigure;
    handlers.close = onClose;
    handlers.commit = onCommit;
    handlers.dismiss_popup = onDismissPopup;
    return handlers;
}();

// The outputs the surface shows on set its integer scale.
static void followOutput(UgNativeWindow *w, wl_output *output, int entered)
{
    unsigned &outputs = wlWindowOf(w)->outputsEntered;
    for (int i = 0; i < WL_MAX_OUTPUTS; i++)
        if (wl.outputs[i].output == output)
            outputs = entered ? outputs | 1u << i : outputs & ~(1u << i);
    applySize(w);
}

static void onSurfaceEnter(void *data, wl_surface *, wl_output *output)
{
    followOutput((UgNativeWindow *)data, output, 1);
}

static void onSurfaceLeave(void *data, wl_surface *, wl_output *output)
{
    followOutput((UgNativeWindow *)data, output, 0);
}

static const wl_surface_listener surfaceListener = {onSurfaceEnter, onSurfaceLeave};

static void onPreferredScale(void *data, wp_fractional_scale_v1 *, uint32_t scale)
{
    UgNativeWindow *w = (UgNativeWindow *)data;
    wlWindowOf(w)->preferredScale = (int)scale;
    applySize(w);
}

static const wp_fractional_scale_v1_listener fractionalScaleListener = {onPreferredScale};

// The window's frame and its buffer's scale; the id is its EGL window, which a dialog also has
// though it draws in shared memory.
static EGLNativeWindowType wlCreateWindow(UgNativeWindow *slot, const char *, const char *title, unsigned long,
                                          UgRect rect)
{
    WlWindow *ww = wlWindowOf(slot);
    *ww = WlWindow{};
    ww->logicalWidth = rect.right - rect.left;
    ww->logicalHeight = rect.bottom - rect.top;
    ww->surface = wl_compositor_create_surface(wl.compositor);
    if (!ww->surface)
        return 0;
    wl_surface_add_listener(ww->surface, &surfaceListener, slot);
    if (wl.viewporter && wl.fractionalScaleManager) {
        ww->viewport = wp_viewporter_get_viewport(wl.viewporter, ww->surface);
        ww->fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(wl.fractionalScaleManager, ww->surface);
        wp_fractional_scale_v1_add_listener(ww->fractionalScale, &fractionalScaleListener, slot);
    }
    ww->eglWindow = wl_egl_window_create(ww->surface, ww->logicalWidth, ww->logicalHeight);
    ww->frame = ww->eglWindow ? libdecor_decorate(wl.decor, ww->surface, &frameInterface, slot) : nullptr;
    if (!ww->frame) {
        if (ww->eglWindow)
            wl_egl_window_destroy(ww->eglWindow);
        wl_surface_destroy(ww->surface);
        *ww = WlWindow{};
        return 0;
    }
    slot->id = (EGLNativeWindowType)ww->eglWindow;
    slot->width = ww->logicalWidth;
    slot->height = ww->logicalHeight;
    libdecor_frame_set_title(ww->frame, title);
    // The desktop entry's id: the compositor finds the name and icon there.
    libdecor_frame_set_app_id(ww->frame, "rinkslider");
    libdecor_frame_set_min_content_size(ww->frame, UG_MIN_CLIENT_WIDTH, UG_MIN_CLIENT_HEIGHT);
    slot->proc(slot->id, WM_CREATE, 0, 0);
    libdecor_frame_map(ww->frame);
    // The window exists for the rest of the layer once the compositor has given it its size.
    while (!slot->mapped && libdecor_dispatch(wl.decor, -1) >= 0) {
    }
    return slot->id;
}

static void wlDestroyWindow(UgNativeWindow *w)
{
    WlWindow *ww = wlWindowOf(w);
    wlForgetFocus(w);
    if (ww->frameCallback)
        wl_callback_destroy(ww->frameCallback);
    if (ww->inhibitor)
        zwp_idle_inhibitor_v1_destroy(ww->inhibitor);
    wlFreePicture(ww);
    libdecor_frame_unref(ww->frame);
    if (ww->fractionalScale)
        wp_fractional_scale_v1_destroy(ww->fractionalScale);
    if (ww->viewport)
        wp_viewport_destroy(ww->viewport);
    wl_egl_window_destroy(ww->eglWindow);
    wl_surface_destroy(ww->surface);
    *ww = WlWindow{};
    wl_display_flush(wl.display);
}

static UgRect wlClientRect(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w ? UgRect{0, 0, w->width, w->height} : UgRect{0, 0, 0, 0};
}

// Wayland tells a client where the pointer is only over its own surfaces.
static void wlCursorPos(int *x, int *y)
{
    *x = wl.pointerX;
    *y = wl.pointerY;
}

// The outputs as monitors; the compositor maximises, places and frames the window itself.
static void wlReadDesktop(EGLNativeWindowType, UgDesktop *desktop)
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
    desktop->pointerX = desktop->pointerY = -1;
    desktop->workArea = desktop->monitors[0];
    desktop->manager = UG_MANAGER_MAXIMISES;
}

static void wlMaximiseWindow(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    if (!w)
        return;
    libdecor_frame_set_maximized(wlWindowOf(w)->frame);
    // As on X11: from now on the compositor keeps it fitted, and the player's size sticks.
    w->fittedWidth = w->fittedHeight = 0;
}

// A Wayland client cannot place its window; it can only ask for a size.
static void wlPlaceWindow(EGLNativeWindowType window, UgRect client)
{
    UgNativeWindow *w = ugFindNative(window);
    if (!w)
        return;
    WlWindow *ww = wlWindowOf(w);
    ww->logicalWidth = client.right - client.left;
    ww->logicalHeight = client.bottom - client.top;
    libdecor_state *size = libdecor_state_new(ww->logicalWidth, ww->logicalHeight);
    libdecor_frame_commit(ww->frame, size, nullptr);
    libdecor_state_free(size);
    applySize(w);
    w->fittedWidth = w->width;
    w->fittedHeight = w->height;
}

static int wlFillsDesktop(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w && !wlWindowOf(w)->fullscreen && w->width == w->fittedWidth && w->height == w->fittedHeight;
}

static void wlReadEvents()
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

// Sleeps until the compositor speaks, a later start knocks, a held key repeats or the deadline passed.
static void wlWaitEvents(long long waitUs)
{
    if (wl.repeatDue != UG_NEVER) {
        long long untilRepeat = wl.repeatDue - ugNowUs();
        if (waitUs < 0 || untilRepeat < waitUs)
            waitUs = untilRepeat > 0 ? untilRepeat : 0;
    }
    wl_display_flush(wl.display);
    pollfd p[2] = {{wl_display_get_fd(wl.display), POLLIN, 0}, {instanceWakeFd, POLLIN, 0}};  // -1: left out
    poll(p, 2, waitUs < 0 ? -1 : (int)((waitUs + 999) / 1000));
}

static int wlCanBeSeen(const UgNativeWindow *w)
{
    return w->mapped;
}

static void onFrameDone(void *data, wl_callback *callback, uint32_t)
{
    UgNativeWindow *w = (UgNativeWindow *)data;
    wl_callback_destroy(callback);
    wlWindowOf(w)->frameCallback = nullptr;
    w->frameDue = 0;
}

static const wl_callback_listener frameListener = {onFrameDone};

// The next frame comes when the compositor asks for it, which it stops doing while nothing of the
// window shows; the request and the buffer scale go out with the paint's commit.
static void wlFramePosted(UgNativeWindow *w, long long)
{
    WlWindow *ww = wlWindowOf(w);
    if (!ww->viewport && !ww->drawnInMemory)
        wl_surface_set_buffer_scale(ww->surface, wlBufferScale(ww) / WL_SCALE_UNIT);
    w->frameDue = UG_NEVER;
    if (ww->frameCallback)
        return;
    ww->frameCallback = wl_surface_frame(ww->surface);
    wl_callback_add_listener(ww->frameCallback, &frameListener, w);
    ww->frameAsked = 0;
}

static void wlToggleFullscreen(UgNativeWindow *w)
{
    WlWindow *ww = wlWindowOf(w);
    if (ww->fullscreen)
        libdecor_frame_unset_fullscreen(ww->frame);
    else
        libdecor_frame_set_fullscreen(ww->frame, nullptr);
}

// Wayland does not say that a window is minimised; a frame long asked for and not given does.
static int wlIsMinimised(const UgNativeWindow *w)
{
    const WlWindow *ww = wlWindowOf(w);
    return !w->mapped || (ww->frameCallback && ww->frameAsked && ugNowUs() - ww->frameAsked > HIDDEN_AFTER_US);
}

// The idle inhibitor rides on the game window's surface: the compositor honours it while that shows.
static void wlInhibitIdle(UgDisplay *display, int inhibit)
{
    UgNativeWindow *w = display && display->windows ? ugFindNative(display->windows->nativeWindow) : nullptr;
    if (!w || !wl.idleInhibitManager)
        return;
    WlWindow *ww = wlWindowOf(w);
    if (inhibit && !ww->inhibitor) {
        ww->inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(wl.idleInhibitManager, ww->surface);
    } else if (!inhibit && ww->inhibitor) {
        zwp_idle_inhibitor_v1_destroy(ww->inhibitor);
        ww->inhibitor = nullptr;
    }
}

static float wlContentScale(const UgNativeWindow *w)
{
    return (float)wlBufferScale(wlWindowOf(w)) / WL_SCALE_UNIT;
}

// The seat's repeat, as the compositor told it; nothing before it did, or where it wants none.
static void wlKeyRepeat(int *delayMs, int *periodMs)
{
    *delayMs = wl.repeatDelayMs;
    *periodMs = wl.repeatPeriodMs;
}

const UgPlatform waylandPlatform = {
    "Wayland", "WAYLAND_DISPLAY", wlConnect, wlEglDisplay, 0, wlCreateWindow, wlDestroyWindow, wlClientRect,
    wlCursorPos, wlReadDesktop, wlMaximiseWindow, wlPlaceWindow, wlFillsDesktop, nullptr, wlReadEvents,
    wlWaitEvents, wlCanBeSeen, wlFramePosted, wlToggleFullscreen, wlIsMinimised, wlInhibitIdle, nullptr,
    wlContentScale, wlKeyRepeat, &waylandDialogs, wlBringForward,
};
