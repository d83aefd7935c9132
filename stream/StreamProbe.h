#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/Wait.h"
#include "stream/StreamAnalyser.h"
#include "stream/StreamFinding.h"
#include "stream/StreamJudge.h"
#include "stream/StreamReceiver.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::stream {

struct ProbeOptions {
  std::chrono::milliseconds duration{5000};
  std::string interfaceName;  // where to join a multicast group: a name or an address; empty: as routed
  JudgeOptions judge;
  // Called at least every 20 ms while the probe listens, so a window stays painted.
  platform::KeepAlive keepAlive;
  // Asked as often; true ends the probe early (its result then says so).
  std::function<bool()> cancelled;
};

struct ProbeResult {
  Destination destination;
  bool cancelled = false;
  StreamMeasurement measured;
  MeasuredProgram program;
  std::vector<StreamFinding> findings;  // in report order; none: the stream is what the record says, and sound

  [[nodiscard]] bool Ok() const { return findings.empty() && !cancelled; }
};

// Receives one encoder's stream where its record says it goes, for the duration, and judges it against the
// record and as an analyser does. Blocks for the duration (or less when cancelled). A destination this host
// cannot receive is an "unreceivable" finding, no datagram at all a "no-stream" one.
[[nodiscard]] ProbeResult ProbeStream(const config::EncoderConfiguration& record, const ProbeOptions& options);

// What the stream is, in one line: program 1 "Kestrine 1" (Kestrine), 4000.0 kbit/s, video 3512.2 kbit/s on
// PID 258, audio 192.0 kbit/s on PID 259, udp 127.0.0.1:5000.
[[nodiscard]] std::string SummaryText(const ProbeResult& result);

// "5 s", "0.8 s"
[[nodiscard]] std::string FormatDuration(std::chrono::milliseconds duration);

}  // namespace kestrine::stream
