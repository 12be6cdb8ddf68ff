// Shared between the Wayland platform files: the connection, the globals the compositor offers,
// the seat's state and our windows' Wayland side.
#pragma once

#include "ug/platform.h"

#include <wayland-client.h>
#include <wayland-egl.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

typedef struct _PangoFontDescription PangoFontDescription;
struct libdecor;
struct libdecor_frame;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct xdg_activation_v1;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;

struct WlOutput {
    wl_output *output;
    uint32_t name;  // the registry's name of the global
    int x, y, width, height;  // in the compositor's logical pixels
    int scale;
};

enum { WL_MAX_OUTPUTS = 8 };
// Scales count in 120ths, as the fractional scale protocol does.
enum { WL_SCALE_UNIT = 120 };

// A window's Wayland side, at the slot of its native record.
struct WlWindow {
    wl_surface *surface;
    wl_egl_window *eglWindow;  // the window's id, a dialog's too
    libdecor_frame *frame;
    wl_callback *frameCallback;
    long long frameAsked;  // when the paint that asked for the frame not yet given was committed; 0 before
    wp_fractional_scale_v1 *fractionalScale;
    wp_viewport *viewport;
    unsigned outputsEntered;  // a bit for each output the surface shows on
    int preferredScale;       // the compositor's fractional scale in 120ths, 0 where none is offered
    int logicalWidth, logicalHeight;
    int maximised, fullscreen;
    zwp_idle_inhibitor_v1 *inhibitor;
    int drawnInMemory;  // a dialog: its picture in shared memory, in logical coordinates
    int pictureScale;   // the whole scale its picture was last drawn at
    wl_buffer *buffer;

    uint32_t *pixels;
    size_t pixelBytes;
};

// The finger that holds the press: the first to go down on one of our windows, until it lifts or the
// compositor cancels it. Other fingers meanwhile are ignored, so the press never jumps between them.
struct WlFinger {
    UgNativeWindow *window;  // the window it went down on; null while no finger holds the press
    int32_t id;
    int pressed;             // its down has been posted
    int x, y;                // where the window last saw it, in buffer pixels
    int frameX, frameY;      // its latest point in the touch frame not yet ended
    unsigned frameEvents;    // what it did in that frame
};

struct WlState {
    wl_display *display;
    wl_registry *registry;
    wl_compositor *compositor;
    wl_shm *shm;
    wl_seat *seat;
    wl_pointer *pointer;
    wl_keyboard *keyboard;
    wl_touch *touch;
    libdecor *decor;
    wp_viewporter *viewporter;
    wp_fractional_scale_manager_v1 *fractionalScaleManager;
    xdg_activation_v1 *activation;
    zwp_idle_inhibit_manager_v1 *idleInhibitManager;
    WlOutput outputs[WL_MAX_OUTPUTS];
    // The seat: where the pointer is (in the focused surface's buffer pixels) and what it holds.
    UgNativeWindow *pointerFocus, *keyboardFocus;
    int pointerX, pointerY;
    unsigned buttonsHeld;
    WlFinger finger;
    uint32_t lastSerial;  // of the latest input, for requests that must name one
    xkb_context *xkb;
    xkb_keymap *keymap;
    xkb_state *keyState;
    xkb_compose_state *compose;
    int repeatPeriodMs, repeatDelayMs;  // 0 period: the compositor wants no repeat
    uint32_t repeatKey;
    long long repeatDue;  // monotonic microseconds, UG_NEVER while no key repeats
    // The dialogs' font, loaded for the first dialog, and the width of its glyphs in logical pixels.
    PangoFontDescription *dialogFont;
    int dialogGlyphWidth;
};

extern WlState wl;
extern WlWindow wlWindows[UG_MAX_WINDOWS];

// The Wayland side of one of our windows.
WlWindow *wlWindowOf(const UgNativeWindow *w);
// Our window whose surface this is; null for any other, its frame's decorations among them.
UgNativeWindow *wlWindowOfSurface(wl_surface *surface);
// The scale factor, in 120ths, that the window's buffer is drawn at; exactly one for a dialog,
// whose coordinates stay logical.
int wlBufferScale(const WlWindow *ww);
// The whole pixels to a logical pixel that a picture drawn in memory needs to show sharp.
int wlPictureScale(const WlWindow *ww);
// A position on the window's surface, in logical units, in its buffer's pixels.
int wlToBuffer(const UgNativeWindow *w, wl_fixed_t at);

// The connection (wl_connection.cpp): made once, with the globals bound; null without a compositor
// that offers what a window needs.
void *wlConnect();
EGLDisplay wlEglDisplay(void *connection);
// The outputs as monitors; all the compositor tells of its desktop.
void wlReadDesktop(UgDesktop *desktop);
void wlReadEvents();
// Sleeps until the compositor speaks, a later start knocks, a held key repeats or the deadline passed.
void wlWaitEvents(long long waitUs);

// Input (wl_input.cpp): binds the seat and follows its pointer and keyboard; its touch screen in
// wl_touch.cpp.
void wlBindSeat(uint32_t name, uint32_t version);
// Posts the held key's repeat when it is due.
void wlRepeatKeys();
// Forgets a window the seat's focus, or the finger holding the press, was on.
void wlForgetFocus(const UgNativeWindow *w);
// Follows the seat's touch screen, from the moment it has one.
void wlBindTouch(wl_seat *seat);
// Lets the touch screen go, ending a press a finger holds.
void wlReleaseTouch();

// Drops a dialog's picture and its buffer (wl_dialogs.cpp).
void wlFreePicture(WlWindow *ww);
// The single instance (wl_instance.cpp): asks the compositor to bring the game window forward.
int wlBringForward(EGLNativeWindowType window, const char *token);
