// Text entry through the X input method: any character a keyboard layout, a dead key or a compose
// sequence gives reaches the windows as a Unicode code point.
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <locale.h>

// The input method's server went away and took its contexts with it: keys fall back to the plain lookup.
static void onInputMethodGone(XIM, XPointer, XPointer)
{
    x11.inputMethod = nullptr;
    for (X11Window &xw : x11Windows)
        xw.inputContext = nullptr;
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

void x11OpenInputMethod()
{
    setlocale(LC_CTYPE, "");
    // A locale Xlib does not know would refuse every input method; the plain one still composes.
    if (!XSupportsLocale())
        setlocale(LC_CTYPE, "C");
    // The user's input method (XMODIFIERS) first; Xlib's own, which knows the compose sequences, without one.
    XSetLocaleModifiers("");
    x11.inputMethod = XOpenIM(x11.display, nullptr, nullptr, nullptr);
    if (!x11.inputMethod && XSetLocaleModifiers("@im=none"))
        x11.inputMethod = XOpenIM(x11.display, nullptr, nullptr, nullptr);
    if (!x11.inputMethod)
        return;
    x11.inputStyle = chooseStyle(x11.inputMethod);
    XIMCallback gone{nullptr, onInputMethodGone};
    XSetIMValues(x11.inputMethod, XNDestroyCallback, &gone, nullptr);
}

// The input context of the window an event is for, null when it has none or the window is not ours.
static XIC contextOf(Window window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w ? x11WindowOf(w)->inputContext : nullptr;
}

void x11OpenInputContext(UgNativeWindow *w)
{
    if (!x11.inputMethod || !x11.inputStyle)
        return;
    Window window = w->id;
    XIC context = XCreateIC(x11.inputMethod, XNInputStyle, x11.inputStyle, XNClientWindow, window, XNFocusWindow,
                            window, nullptr);
    if (!context)
        return;
    x11WindowOf(w)->inputContext = context;
    long filtered = 0;
    XWindowAttributes attributes;
    if (!XGetICValues(context, XNFilterEvents, &filtered, nullptr) && filtered &&
        XGetWindowAttributes(x11.display, window, &attributes))
        XSelectInput(x11.display, window, attributes.your_event_mask | filtered);
}

void x11CloseInputContext(UgNativeWindow *w)
{
    X11Window *xw = x11WindowOf(w);
    if (xw->inputContext)
        XDestroyIC(xw->inputContext);
    xw->inputContext = nullptr;
}

int x11FilterInputEvent(XEvent *event)
{
    if (event->type == MappingNotify) {
        // A new layout (setxkbmap, say) must reach the lookup of the next key.
        XRefreshKeyboardMapping(&event->xmapping);
        return 1;
    }
    XIC context = contextOf(event->xany.window);
    if (context && event->type == FocusIn)
        XSetICFocus(context);
    else if (context && event->type == FocusOut)
        XUnsetICFocus(context);
    return XFilterEvent(event, None);
}

size_t x11LookupKey(XKeyEvent *key, wchar_t *chars, size_t capacity, KeySym *sym)
{
    XIC context = contextOf(key->window);
    char text[256];
    *sym = NoSymbol;
    if (!context) {
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
    int length = Xutf8LookupString(context, key, text, sizeof text - 1, sym, &status);
    if (status != XLookupKeySym && status != XLookupBoth)
        *sym = NoSymbol;
    if (status != XLookupChars && status != XLookupBoth)
        return 0;  // a commit longer than the buffer is refused whole rather than cut
    text[length] = 0;
    return ugUtf8ToWide(text, chars, capacity);
}
