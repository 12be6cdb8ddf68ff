// The knock on the instance lock and its answer. A later start sends lines "NAME=value" closed by
// an empty line: its X display, its Wayland display and its launcher's activation token. The
// running game answers one byte: it came forward, it plays on this display but could not come
// forward, or it plays on another display. Whatever arrives is read without waiting for it, a few
// knocks at a time: the game plays on at its frame rate whatever knocks, or fails to.
#include "ug/instance.h"
#include "ug/platform.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/epoll.h>
#include <unistd.h>

enum {
    KNOCK_MAX = 1024,          // bytes of a knock; one that says more is dropped
    KNOCKS_PENDING = 16,       // knocks read at a time; more are refused
    KNOCKS_PER_PASS = 64,      // new knocks taken in one pass of the loop, so a crowd cannot hold it up
    KNOCK_SILENCE_MS = 1000,   // a knock not whole by then is dropped
    TOKEN_MAX = 255,           // the longest activation token passed on
};

const char ANSWER_CAME_FORWARD = 'f', ANSWER_STAYED = 's', ANSWER_ELSEWHERE = 'e';

// A knock being read: its connection (-1 while the slot is free), when it was taken, what it said.
struct Knock {
    int fd;
    long long since;
    size_t length;
    char text[KNOCK_MAX];
};

static Knock knocks[KNOCKS_PENDING];
static int listener = -1;
int instanceWakeFd = -1;

// The display a variable names, as its library reads it: Wayland's default socket where it is unset.
static const char *displayOf(const char *variable)
{
    const char *value = getenv(variable);
    if (value && *value)
        return value;
    return strcmp(variable, "WAYLAND_DISPLAY") == 0 ? "wayland-0" : "";
}

// Only a token of printable characters without blanks, and no longer than a real one, is passed on.
static int isPassableToken(const char *token)
{
    size_t length = 0;
    for (; token[length]; length++)
        if (token[length] <= ' ' || token[length] >= 0x7f)
            return 0;
    return length <= TOKEN_MAX;
}

// The token a launcher hands a program it starts, under either name launchers use; "" for none.
static const char *launcherToken()
{
    const char *token = getenv("XDG_ACTIVATION_TOKEN");
    if (!token || !*token)
        token = getenv("DESKTOP_STARTUP_ID");
    return token && isPassableToken(token) ? token : "";
}

int watchKnocks(int socket)
{
    int wake = epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{EPOLLIN, {}};
    if (wake < 0 || epoll_ctl(wake, EPOLL_CTL_ADD, socket, &event) != 0) {
        if (wake >= 0)
            close(wake);
        return 0;
    }
    for (Knock &k : knocks)
        k.fd = -1;
    listener = socket;
    instanceWakeFd = wake;
    return 1;
}

InstanceClaim knockRunningGame(const sockaddr_un *address, socklen_t length, long long deadlineMs)
{
    char knock[KNOCK_MAX];
    int size = snprintf(knock, sizeof knock, "DISPLAY=%.255s\nWAYLAND_DISPLAY=%.255s\nTOKEN=%s\n\n",
                        displayOf("DISPLAY"), displayOf("WAYLAND_DISPLAY"), launcherToken());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    char answer = 0;
    if (fd >= 0 && connect(fd, (const sockaddr *)address, length) == 0 &&
        send(fd, knock, (size_t)size, MSG_NOSIGNAL) == size) {
        // The running game answers from its loop, which it may not have reached yet.
        pollfd p{fd, POLLIN, 0};
        long long left = deadlineMs - ugNowMs();
        if (left <= 0 || poll(&p, 1, (int)left) <= 0 || recv(fd, &answer, 1, 0) != 1)
            answer = 0;
    }
    if (fd >= 0)
        close(fd);
    return answer == ANSWER_CAME_FORWARD ? INSTANCE_CAME_FORWARD
           : answer == ANSWER_STAYED     ? INSTANCE_STAYED
           : answer == ANSWER_ELSEWHERE  ? INSTANCE_ELSEWHERE
                                         : INSTANCE_UNLOCKED;
}

// The value of the knock's line "name=value", "" where it has none; its lines already cut at their ends.
static const char *fieldOf(const char *lines, const char *end, const char *name)
{
    size_t n = strlen(name);
    for (const char *line = lines; line < end; line += strlen(line) + 1)
        if (strncmp(line, name, n) == 0 && line[n] == '=')
            return line + n + 1;
    return "";
}

// The server a display name names: an X display's "unix" host and its screen (":0", "unix:0.0") tell
// no servers apart.
static const char *serverOf(const char *name, char *out, size_t size)
{
    const char localHost[] = "unix:";
    if (strncmp(name, localHost, sizeof localHost - 1) == 0)
        name += sizeof localHost - 2;
    snprintf(out, size, "%s", name);
    char *colon = strrchr(out, ':'), *screen = colon ? strchr(colon, '.') : nullptr;
    if (screen)
        *screen = 0;
    return out;
}

// Brings the game window forward when the knock comes from the display it plays on.
static char answerOf(char *lines, char *end)
{
    for (char *c = lines; c < end; c++)
        if (*c == '\n')
            *c = 0;
    const char *variable = ugPlatform()->displayVariable;
    char theirs[KNOCK_MAX], ours[KNOCK_MAX];
    if (strcmp(serverOf(fieldOf(lines, end, variable), theirs, sizeof theirs),
               serverOf(displayOf(variable), ours, sizeof ours)) != 0)
        return ANSWER_ELSEWHERE;
    const char *token = fieldOf(lines, end, "TOKEN");
    UgWin *game = currentDisplay ? currentDisplay->windows : nullptr;
    int cameForward = game && ugPlatform()->bringForward(game->nativeWindow, isPassableToken(token) ? token : "");
    return cameForward ? ANSWER_CAME_FORWARD : ANSWER_STAYED;
}

static void dropKnock(Knock *k)
{
    close(k->fd);
    k->fd = -1;
}

// Reads what the knock has sent; answers it once it is whole, drops it when it says too much, ends
// or is not whole in time.
static void readKnock(Knock *k, long long now)
{
    ssize_t got = recv(k->fd, k->text + k->length, KNOCK_MAX - k->length, MSG_DONTWAIT);
    if (got > 0)
        k->length += (size_t)got;
    char *end = (char *)memmem(k->text, k->length, "\n\n", 2);
    if (end) {
        char answer = answerOf(k->text, end + 1);
        send(k->fd, &answer, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        dropKnock(k);
    } else if (got == 0 || (got < 0 && errno != EAGAIN) || k->length == KNOCK_MAX ||
               now - k->since > KNOCK_SILENCE_MS) {
        dropKnock(k);
    }
}

static Knock *freeKnock()
{
    for (Knock &k : knocks)
        if (k.fd < 0)
            return &k;
    return nullptr;
}

void answerKnocks()
{
    // Nothing to do unless a start knocked or a knock said more.
    pollfd wake{instanceWakeFd, POLLIN, 0};
    if (listener < 0 || poll(&wake, 1, 0) != 1)
        return;
    long long now = ugNowMs();
    for (int i = 0; i < KNOCKS_PER_PASS; i++) {
        int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            break;
        Knock *k = freeKnock();
        epoll_event event{EPOLLIN, {}};
        if (!k || epoll_ctl(instanceWakeFd, EPOLL_CTL_ADD, fd, &event) != 0) {
            close(fd);  // refused: the start that knocked tries again
            continue;
        }
        k->fd = fd;
        k->since = now;
        k->length = 0;
    }
    for (Knock &k : knocks)
        if (k.fd >= 0)
            readKnock(&k, now);
}
