#pragma once

#include <chrono>
#include <span>

#include "platform/Socket.h"

namespace kestrine::platform {

// One socket watched by PollSockets: what the caller waits for, and what came.
struct PollEntry {
  NativeSocket socket{};
  bool wantRead = false;
  bool wantWrite = false;
  bool readable = false;  // data, a pending connection, or the peer's end of stream
  bool writable = false;
  bool broken = false;    // error or hang-up: the next receive or send reports it
};

// Waits until at least one entry is ready, at most timeout (negative: no limit).
// Returns the number of ready entries, 0 on timeout and -1 on failure.
int PollSockets(std::span<PollEntry> entries, std::chrono::milliseconds timeout);

}  // namespace kestrine::platform
