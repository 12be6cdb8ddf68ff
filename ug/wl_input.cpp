// The seat over Wayland: the pointer in buffer pixels, the keyboard through xkbcommon with the
// locale's compose sequences, the key repeat Wayland leaves to its clients, and which of its
// devices it has.
#include "ug/wl_platform.h"

#include <linux/input-event-codes.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

// Wayland's key codes are the kernel's; xkbcommon counts from 8, as X does.
enum { XKB_KEYCODE_OFFSET = 8 };

static void onPointerEnter(void *, wl_pointer *, uint32_t serial, wl_surface *surface, wl_fixed_t x, wl_fixed_t y)
{
    wl.lastSerial = serial;
    wl.pointerFocus = wlWindowOfSurface(surface);
    if (wl.pointerFocus) {
        wl.pointerX = wlToBuffer(wl.pointerFocus, x);
        wl.pointerY = wlToBuffer(wl.pointerFocus, y);
    }
}

static void onPointerLeave(void *, wl_pointer *, uint32_t, wl_surface *)
{
    wl.pointerFocus = nullptr;
}

// Only motion with a button held is a drag; of it only the latest position counts.
static void onPointerMotion(void *, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    UgNativeWindow *w = wl.pointerFocus;
    if (!w)
        return;
    wl.pointerX = wlToBuffer(w, x);
    wl.pointerY = wlToBuffer(w, y);
    if (wl.buttonsHeld)
        ugNoteMotion(w, wl.pointerX, wl.pointerY, UG_DEVICE_MOUSE);
}

static void onPointerButton(void *, wl_pointer *, uint32_t serial, uint32_t, uint32_t button, uint32_t state)
{
    static const uint32_t buttons[] = {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT};
    UgNativeWindow *w = wl.pointerFocus;
    wl.lastSerial = serial;
    for (int i = 0; w && i < 3; i++) {
        if (button != buttons[i])
            continue;
        int pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
        wl.buttonsHeld = pressed ? wl.buttonsHeld | 1u << i : wl.buttonsHeld & ~(1u << i);
        ugPostButton(w, i, pressed, wl.pointerX, wl.pointerY, UG_DEVICE_MOUSE);
    }
}

static void onPointerAxis(void *, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) {}

// The seat is bound at version 4, which has none of the later events.
static const wl_pointer_listener pointerListener = {onPointerEnter, onPointerLeave, onPointerMotion, onPointerButton,
                                                    onPointerAxis, nullptr, nullptr, nullptr, nullptr, nullptr};

// The compositor's keymap, and the locale's compose sequences for it.
static void onKeymap(void *, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size)
{
    char *text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1
                     ? (char *)mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                     : (char *)MAP_FAILED;
    close(fd);
    if (text == MAP_FAILED)
        return;
    xkb_keymap *keymap = xkb_keymap_new_from_string(wl.xkb, text, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (!keymap)
        return;
    xkb_state_unref(wl.keyState);
    xkb_keymap_unref(wl.keymap);
    wl.keymap = keymap;
    wl.keyState = xkb_state_new(keymap);
    if (!wl.compose) {
        const char *locale = getenv("LC_ALL");
        if (!locale || !*locale)
            locale = getenv("LC_CTYPE");
        if (!locale || !*locale)
            locale = getenv("LANG");
        xkb_compose_table *table =
            xkb_compose_table_new_from_locale(wl.xkb, locale && *locale ? locale : "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
        if (table) {
            wl.compose = xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS);
            xkb_compose_table_unref(table);
        }
    }
}

static void onKeyboardEnter(void *, wl_keyboard *, uint32_t serial, wl_surface *surface, wl_array *)
{
    wl.lastSerial = serial;
    wl.keyboardFocus = wlWindowOfSurface(surface);
}

static void onKeyboardLeave(void *, wl_keyboard *, uint32_t, wl_surface *)
{
    wl.keyboardFocus = nullptr;
    wl.repeatDue = UG_NEVER;
}

// The key symbol a press gives and the character it types, through a compose sequence where one
// runs; 0 when the press only goes on with a sequence or ends one that makes nothing.
static xkb_keysym_t composeKey(xkb_keycode_t code, uint32_t *character)
{
    xkb_keysym_t sym = xkb_state_key_get_one_sym(wl.keyState, code);
    *character = xkb_state_key_get_utf32(wl.keyState, code);
    if (!wl.compose || xkb_compose_state_feed(wl.compose, sym) != XKB_COMPOSE_FEED_ACCEPTED)
        return sym;
    switch (xkb_compose_state_get_status(wl.compose)) {
    case XKB_COMPOSE_COMPOSING:
        return 0;
    case XKB_COMPOSE_COMPOSED:
        sym = xkb_compose_state_get_one_sym(wl.compose);
        *character = xkb_keysym_to_utf32(sym);
        xkb_compose_state_reset(wl.compose);
        return sym;
    case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(wl.compose);
        return 0;
    case XKB_COMPOSE_NOTHING:
        break;
    }
    return sym;
}

// Posts a press of the key with the character it types to the focused window.
static void postPress(uint32_t key)
{
    UgNativeWindow *w = wl.keyboardFocus;
    if (!w || !wl.keyState)
        return;
    xkb_keycode_t code = key + XKB_KEYCODE_OFFSET;
    uint32_t character = 0;
    xkb_keysym_t sym = composeKey(code, &character);
    if (!sym)
        return;
    wchar_t chars[1] = {(wchar_t)character};
    ugPostKey(w->id, ugVirtualKeyOf(sym), (UgLParam)(code & 0xff) << 16, chars, character ? 1 : 0);
}

static void onKey(void *, wl_keyboard *, uint32_t serial, uint32_t, uint32_t key, uint32_t state)
{
    wl.lastSerial = serial;
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) {
        if (key == wl.repeatKey)
            wl.repeatDue = UG_NEVER;
        return;
    }
    postPress(key);
    int repeats = wl.keymap && xkb_keymap_key_repeats(wl.keymap, key + XKB_KEYCODE_OFFSET);
    wl.repeatKey = key;
    wl.repeatDue = repeats && wl.repeatPeriodMs ? ugNowUs() + wl.repeatDelayMs * 1000LL : UG_NEVER;
}

