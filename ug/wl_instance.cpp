// The single instance over Wayland, where no client can see another's window: a later start
// knocks on the running game's instance lock with the activation token its launcher gave it, and
// the running game asks the compositor to bring its window forward.
#include "ug/instance.h"
#include "ug/wl_platform.h"

#include "xdg-activation-v1-client-protocol.h"

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// How long the running game waits for a knocking start to send its token.
enum { TOKEN_WAIT_MS = 100 };
enum { TOKEN_MAX = 256 };

// The token a launcher hands a program it starts, under either name launchers use.
static const char *launcherToken()
{
    const char *token = getenv("XDG_ACTIVATION_TOKEN");
    if (!token || !*token)
        token = getenv("DESKTOP_STARTUP_ID");
    return token ? token : "";
}

// A token the compositor made for us activates the surface once it arrives.
static void onToken(void *data, xdg_activation_token_v1 *request, const char *token)
{
    xdg_activation_v1_activate(wl.activation, token, (wl_surface *)data);
    xdg_activation_token_v1_destroy(request);
}

static const xdg_activation_token_v1_listener tokenListener = {onToken};

// Asks the compositor to activate the game window, with the knocking start's token, or without one
// with a token of our own tied to the player's latest input.
static void activate(const char *token)
{
    UgNativeWindow *w = currentDisplay && currentDisplay->windows ? ugFindNative(currentDisplay->windows->nativeWindow)
                                                                   : nullptr;
    if (!w || !wl.activation)
        return;
    wl_surface *surface = wlWindowOf(w)->surface;
    if (*token) {
        xdg_activation_v1_activate(wl.activation, token, surface);
        return;
    }
    xdg_activation_token_v1 *request = xdg_activation_v1_get_activation_token(wl.activation);
    xdg_activation_token_v1_add_listener(request, &tokenListener, surface);
    if (wl.seat)
        xdg_activation_token_v1_set_serial(request, wl.lastSerial, wl.seat);
    xdg_activation_token_v1_set_surface(request, surface);
    xdg_activation_token_v1_commit(request);
}

void wlAnswerInstances()
{
    for (;;) {
        int knock = instanceSocket < 0 ? -1 : accept4(instanceSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (knock < 0)
            return;
        char token[TOKEN_MAX] = "";
        pollfd p{knock, POLLIN, 0};
        ssize_t got = poll(&p, 1, TOKEN_WAIT_MS) > 0 ? read(knock, token, sizeof token - 1) : 0;
        token[got > 0 ? got : 0] = 0;
        token[strcspn(token, "\n")] = 0;
        activate(token);
        // The answer tells the knocking start that it may end.
        (void)!write(knock, "\n", 1);
        close(knock);
    }
}

int wlRaiseRunningInstance(const char *modulePath, int timeoutMs)
{
    char name[4096];
    instanceName(modulePath, name, sizeof name);
    sockaddr_un address;
    socklen_t length = instanceAddress(name, &address);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    char answer = 0;
    if (connect(fd, (sockaddr *)&address, length) == 0) {
        char line[TOKEN_MAX];
        snprintf(line, sizeof line, "%s\n", launcherToken());
        pollfd p{fd, POLLIN, 0};
        // The running game answers from its loop, which it may not have reached yet.
        if (write(fd, line, strlen(line)) > 0 && poll(&p, 1, timeoutMs) > 0 && read(fd, &answer, 1) != 1)
            answer = 0;
    }
    close(fd);
    return answer == '\n';
}
