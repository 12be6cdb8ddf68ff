// The running program's own file, and the files beside it.
#include "ug/ug_internal.h"

#include <string.h>
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
