// kestrine-encoder-sim: simulated encoders for demonstrations, tests and anyone without hardware.
#include <algorithm>
#include <iostream>
#include <string>

#include "platform/Ipv4Text.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatorCommandLine.h"
#include "stream/StreamReceiver.h"

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#else
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>
#endif

namespace {

using kestrine::sim::EncoderFleet;
using kestrine::sim::SimulatorSettings;

// A fleet of a thousand needs a thousand listeners and their connections.
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

// Blocked before the serving thread starts, so only AwaitStopSignal ever sees them.
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
#endif

void ApplyFaults(EncoderFleet& fleet, const SimulatorSettings& settings) {
  for (std::size_t i = 0; i < fleet.Count(); ++i) {
    kestrine::sim::SimulatedEncoder encoder = fleet.Encoder(i);
    if (settings.faultCommand) {
      encoder.SetReplyFaults(*settings.faultCommand, settings.faults);
    } else {
      encoder.SetReplyFaultsForAll(settings.faults);
    }
    encoder.SetDiscoveryFaults(settings.discovery);
    if (settings.refuse) encoder.SetRefuseConnections(true);
    const auto& chosen = settings.streamFaultEncoders;
    if (chosen.empty() || std::find(chosen.begin(), chosen.end(), i + 1) != chosen.end()) {
      encoder.SetStreamFaults(settings.streamFaults);
    }
    if (settings.streaming) encoder.SetStreaming(true);
  }
}

void ReportWhatIsServed(EncoderFleet& fleet, const SimulatorSettings& settings) {
  for (std::size_t i = 0; i < fleet.Count(); ++i) {
    kestrine::sim::SimulatedEncoder encoder = fleet.Encoder(i);
    const std::string where = encoder.AddressText() + ":" + std::to_string(encoder.ControlPort());
    std::cout << (settings.refuse ? "refusing connections on " : "listening on ") << where << '\n';
  }
  for (std::size_t i = 0; i < fleet.Count(); ++i) {
    kestrine::sim::SimulatedEncoder encoder = fleet.Encoder(i);
    const kestrine::stream::Destination to = kestrine::stream::DestinationOf(encoder.Configuration());
    std::cout << encoder.AddressText() << " streams to "
              << (to.framing == kestrine::stream::Framing::Rtp ? "rtp" : "udp") << "://"
              << kestrine::stream::FormatDestination(to) << (settings.streaming ? "" : " after 1005") << '\n';
  }
  if (fleet.DiscoveryPort() != 0) std::cout << "answering discovery on UDP 0.0.0.0:" << fleet.DiscoveryPort() << '\n';
  std::cout.flush();
}

}  // namespace

int main(int argc, char** argv) {
  // First of all, so that a stop requested while starting up still ends the program cleanly.
  PrepareForStopSignal();
  SimulatorSettings settings;
  if (const auto status = kestrine::sim::ParseSimulatorCommandLine(argc, argv, settings, std::cout, std::cerr)) {
    return *status;
  }
  AllowAllOpenFiles();

  settings.fleet.reportProblem = [](const std::string& problem) {
    std::cerr << "kestrine-encoder-sim: " << problem << '\n';
  };
  EncoderFleet fleet(settings.fleet);
  std::string error;
  if (!fleet.Start(error)) {
    std::cerr << "kestrine-encoder-sim: " << error << '\n';
    return 1;
  }
  ApplyFaults(fleet, settings);
  ReportWhatIsServed(fleet, settings);

  AwaitStopSignal();
  fleet.Stop();
  return 0;
}
