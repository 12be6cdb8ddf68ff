// The single instance, one game per user: the lock a running game holds in a folder only its user
// can enter, the knock a later start gives on it, and the running game's answer.
#pragma once

#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>

// The instance name: the module path with "/" for every "\".
void instanceName(const char *modulePath, char *name, size_t size);

// What a start's claim to the lock came to.
enum InstanceClaim {
    INSTANCE_OURS,          // this start holds the lock and plays
    INSTANCE_UNLOCKED,      // no lock to be had, or no answer from its holder: this start plays without one
    INSTANCE_CAME_FORWARD,  // the running game came forward
    INSTANCE_STAYED,        // the running game plays on this display but could not come forward
    INSTANCE_ELSEWHERE,     // the running game plays on another display
};

// Takes the lock of that instance name, or else knocks on it and waits up to timeoutMs for the
// running game's answer.
InstanceClaim claimInstance(const char *name, int timeoutMs);

// Readable when a later start knocks or a pending knock has more to say; -1 while this process
// holds no lock. The loop's wait watches it beside the display's connection.
extern int instanceWakeFd;
// Reads the knocks that are there and answers those that are whole, never waiting for one.
void answerKnocks();

// Between the lock and its knocks (instance_knock.cpp).

// Starts answering knocks on the lock's listening socket; 0 on failure.
int watchKnocks(int listener);
// Knocks on the lock at the address and waits until deadlineMs (ugNowMs) for the answer;
// INSTANCE_UNLOCKED when none came.
InstanceClaim knockRunningGame(const sockaddr_un *address, socklen_t length, long long deadlineMs);
