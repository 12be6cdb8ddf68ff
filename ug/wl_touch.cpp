// The seat's touch screen over Wayland: one finger at a time holds the press, as a held left button
// does, in buffer pixels; what a touch frame brings takes effect at its end.
#include "ug/wl_platform.h"

// What the finger did in the frame not yet ended.
enum { FINGER_DOWN = 1, FINGER_MOVED = 2, FINGER_UP = 4 };

// A finger takes the press only while no other holds it, and only on one of our windows: a
// decoration is the frame's own.
static void onTouchDown(void *, wl_touch *, uint32_t serial, uint32_t, wl_surface *surface, int32_t id, wl_fixed_t x,
                        wl_fixed_t y)
{
    wl.lastSerial = serial;
    UgNativeWindow *w = wlWindowOfSurface(surface);
    if (wl.finger.window || !w)
        return;
    int bx = wlToBuffer(w, x), by = wlToBuffer(w, y);
    wl.finger = WlFinger{w, id, 0, bx, by, bx, by, FINGER_DOWN};
}

static void onTouchMotion(void *, wl_touch *, uint32_t, int32_t id, wl_fixed_t x, wl_fixed_t y)
{
    WlFinger &f = wl.finger;
    if (!f.window || id != f.id)
        return;
    f.frameX = wlToBuffer(f.window, x);
    f.frameY = wlToBuffer(f.window, y);
    f.frameEvents |= FINGER_MOVED;
}

// The frame's events take effect together: the press where the finger went down, the drag's latest
// point (merged with the window's others until its next frame is drawn), then the release there.
static void onTouchFrame(void *, wl_touch *)
{
    WlFinger &f = wl.finger;
    if (!f.window)
        return;
    if (f.frameEvents & FINGER_DOWN) {
        ugPostButton(f.window, 0, 1, f.x, f.y, UG_DEVICE_TOUCH);
        f.pressed = 1;
    }
    if (f.frameEvents & FINGER_MOVED) {
        f.x = f.frameX;
        f.y = f.frameY;
        ugNoteMotion(f.window, f.x, f.y, UG_DEVICE_TOUCH);
    }
    if (f.frameEvents & FINGER_UP) {
        ugPostButton(f.window, 0, 0, f.x, f.y, UG_DEVICE_TOUCH);
        f = WlFinger{};
    }
    f.frameEvents = 0;
}

// Nothing more comes for a lifted finger, and some compositors (weston 10, GNOME's) send no frame
// after the last one: its up takes effect at once, with what its frame brought before.
static void onTouchUp(void *data, wl_touch *touch, uint32_t serial, uint32_t, int32_t id)
{
    wl.lastSerial = serial;
    if (!wl.finger.window || id != wl.finger.id)
        return;
    wl.finger.frameEvents |= FINGER_UP;
    onTouchFrame(data, touch);
}

// Nothing more of the finger counts: the drag's position not yet delivered is dropped, and a press
// that began ends where the window last saw it.
static void endFinger()
{
    WlFinger &f = wl.finger;
    if (f.window && f.pressed) {
        ugDropMotion(f.window, UG_DEVICE_TOUCH);
        ugPostButton(f.window, 0, 0, f.x, f.y, UG_DEVICE_TOUCH);
    }
    f = WlFinger{};
}

// The compositor took the fingers for a gesture of its own.
static void onTouchCancel(void *, wl_touch *)
{
    endFinger();
}

// The seat is bound at version 4, which has neither shape nor orientation.
static const wl_touch_listener touchListener = {onTouchDown,   onTouchUp, onTouchMotion, onTouchFrame,
                                                onTouchCancel, nullptr,   nullptr};

void wlBindTouch(wl_seat *seat)
{
    wl.touch = wl_seat_get_touch(seat);
    wl_touch_add_listener(wl.touch, &touchListener, nullptr);
}

void wlReleaseTouch()
{
    endFinger();
    if (wl_touch_get_version(wl.touch) >= WL_TOUCH_RELEASE_SINCE_VERSION)
        wl_touch_release(wl.touch);
    else
        wl_touch_destroy(wl.touch);
    wl.touch = nullptr;
}
