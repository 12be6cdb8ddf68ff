// The single-instance lock: a file locked with flock, which the kernel lets go when its holder ends
// however it ends, and beside it the socket its holder listens on, both in a folder only the user
// can enter, so that no other user can hold, answer or even reach the lock.
#include "ug/instance.h"
#include "ug/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// FNV-1a, 64 bits.
constexpr unsigned long long FNV_OFFSET = 14695981039346656037ull, FNV_PRIME = 1099511628211ull;
// A start that found the lock held and no one listening tries again after this: its holder is
// between taking it and listening, or refused a knock among too many.
enum { KNOCK_RETRY_MS = 20 };

void instanceName(const char *modulePath, char *name, size_t size)
{
    size_t i = 0;
    for (; modulePath[i] && i + 1 < size; i++)
        name[i] = modulePath[i] == '\\' ? '/' : modulePath[i];
    if (size)
        name[i] = 0;
}

// A folder of this user's that no one else may enter: not a link, and no permission for group or others.
static int isPrivateFolder(const char *path)
{
    struct stat status;
    return lstat(path, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// The runtime folder the login manager makes for each user, else one of our own under /tmp, made
// on first need; 0 when neither is private.
static int lockFolder(char *path, size_t size)
{
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && isPrivateFolder(runtime))
        return snprintf(path, size, "%s", runtime) < (int)size;
    snprintf(path, size, "/tmp/rinkslider-%u", (unsigned)geteuid());
    if (mkdir(path, S_IRWXU) != 0 && errno != EEXIST)
        return 0;
    return isPrivateFolder(path);
}

// The lock file and the socket address of the instance name; 0 when there is no private folder
// for them or their paths are too long for a socket address.
static int lockPaths(const char *name, char *lockPath, size_t size, sockaddr_un *address, socklen_t *length)
{
    char folder[sizeof address->sun_path];
    if (!lockFolder(folder, sizeof folder))
        return 0;
    // Named by the program's path, so that copies of the game at different paths keep apart.
    unsigned long long hash = FNV_OFFSET;
    for (const char *c = name; *c; c++)
        hash = (hash ^ (unsigned char)*c) * FNV_PRIME;
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    int used = snprintf(address->sun_path, sizeof address->sun_path, "%s/rinkslider-%016llx.sock", folder, hash);
    *length = (socklen_t)(offsetof(sockaddr_un, sun_path) + used + 1);
    return used < (int)sizeof address->sun_path &&
           snprintf(lockPath, size, "%s/rinkslider-%016llx.lock", folder, hash) < (int)size;
}

// Locks the file and listens at the address; 1 when the lock is ours, 0 when another process holds
// it, -1 on failure. Held, the lock and its socket stay open for the rest of the run.
static int takeLock(const char *lockPath, const sockaddr_un *address, socklen_t length)
{
    int lock = open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (lock < 0)
        return -1;
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        int held = errno == EWOULDBLOCK;
        close(lock);
        return held ? 0 : -1;
    }
    // A socket left by a game that ended is in the way; the lock says that no one listens on it.
    unlink(address->sun_path);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener >= 0 && bind(listener, (const sockaddr *)address, length) == 0 && listen(listener, SOMAXCONN) == 0 &&
        watchKnocks(listener))
        return 1;
    // Let go, so that a later start takes the lock rather than knocking where no one listens.
    if (listener >= 0)
        close(listener);
    close(lock);
    return -1;
}

InstanceClaim claimInstance(const char *name, int timeoutMs)
{
    char lockPath[sizeof(sockaddr_un::sun_path)];
    sockaddr_un address;
    socklen_t length;
    if (!lockPaths(name, lockPath, sizeof lockPath, &address, &length))
        return INSTANCE_UNLOCKED;
    long long deadline = ugNowMs() + timeoutMs;
    for (;;) {
        int held = takeLock(lockPath, &address, length);
        if (held != 0)
            return held > 0 ? INSTANCE_OURS : INSTANCE_UNLOCKED;
        InstanceClaim answer = knockRunningGame(&address, length, deadline);
        if (answer != INSTANCE_UNLOCKED || ugNowMs() >= deadline)
            return answer;
        usleep(KNOCK_RETRY_MS * 1000);
    }
}
