#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "stream/TsPacket.h"

namespace kestrine::stream {

// The simulated encoders' pictures and sound: a repeating group of pictures (one intra picture and 24
// predicted ones, a second at 25 frames/s) padded to any bitrate, and silent MPEG-1 Layer II frames at 48 kHz.
inline constexpr int kFramesPerSecond = 25;
inline constexpr int kPicturesPerGroup = 25;
inline constexpr std::int64_t kFrameTicks = kPtsHz / kFramesPerSecond;  // 90 kHz
inline constexpr std::int64_t kAudioSampleRate = 48000;
inline constexpr std::int64_t kAudioFrameSamples = 1152;
inline constexpr std::int64_t kAudioFrameTicks = kPtsHz * kAudioFrameSamples / kAudioSampleRate;

inline constexpr std::uint8_t kVideoStreamId = 0xE0;
inline constexpr std::uint8_t kAudioStreamId = 0xC0;

// Pictures one after another, each padded with zero bytes (which may stand before any start code) so that
// the elementary stream runs at the given rate; a picture is never shorter than its coded size.
class VideoSource final {
 public:
  explicit VideoSource(std::int64_t bitsPerSecond);

  // The lowest rate at which no picture needs more room than its share.
  [[nodiscard]] static std::int64_t MinimumBitsPerSecond();

  // The next picture; `out` is replaced.
  void NextPicture(std::vector<std::uint8_t>& out);

 private:
  std::int64_t bitsPerSecond_;
  std::int64_t pictures_ = 0;
  std::int64_t bytesSoFar_ = 0;
};

// One silent Layer II frame (no CRC, every subband without bits) at `kbps`, stereo or single channel as
// `channelMode` says (the record's values: 0 stereo, 3 single). Nothing when Layer II has no such rate for
// that mode.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> SilentAudioFrame(int kbps, int channelMode);

// A PES packet header with a presentation time stamp, for `payloadLength` bytes after it (0 in the
// length field when it is too long to say, as video may be).
void AppendPesHeader(std::vector<std::uint8_t>& out, std::uint8_t streamId, std::uint64_t pts,
                     std::size_t payloadLength);
inline constexpr std::size_t kPesHeaderSize = 14;

}  // namespace kestrine::stream
