#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>

#include "sim/EncoderFleet.h"
#include "sim/ReplyFaults.h"
#include "stream/StreamLayout.h"

namespace kestrine::sim {

// Everything kestrine-encoder-sim is told on its command line.
struct SimulatorSettings {
  FleetOptions fleet;
  ReplyFaults faults;                         // for every encoder
  std::optional<std::uint32_t> faultCommand;  // the reply faults apply to this command only
  bool refuse = false;
  DiscoveryFaults discovery;
  bool streaming = false;             // every encoder streams from the start
  stream::StreamFaults streamFaults;  // every encoder's
  // The encoders given faults of their own (positions from 1), each with every encoder's faults too.
  std::map<std::size_t, stream::StreamFaults> encoderStreamFaults;

  [[nodiscard]] const stream::StreamFaults& StreamFaultsOf(std::size_t position) const;
};

// Parses the options (reading --config's file). Returns nothing when the program is to
// run; otherwise its exit status: 0 after --help, 2 for a usage error, whose message
// went to `err`.
[[nodiscard]] std::optional<int> ParseSimulatorCommandLine(int argc, const char* const* argv,
                                                           SimulatorSettings& settings, std::ostream& out,
                                                           std::ostream& err);

}  // namespace kestrine::sim