static void onModifiers(void *, wl_keyboard *, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                        uint32_t group)
{
    if (wl.keyState)
        xkb_state_update_mask(wl.keyState, depressed, latched, locked, 0, 0, group);
}

static void onRepeatInfo(void *, wl_keyboard *, int32_t rate, int32_t delay)
{
    wl.repeatPeriodMs = rate > 0 ? 1000 / rate : 0;
    wl.repeatDelayMs = delay;
}

static const wl_keyboard_listener keyboardListener = {onKeymap, onKeyboardEnter, onKeyboardLeave, onKey, onModifiers,
                                                      onRepeatInfo};

void wlRepeatKeys()
{
    long long now = ugNowUs();
    if (wl.repeatDue > now)
        return;
    postPress(wl.repeatKey);
    // One repeat however late the loop woke: missed ones never pile up.
    while (wl.repeatDue <= now)
        wl.repeatDue += wl.repeatPeriodMs * 1000LL;
}

static void onCapabilities(void *, wl_seat *seat, uint32_t capabilities)
{
    int pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    int keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    int touch = (capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0;
    if (pointer && !wl.pointer) {
        wl.pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(wl.pointer, &pointerListener, nullptr);
    } else if (!pointer && wl.pointer) {
        wl_pointer_destroy(wl.pointer);
        wl.pointer = nullptr;
    }
    if (keyboard && !wl.keyboard) {
        wl.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(wl.keyboard, &keyboardListener, nullptr);
    } else if (!keyboard && wl.keyboard) {
        wl_keyboard_destroy(wl.keyboard);
        wl.keyboard = nullptr;
        wl.repeatDue = UG_NEVER;
    }
    if (touch && !wl.touch)
        wlBindTouch(seat);
    else if (!touch && wl.touch)
        wlReleaseTouch();
}

static void onSeatName(void *, wl_seat *, const char *) {}

static const wl_seat_listener seatListener = {onCapabilities, onSeatName};

void wlBindSeat(uint32_t name, uint32_t version)
{
    if (wl.seat)
        return;  // one seat is the player's
    // Version 4 brings the repeat rate; later ones add events the layer has no use for.
    wl.seat = (wl_seat *)wl_registry_bind(wl.registry, name, &wl_seat_interface, version < 4 ? version : 4);
    wl_seat_add_listener(wl.seat, &seatListener, nullptr);
    if (!wl.xkb)
        wl.xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
}

void wlForgetFocus(const UgNativeWindow *w)
{
    if (wl.pointerFocus == w)
        wl.pointerFocus = nullptr;
    if (wl.keyboardFocus == w) {
        wl.keyboardFocus = nullptr;
        wl.repeatDue = UG_NEVER;
    }
    if (wl.finger.window == w)
        wl.finger = WlFinger{};
}
