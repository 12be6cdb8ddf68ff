// Wide text to UTF-8 and back, for paths, titles and typed names.
#include "ug/ug_internal.h"

#include <string.h>

size_t ugWideToUtf8(const wchar_t *text, char *out, size_t size)
{
    size_t n = 0;
    for (; *text; text++) {
        uint32_t c = (uint32_t)*text;
        char bytes[4];
        size_t count;
        if (c < 0x80) {
            bytes[0] = (char)c;
            count = 1;
        } else if (c < 0x800) {
            bytes[0] = (char)(0xc0 | (c >> 6));
            bytes[1] = (char)(0x80 | (c & 0x3f));
            count = 2;
        } else if (c < 0x10000) {
            bytes[0] = (char)(0xe0 | (c >> 12));
            bytes[1] = (char)(0x80 | ((c >> 6) & 0x3f));
            bytes[2] = (char)(0x80 | (c & 0x3f));
            count = 3;
        } else {
            bytes[0] = (char)(0xf0 | (c >> 18));
            bytes[1] = (char)(0x80 | ((c >> 12) & 0x3f));
            bytes[2] = (char)(0x80 | ((c >> 6) & 0x3f));
            bytes[3] = (char)(0x80 | (c & 0x3f));
            count = 4;
        }
        if (n + count >= size)
            return 0;
        memcpy(out + n, bytes, count);
        n += count;
    }
    if (n >= size)
        return 0;
    out[n] = 0;
    return n;
}

size_t ugUtf8ToWide(const char *text, wchar_t *out, size_t size)
{
    size_t n = 0;
    const unsigned char *s = (const unsigned char *)text;
    while (*s) {
        uint32_t c = *s++;
        int more = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        if (more)
            c &= 0x3fu >> more;
        for (; more && (*s & 0xc0) == 0x80; more--)
            c = (c << 6) | (*s++ & 0x3f);
        if (n + 1 >= size)
            return 0;
        out[n++] = (wchar_t)c;
    }
    if (size == 0)
        return 0;
    out[n] = 0;
    return n;
}
