// kestrine-exporter: Prometheus exporter for Kestrine encoders, one probe per scrape.
#include <csignal>
#include <iostream>
#include <string>

#include "exporter/ExporterCommandLine.h"
#include "exporter/ExporterServer.h"

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <thread>
#else
#include <pthread.h>
#include <sys/resource.h>
#endif

namespace {

using kestrine::exporter::ExporterServer;
using kestrine::exporter::ExporterSettings;

// Every probe holds a connection (and a stream probe a receiving socket) while it waits.
void AllowAllOpenFiles() {
#ifndef _WIN32
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
#endif
}

#ifdef _WIN32
std::atomic<bool> stopRequested{false};
void RequestStop(int) { stopRequested = true; }
void PrepareForStopSignal() {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
}
void AwaitStopSignal() {
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
#else
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}
// Blocked before any worker starts, so only AwaitStopSignal ever sees them.
void PrepareForStopSignal() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a scraper that hangs up must not end the exporter
}
void AwaitStopSignal() {
  const sigset_t signals = StopSignals();
  int received = 0;
  while (sigwait(&signals, &received) != 0) {
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  PrepareForStopSignal();
  ExporterSettings settings;
  if (const auto status = kestrine::exporter::ParseExporterCommandLine(argc, argv, settings, std::cout, std::cerr)) {
    return *status;
  }
  AllowAllOpenFiles();
  ExporterServer server(settings);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "kestrine-exporter: " << error << '\n';
    return 1;
  }
  const bool ipv6 = settings.listenAddress.find(':') != std::string::npos;
  std::cout << "kestrine-exporter: listening on http://"
            << (ipv6 ? "[" + settings.listenAddress + "]" : settings.listenAddress) << ':' << server.Port() << "/"
            << std::endl;
  AwaitStopSignal();
  server.Stop();
  return 0;
}
