#pragma once

#include <string>
#include <string_view>

namespace kestrine::stream {

// What a probe found wrong with a stream, in the order a report lists them: first whether it came at all,
// then the analyser's checks (TR 101 290 priority 1, then 2, then ours), then what differs from the record
// (named after the record's field).
enum class FindingKind {
  Unreceivable,
  NoStream,
  TsSyncLoss,
  SyncByteError,
  PatError,
  ContinuityCountError,
  PmtError,
  PidError,
  TransportError,
  CrcError,
  PcrRepetitionError,
  PcrDiscontinuityError,
  RtpSequenceError,
  RtpPayloadType,
  StreamInterrupted,
  SdtMissing,
  MulticastMode,
  ProgramNo,
  PmtPid,
  PcrPid,
  VideoPid,
  AudioPid,
  PrgName,
  PrgProviderName,
  MuxBitrate,
  VideoBitrate,
  AnalogBitrate,
};

struct StreamFinding {
  FindingKind kind = FindingKind::NoStream;
  std::string text;  // one line, with the configured and the measured value where there are both

  friend bool operator==(const StreamFinding&, const StreamFinding&) = default;
};

// "no-stream", "pat-error", "pmt_pid", ...
[[nodiscard]] std::string_view FindingKindName(FindingKind kind);

}  // namespace kestrine::stream
