#pragma once

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "cli/Kestrinectl.h"
#include "sim/EncoderFleet.h"

namespace kestrine::test {

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
  [[nodiscard]] nlohmann::json Json() const { return nlohmann::json::parse(out); }  // throws unless one document
};

// kestrinectl run in this process against a simulated fleet on loopback (its ports, short waits), then `args`.
inline CommandResult RunAgainst(sim::EncoderFleet& fleet, const std::vector<std::string>& args) {
  std::vector<std::string> all{"kestrinectl",
                               "--port",
                               std::to_string(fleet.Encoder(0).ControlPort()),
                               "--discovery-port",
                               std::to_string(fleet.DiscoveryPort()),
                               "--exchange-delay",
                               "5",
                               "--receive-timeout",
                               "1000"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<const char*> argv;
  for (const std::string& arg : all) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  CommandResult result;
  result.status = cli::RunKestrinectl(static_cast<int>(argv.size()), argv.data(), out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

}  // namespace kestrine::test
