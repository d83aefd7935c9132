#pragma once

// The few socket calls in which Winsock and POSIX differ, for platform/'s own sources
// only. Each is implemented twice: SocketSystemPosix.cpp and SocketSystemWindows.cpp
// (the build takes the one for its system). Everything else is the shared BSD interface,
// whose headers differ too: they are included here.

#include <cstddef>
#include <system_error>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "platform/Socket.h"

namespace kestrine::platform::os {

#ifdef _WIN32
using SockLen = int;
using PollRecord = WSAPOLLFD;
#else
using SockLen = socklen_t;
using PollRecord = pollfd;
#endif

// A new IPv4 socket that no program we start inherits and that never raises SIGPIPE;
// kInvalidSocket on failure.
NativeSocket OpenSocket(int type, int protocol);
// The next pending connection, with the same guarantees; kInvalidSocket when none.
NativeSocket AcceptConnection(NativeSocket listener);
void CloseSocket(NativeSocket s);

// poll() over the records; a signal does not cut the wait short. Returns the number of
// ready records, 0 on timeout and -1 on failure.
int Poll(PollRecord* records, std::size_t count, int timeoutMs);

bool SetNonBlocking(NativeSocket s, bool enabled);
// Flags for every send: never a SIGPIPE.
int SendFlags();

// Right after a failed call: why, and what the failure means.
std::error_code LastError();
bool ConnectStillInProgress();  // a non-blocking connect goes on in the background
bool Interrupted();             // a signal cut the call short; try again
bool DatagramCut();             // recvfrom filled the buffer from a longer datagram

bool Start();

}  // namespace kestrine::platform::os
