#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "exporter/AllowList.h"
#include "exporter/EncoderProber.h"
#include "exporter/ProbeBudget.h"
#include "net/Protocol.h"

namespace kestrine::exporter {

// 9115 and 9116 are the blackbox and SNMP exporters, whose multi-target pattern
// this follows; Prometheus' list of default ports holds 9090-9094 and all of
// 9100-9999 (and has grown past 10000), so ours lies clear of it, below the
// range Linux hands out for outgoing connections (32768 and up).
inline constexpr std::uint16_t kDefaultListenPort = 29115;

struct ExporterSettings {
  std::string listenAddress = "127.0.0.1";        // dotted quad
  std::uint16_t listenPort = kDefaultListenPort;  // 0: the system picks one
  AllowList allow;
  BudgetRule budget;
  // Probes at once. A probe mostly waits (3 s of exchange delay by default), so a
  // thousand encoders scraped every 30 s keep about a hundred in flight.
  std::size_t maxConcurrent = 256;
  std::uint16_t encoderPort = net::kControlPort;  // for targets that name no port
  ProberSettings prober;
};

}  // namespace kestrine::exporter
