// Keys: from the platform's key symbols to virtual keys, and from virtual keys to the layer's codes.
#include "ug/platform.h"

#include <xkbcommon/xkbcommon-keysyms.h>

unsigned ugVirtualKeyOf(unsigned long sym)
{
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z)
        return (unsigned)(sym - XKB_KEY_a + 'A');
    if ((sym >= XKB_KEY_A && sym <= XKB_KEY_Z) || (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) || sym == XKB_KEY_space)
        return (unsigned)sym;
    if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12)
        return (unsigned)(VK_F1 + (sym - XKB_KEY_F1));
    switch (sym) {
    case XKB_KEY_BackSpace: return VK_BACK;
    case XKB_KEY_Tab: return VK_TAB;
    case XKB_KEY_Return: case XKB_KEY_KP_Enter: return VK_RETURN;
    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: return VK_SHIFT;
    case XKB_KEY_Control_L: case XKB_KEY_Control_R: return VK_CONTROL;
    case XKB_KEY_Alt_L: case XKB_KEY_Alt_R: return VK_MENU;
    case XKB_KEY_Pause: return VK_PAUSE;
    case XKB_KEY_Escape: return VK_ESCAPE;
    case XKB_KEY_Prior: case XKB_KEY_KP_Prior: return VK_PRIOR;
    case XKB_KEY_Next: case XKB_KEY_KP_Next: return VK_NEXT;
    case XKB_KEY_End: case XKB_KEY_KP_End: return VK_END;
    case XKB_KEY_Home: case XKB_KEY_KP_Home: return VK_HOME;
    case XKB_KEY_Left: case XKB_KEY_KP_Left: return VK_LEFT;
    case XKB_KEY_Up: case XKB_KEY_KP_Up: return VK_UP;
    case XKB_KEY_Right: case XKB_KEY_KP_Right: return VK_RIGHT;
    case XKB_KEY_Down: case XKB_KEY_KP_Down: return VK_DOWN;
    case XKB_KEY_Insert: case XKB_KEY_KP_Insert: return VK_INSERT;
    case XKB_KEY_Delete: case XKB_KEY_KP_Delete: return VK_DELETE;
    }
    return 0;
}

int ugTranslateKey(unsigned virtualKey)
{
    switch (virtualKey) {
    case VK_LEFT: return UG_KEY_LEFT;
    case VK_UP: return UG_KEY_UP;
    case VK_RIGHT: return UG_KEY_RIGHT;
    case VK_DOWN: return UG_KEY_DOWN;
    case VK_PRIOR: return UG_KEY_PAGE_UP;
    case VK_NEXT: return UG_KEY_PAGE_DOWN;
    case VK_HOME: return UG_KEY_HOME;
    case VK_END: return UG_KEY_END;
    case VK_INSERT: return UG_KEY_INSERT;
    case VK_PAUSE: return UG_KEY_PAUSE;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
        return UG_KEY_F1 + (int)(virtualKey - VK_F1);
    return 0;
}
