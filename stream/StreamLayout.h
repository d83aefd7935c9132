#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::stream {

// What one program's transport stream is to carry, as its encoder's record says.
struct StreamLayout {
  std::uint16_t transportStreamId = 1;
  std::uint16_t originalNetworkId = 1;
  std::uint16_t programNumber = 1;
  std::uint16_t pmtPid = 256;
  std::uint16_t pcrPid = 257;  // may be the video's or the audio's PID, or one of its own
  std::uint16_t videoPid = 258;
  std::uint16_t audioPid = 259;
  std::int64_t muxBitsPerSecond = 4'000'000;
  std::int64_t videoBitsPerSecond = 3'600'000;  // wanted; less when the multiplex has no room for it
  int audioKbps = 192;
  int audioChannelMode = 0;  // the record's values: 0 stereo, 3 single channel
  // The record's bytes (GB2312); the service descriptor carries them behind the GB2312 table byte.
  std::string serviceName;
  std::string providerName;
};

// How a simulated encoder's stream misbehaves, for demonstrations and tests. The default is a sound stream.
struct StreamFaults {
  bool noPat = false;
  bool noSdt = false;
  bool swapPids = false;          // video and audio each on the other's PID (the PMT says so too)
  bool continuityErrors = false;  // four times a second a video packet skips a continuity count
  // PCRs this far apart instead of every 30 ms (more than 40 ms is a PCR repetition error).
  std::optional<std::chrono::milliseconds> pcrInterval;
  // The stream runs this many percent off the record's mux_bitrate; its PCRs tell the rate it runs at.
  double bitrateOffsetPercent = 0;
  // The stream falls silent this long after it starts (until it is started again).
  std::optional<std::chrono::milliseconds> stopAfter;

  friend bool operator==(const StreamFaults&, const StreamFaults&) = default;
};

// The layout an encoder with this record sends, or nothing (with the reason in `whyNot`) when the record
// describes no stream that could be sent: PIDs outside 16..8190 or shared where they may not be, program 0,
// an audio rate Layer II does not have for the channel mode.
[[nodiscard]] std::optional<StreamLayout> LayoutFor(const config::EncoderConfiguration& record, std::string& whyNot);

}  // namespace kestrine::stream
