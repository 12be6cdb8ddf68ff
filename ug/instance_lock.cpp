// The single-instance lock: its name from the program's path, and the socket that holds it.
#include "ug/instance.h"

#include <errno.h>
#include <stddef.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
