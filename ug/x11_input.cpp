// Text entry through the X input method: any character a keyboard layout, a dead key or a compose
// sequence gives reaches the windows as a Unicode code point.
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <locale.h>

struct UgInputContext {
    Window window;
    XIC context;  // null while there is no input method
};

static XIM inputMethod;
static XIMStyle inputStyle;
static UgInputContext contexts[UG_MAX_WINDOWS];

// The input method's server went away and took its contexts with it: keys fall back to the plain lookup.
static void onInputMethodGone(XIM, XPointer, XPointer)
{
    inputMethod = nullptr;
    for (UgInputContext &c : contexts)
        c.context = nullptr;
}

// The simplest style the input method offers: it draws nothing of its own in or beside our windows.
static XIMStyle chooseStyle(XIM method)
{
    XIMStyles *styles = nullptr;
    if (XGetIMValues(method, XNQueryInputStyle, &styles, nullptr) || !styles)
        return 0;
    XIMStyle chosen = 0;
    for (int i = 0; i < styles->count_styles; i++) {
        XIMStyle s = styles->supported_styles[i];
        if (s == (XIMPreeditNothing | XIMStatusNothing) || (!chosen && s == (XIMPreeditNone | XIMStatusNone)))
            chosen = s;
    }
    XFree(styles);
    return chosen;
}

void ugOpenInputMethod()
{
    setlocale(LC_CTYPE, "");
    // A locale Xlib does not know would refuse every input method; the plain one still composes.
    if (!XSupportsLocale())
        setlocale(LC_CTYPE, "C");
    // The user's input method (XMODIFIERS) first; Xlib's own, which knows the compose sequences, without one.
    XSetLocaleModifiers("");
    inputMethod = XOpenIM(xDisplay, nullptr, nullptr, nullptr);
    if (!inputMethod && XSetLocaleModifiers("@im=none"))
        inputMethod = XOpenIM(xDisplay, nullptr, nullptr, nullptr);
    if (!inputMethod)
        return;
    inputStyle = chooseStyle(inputMethod);
    XIMCallback gone{nullptr, onInputMethodGone};
    XSetIMValues(inputMethod, XNDestroyCallback, &gone, nullptr);
}

// The record of a window's input context, null when it has none.
static UgInputContext *contextRecord(Window window)
{
    for (UgInputContext &c : contexts)
        if (window && c.window == window)
            return &c;
    return nullptr;
}

void ugOpenInputContext(Window window)
{
    UgInputContext *slot = contextRecord(window);
    for (UgInputContext &c : contexts)
        if (!slot && !c.window)
            slot = &c;
    if (!slot || !inputMethod || !inputStyle)
        return;
    XIC context = XCreateIC(inputMethod, XNInputStyle, inputStyle, XNClientWindow, window, XNFocusWindow, window,
                            nullptr);
    if (!context)
        return;
    *slot = UgInputContext{window, context};
    long filtered = 0;
    XWindowAttributes attributes;
    if (!XGetICValues(context, XNFilterEvents, &filtered, nullptr) && filtered &&
        XGetWindowAttributes(xDisplay, window, &attributes))
        XSelectInput(xDisplay, window, attributes.your_event_mask | filtered);
}

void ugCloseInputContext(Window window)
{
    if (UgInputContext *c = contextRecord(window)) {
        if (c->context)
            XDestroyIC(c->context);
        *c = UgInputContext{};
    }
}

int ugFilterInputEvent(XEvent *event)
{
    if (event->type == MappingNotify) {
        // A new layout (setxkbmap, say) must reach the lookup of the next key.
        XRefreshKeyboardMapping(&event->xmapping);
        return 1;
    }
    UgInputContext *c = contextRecord(event->xany.window);
    if (c && c->context && event->type == FocusIn)
        XSetICFocus(c->context);
    else if (c && c->context && event->type == FocusOut)
        XUnsetICFocus(c->context);
    return XFilterEvent(event, None);
}

size_t ugLookupKey(XKeyEvent *key, wchar_t *chars, size_t capacity, KeySym *sym)
{
    UgInputContext *c = contextRecord(key->window);
    char text[256];
    *sym = NoSymbol;
    if (!c || !c->context) {
        // Without an input method: control codes and ASCII as looked up, other characters from the
        // key symbol, since the lookup's bytes follow a locale that may not be ours.
        int length = XLookupString(key, text, sizeof text, sym, nullptr);
        unsigned code = length == 1 && (unsigned char)text[0] < 0x80 ? (unsigned char)text[0]
                        : *sym >= 0xa0 && *sym <= 0xff              ? (unsigned)*sym
                        : (*sym & 0xff000000) == 0x01000000         ? (unsigned)(*sym & 0xffffff)
                                                                    : 0;
        if (!code || capacity < 2)
            return 0;
        chars[0] = (wchar_t)code;
        return 1;
    }
    Status status = 0;
    int length = Xutf8LookupString(c->context, key, text, sizeof text - 1, sym, &status);
    if (status != XLookupKeySym && status != XLookupBoth)
        *sym = NoSymbol;
    if (status != XLookupChars && status != XLookupBoth)
        return 0;  // a commit longer than the buffer is refused whole rather than cut
    text[length] = 0;
    return ugUtf8ToWide(text, chars, capacity);
}
