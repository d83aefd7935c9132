#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"

namespace kestrine::cli {

struct ProbeArguments {
  long long durationMs = 5000;
  std::string interfaceName;  // where multicast groups are joined; empty: as the routing table says
  double bitrateTolerancePercent = 2.0;
};

// Reads each encoder's configuration (command 1004 only), receives its stream where the configuration says
// it goes, and judges it against the configuration and as an analyser does; every encoder at once.
// Exit 1 when any stream differs or has errors (or is not there).
int RunProbe(const GlobalOptions& options, const std::vector<Target>& targets, const ProbeArguments& arguments,
             Streams streams);

}  // namespace kestrine::cli
