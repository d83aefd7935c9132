// kestrine-encoder-sim: simulated encoders for demonstrations, tests and anyone without hardware.
#include <iostream>
#include <string>

#include "platform/Ipv4Text.h"
#include "platform/OpenFileLimit.h"
#include "platform/ProgramStart.h"
#include "platform/StopRequest.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatorCommandLine.h"
#include "stream/StreamReceiver.h"

namespace {

using kestrine::sim::EncoderFleet;
using kestrine::sim::SimulatorSettings;

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
    encoder.SetStreamFaults(settings.StreamFaultsOf(i + 1));
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
  kestrine::platform::StopRequest stop;
  kestrine::platform::ProgramStart start(argc, argv);
  SimulatorSettings settings;
  if (const auto status =
          kestrine::sim::ParseSimulatorCommandLine(start.Argc(), start.Argv(), settings, std::cout, std::cerr)) {
    return *status;
  }
  // A fleet of a thousand needs a thousand listeners and their connections.
  (void)kestrine::platform::RaiseOpenFileLimit();

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

  stop.Await();
  fleet.Stop();
  return 0;
}
