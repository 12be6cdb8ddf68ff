// Kernel services: own path, text conversion, the single-instance lock and the command line.
#include "ug/instance.h"
#include "ug/ug_internal.h"

#include <errno.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

size_t ugModulePath(char *buf, size_t size)
{
    if (size < 2)
        return 0;
    ssize_t length = readlink("/proc/self/exe", buf, size - 1);
    if (length <= 0 || (size_t)length >= size - 1)
        return 0;  // a full buffer may hold a cut path
    buf[length] = 0;
    return (size_t)length;
}

size_t ugPathBesideProgram(const char *fileName, char *buf, size_t size)
{
    size_t length = ugModulePath(buf, size);
    char *slash = length ? strrchr(buf, '/') : nullptr;
    size_t folder = slash ? (size_t)(slash + 1 - buf) : 0;
    size_t name = strlen(fileName);
    if (!slash || folder + name >= size)
        return 0;
    memcpy(slash + 1, fileName, name + 1);
    return folder + name;
}

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

void instanceName(const char *modulePath, char *name, size_t size)
{
    size_t i = 0;
    for (; modulePath[i] && i + 1 < size; i++)
        name[i] = modulePath[i] == '\\' ? '/' : modulePath[i];
    if (size)
        name[i] = 0;
}

int instanceSocket = -1;

socklen_t instanceAddress(const char *name, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    size_t length = strlen(name);
    const size_t room = sizeof address->sun_path - 1;
    // A path longer than the socket name keeps its tail, where programs differ.
    const char *tail = length > room ? name + (length - room) : name;
    size_t used = length > room ? room : length;
    memcpy(address->sun_path + 1, tail, used);
    return (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + used);
}

// An abstract socket: the kernel drops it with the process, so no stale lock survives. It listens,
// so that a later start can ask this one to come forward.
int claimInstance(const char *name)
{
    sockaddr_un address;
    socklen_t length = instanceAddress(name, &address);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (bind(fd, (sockaddr *)&address, length) == 0 && listen(fd, SOMAXCONN) == 0) {
        instanceSocket = fd;  // open for the rest of the run
        return 1;
    }
    int taken = errno == EADDRINUSE;
    close(fd);
    return taken ? 0 : -1;
}

char *joinCommandLine(int argc, char **argv)
{
    size_t length = 1;
    for (int i = 1; i < argc; i++)
        length += strlen(argv[i]) + 1;
    char *line = (char *)calloc(length, 1);
    if (!line)
        return nullptr;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            strcat(line, " ");
        strcat(line, argv[i]);
    }
    return line;
}

int splitCommandLine(char *line, char **argv)
{
    int argc = 1;
    char *save = nullptr;
    for (char *word = strtok_r(line, " ", &save); word && argc < UG_MAX_ARGS; word = strtok_r(nullptr, " ", &save))
        argv[argc++] = word;
    return argc;
}
