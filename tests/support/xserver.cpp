#include "support/xserver.h"

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

XServer startXServer(int w, int h)
{
    XServer server{0, ""};
    int fds[2];
    if (pipe(fds) != 0)
        return server;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return server;
    }
    if (pid == 0) {
        // The server ends with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        char fd[16], screen[64];
        snprintf(fd, sizeof fd, "%d", fds[1]);
        snprintf(screen, sizeof screen, "%dx%dx24", w, h);
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", "+extension", "XTEST", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return server;
    }
    server.pid = pid;
    server.name = ":" + number;
    return server;
}

void stopXServer(XServer *server)
{
    if (server->pid <= 0)
        return;
    kill(server->pid, SIGTERM);
    waitpid(server->pid, nullptr, 0);
    server->pid = 0;
}
