// A private Xvfb server for one test, so tests never share or need a desktop.
#pragma once

#include <string>
#include <sys/types.h>

struct XServer {
    pid_t pid;
    std::string name;  // display name, e.g. ":7"
};

// Starts Xvfb with one screen of w x h x 24; pid 0 on failure.
XServer startXServer(int w = 640, int h = 480);
void stopXServer(XServer *server);
