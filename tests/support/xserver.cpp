#include "support/xserver.h"

#include <signal.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

XServer startXServer(int w, int h)
{
    int fds[2];
    pid_t pid = pipe(fds) == 0 ? fork() : -1;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server ends with the test, however the test ends
        close(fds[0]);
        std::string fd = std::to_string(fds[1]), screen = std::to_string(w) + "x" + std::to_string(h) + "x24";
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", "+extension", "XTEST", (char *)nullptr);
        _exit(127);
    }
    // Xvfb writes the display number it chose once it accepts connections, or ends.
    close(fds[1]);
    FILE *in = pid > 0 ? fdopen(fds[0], "r") : nullptr;
    int number = -1;
    if (!in || fscanf(in, "%d", &number) != 1) {
        XServer failed{pid, ""};
        stopXServer(&failed);
    }
    if (in)
        fclose(in);
    return number < 0 ? XServer{0, ""} : XServer{pid, ":" + std::to_string(number)};
}

void stopXServer(XServer *server)
{
    if (server->pid <= 0)
        return;
    kill(server->pid, SIGTERM);
    waitpid(server->pid, nullptr, 0);
    server->pid = 0;
}
