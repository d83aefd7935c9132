#include "platform/StopRequest.h"

#include <csignal>
#include <pthread.h>

namespace kestrine::platform {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

// Blocked before any other thread starts (they inherit the mask), so only Await ever sees them.
StopRequest::StopRequest() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

StopRequest::~StopRequest() = default;

void StopRequest::Await() {
  const sigset_t signals = StopSignals();
  int received = 0;
  while (sigwait(&signals, &received) != 0) {
  }
}

}  // namespace kestrine::platform
