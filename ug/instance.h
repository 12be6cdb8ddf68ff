// The single instance: the lock a running game holds, and asking that game to come forward.
#pragma once

#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>

// The instance name: the module path with "/" for every "\".
void instanceName(const char *modulePath, char *name, size_t size);
// The socket address the instance lock of that name takes; its length.
socklen_t instanceAddress(const char *name, sockaddr_un *address);
// The lock's listening socket while this process holds it, else -1.
extern int instanceSocket;
// Takes the single-instance lock named by name; 1 when it is ours, 0 when another process holds it, -1 on failure.
int claimInstance(const char *name);
// Asks the running instance, through the platform in use, to bring its window forward, waiting up
// to timeoutMs for it; 1 when it did.
int raiseRunningInstance(const char *modulePath, int timeoutMs);
