#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "sim/EncoderState.h"

namespace kestrine::sim {

// What the serving thread and the threads that steer the fleet share, under one
// mutex: every encoder's state, and the hand-shake by which a change that only
// the serving thread can carry out (closing or reopening a listener) is waited for.
struct FleetCore {
  std::mutex mutex;
  std::condition_variable changesApplied;
  std::vector<EncoderState> encoders;

  bool running = false;   // the serving thread runs
  bool stopping = false;  // asked to end
  std::uint64_t changesRequested = 0;
  std::uint64_t changesDone = 0;

  // What went wrong while serving and could not be said to a caller; set before
  // the serving thread starts, called by it (with the mutex held or not).
  std::function<void(const std::string&)> reportProblem;

  // A datagram to the serving thread's wake-up socket ends its wait at once.
  platform::Socket wakeSender;
  std::uint16_t wakePort = 0;

  // Call with the mutex held.
  void WakeServingThread();
  // Asks the serving thread to act on changed settings and waits until it has. Call with the mutex held.
  void ApplyChanges(std::unique_lock<std::mutex>& lock);
};

}  // namespace kestrine::sim
