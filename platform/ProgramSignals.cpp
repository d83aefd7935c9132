#include "platform/ProgramSignals.h"

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#else
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#endif

namespace kestrine::platform {

#ifdef _WIN32
namespace {
std::atomic<bool> stopRequested{false};
void RequestStop(int) { stopRequested = true; }
}  // namespace

void PrepareForStopSignal() {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
}

void AwaitStopSignal() {
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void AllowAllOpenFiles() {}
#else
namespace {
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}
}  // namespace

void PrepareForStopSignal() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void AwaitStopSignal() {
  const sigset_t signals = StopSignals();
  int received = 0;
  while (sigwait(&signals, &received) != 0) {
  }
}

void AllowAllOpenFiles() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}
#endif

}  // namespace kestrine::platform
