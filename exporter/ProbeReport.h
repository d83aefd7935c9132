#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "exporter/ProbeRequest.h"

namespace kestrine::exporter {

// A step of a probe that did not get what it went for, and why, in the words
// the operator knows from the other programs where there are some.
struct ProbeFailure {
  std::string stage;  // "config", "baseline" or "stream"
  std::string reason;
};

// A setting whose value differs from the saved baseline, both values as `show`
// prints them, texts decoded to UTF-8.
struct SettingDrift {
  std::string setting;
  std::string baseline;
  std::string current;
};

struct DriftReport {
  bool baselineLoaded = false;
  std::vector<SettingDrift> settings;  // in record order; empty: no drift
};

// The checks of the stream analyser whose errors are counted over the window, in the order of its report.
enum class StreamCheck {
  SyncLoss,
  SyncByte,
  Pat,
  Continuity,
  Pmt,
  Pid,
  TransportError,
  Crc,
  PcrRepetition,
  PcrDiscontinuity,
  RtpSequence,
  RtpPayloadType,
  Interruption,
  Sdt,
};
inline constexpr std::size_t kStreamCheckCount = 14;

struct StreamReport {
  bool received = false;
  std::chrono::duration<double> window{0};
  std::optional<double> bitrateBytesPerSecond;  // measured from the PCRs
  std::optional<double> videoBytesPerSecond;    // the elementary streams' own rates
  std::optional<double> audioBytesPerSecond;
  std::array<double, kStreamCheckCount> errors{};  // by StreamCheck
  // The record fields whose value the stream contradicts. Only the field: the measured values
  // change with every probe, and as labels they would make a new series each time.
  std::vector<std::string> mismatches;
};

struct ProbeReport {
  ProbeModule module = ProbeModule::Config;
  bool up = false;  // the encoder answered with a configuration document it accepted
  std::chrono::duration<double> duration{0};
  std::optional<config::EncoderConfiguration> record;
  std::optional<DriftReport> drift;    // with a baseline folder only
  std::optional<StreamReport> stream;  // module stream, once the configuration was read
  std::vector<ProbeFailure> failures;
};

}  // namespace kestrine::exporter
