// The program entry's helpers: single-instance naming and lock, the running window's search, the argument vector.
#pragma once

#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>

struct InstanceSearch {
    const char *modulePath;
    unsigned long foundWindow;  // the X window found, 0 until a match
};

enum { UG_MAX_ARGS = 64 };

// The instance name: the module path with "/" for every "\".
void instanceName(const char *modulePath, char *name, size_t size);
// The socket address the instance lock of that name takes; its length.
socklen_t instanceAddress(const char *name, sockaddr_un *address);
// The lock's listening socket while this process holds it, else -1.
extern int instanceSocket;
// Takes the single-instance lock named by name; 1 when it is ours, 0 when another process holds it, -1 on failure.
int claimInstance(const char *name);
// Joins the arguments after the program's own with blanks into a heap string.
char *joinCommandLine(int argc, char **argv);
// Cuts line in place on blanks into argv after entry 0; returns the count, at most UG_MAX_ARGS.
int splitCommandLine(char *line, char **argv);
// Checks one top-level window against the search; 0 stops the enumeration with the window stored.
int matchInstanceWindow(void *display, unsigned long window, InstanceSearch *search);
// One pass over the top-level windows and the window manager's client list; 1 when a window was found.
int findInstanceWindow(void *display, InstanceSearch *search);
// Searches again after each change among the top-level windows until one matches or timeoutMs passes; 1 when found.
int awaitInstanceWindow(void *display, InstanceSearch *search, int timeoutMs);
// Raises the window and asks the window manager to activate it.
void bringForward(void *display, unsigned long window);
// Asks the running instance, through the platform in use, to bring its window forward, waiting up
// to timeoutMs for it; 1 when it did.
int raiseRunningInstance(const char *modulePath, int timeoutMs);
