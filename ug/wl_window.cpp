// Native windows over Wayland: toplevels through libdecor (the compositor's own decorations where
// it offers them), buffers at the output's scale, frames paced by the compositor, and the platform
// table.
#include "ug/dialogs.h"
#include "ug/wl_platform.h"

#include "fractional-scale-v1-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"

#include <libdecor.h>

WlWindow wlWindows[UG_MAX_WINDOWS];

// A frame the compositor has not asked for in this long means nothing of the window shows.
constexpr long long HIDDEN_AFTER_US = 1000000;

WlWindow *wlWindowOf(const UgNativeWindow *w)
{
    return &wlWindows[ugSlotOf(w)];
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

int wlToBuffer(const UgNativeWindow *w, wl_fixed_t at)
{
    return (int)(wl_fixed_to_double(at) * wlBufferScale(wlWindowOf(w)) / WL_SCALE_UNIT);
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
    // The desktop entry's id: the compositor finds the name, the icon and the launcher there.
    libdecor_frame_set_app_id(ww->frame, RINKSLIDER_APP_ID);
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

// Sized to return to when the compositor un-maximises it, on the first output.
static UgRect wlStartRect()
{
    UgDesktop desktop;
    wlReadDesktop(&desktop);
    return ugRestoredRect(ugUsableArea(&desktop));
}

// The compositor maximises and places the window itself.
static int wlMaximiseWindow(UgNativeWindow *w)
{
    libdecor_frame_set_maximized(wlWindowOf(w)->frame);
    return 1;
}

static int wlIsFullscreen(const UgNativeWindow *w)
{
    return wlWindowOf(w)->fullscreen;
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

// The platform table, slot by slot; what the desktop entry gives (hints, icon) stays empty.
static UgPlatform waylandOperations()
{
    UgPlatform p{};
    p.id = "wayland";
    p.name = "Wayland";
    p.displayVariable = "WAYLAND_DISPLAY";
    p.connect = wlConnect;
    p.eglDisplay = wlEglDisplay;
    // The compositor's frame requests pace the loop: a swap must never wait.
    p.swapInterval = 0;
    p.createWindow = wlCreateWindow;
    p.destroyWindow = wlDestroyWindow;
    p.clientRect = wlClientRect;
    p.cursorPos = wlCursorPos;
    p.contentScale = wlContentScale;
    p.startRect = wlStartRect;
    p.maximiseWindow = wlMaximiseWindow;
    p.isFullscreen = wlIsFullscreen;
    p.toggleFullscreen = wlToggleFullscreen;
    p.readEvents = wlReadEvents;
    p.waitEvents = wlWaitEvents;
    p.canBeSeen = wlCanBeSeen;
    p.framePosted = wlFramePosted;
    p.isMinimised = wlIsMinimised;
    p.inhibitIdle = wlInhibitIdle;
    p.keyRepeat = wlKeyRepeat;
    p.dialogs = &waylandDialogs;
    p.bringForward = wlBringForward;
    return p;
}

const UgPlatform waylandPlatform = waylandOperations();
