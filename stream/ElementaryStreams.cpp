#include "stream/ElementaryStreams.h"

#include <algorithm>
#include <array>
#include <span>

#include "stream/VideoPictures.h"

namespace kestrine::stream {
namespace {

// Offsets inside the intra picture's sequence header (start code included): bit_rate_value, 18 bits in
// units of 400 bit/s, from byte 8.
constexpr std::size_t kBitRateByte = 8;
constexpr std::int64_t kBitRateUnit = 400;
constexpr std::int64_t kLargestBitRateValue = (1 << 18) - 2;  // all ones is reserved

// The picture header's temporal_reference: 10 bits right after the start code.
constexpr std::size_t kTemporalReferenceByte = 4;

std::size_t PictureStart(std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
    if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == 0) return i;
  }
  return 0;
}

void PutBitRate(std::vector<std::uint8_t>& picture, std::int64_t bitsPerSecond) {
  const std::int64_t value =
      std::clamp<std::int64_t>((bitsPerSecond + kBitRateUnit - 1) / kBitRateUnit, 1, kLargestBitRateValue);
  picture[kBitRateByte] = static_cast<std::uint8_t>(value >> 10);
  picture[kBitRateByte + 1] = static_cast<std::uint8_t>(value >> 2);
  picture[kBitRateByte + 2] = static_cast<std::uint8_t>(((value & 3) << 6) | (picture[kBitRateByte + 2] & 0x3F));
}

void PutTemporalReference(std::vector<std::uint8_t>& picture, std::size_t header, int reference) {
  std::uint8_t* at = picture.data() + header + kTemporalReferenceByte;
  at[0] = static_cast<std::uint8_t>(reference >> 2);
  at[1] = static_cast<std::uint8_t>(((reference & 3) << 6) | (at[1] & 0x3F));
}

// Layer II rates by bitrate_index, and which of them a channel mode may use (ISO/IEC 11172-3, 2.4.2.3).
constexpr std::array<int, 15> kLayer2Rates{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr int kSingleChannel = 3;

bool AllowedForMode(int kbps, int channelMode) {
  if (channelMode == kSingleChannel) return kbps <= 192;
  return kbps == 64 || kbps >= 96;
}

void PutPts(std::uint8_t* five, std::uint64_t pts) {
  pts &= kPtsWrap - 1;
  five[0] = static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E));
  five[1] = static_cast<std::uint8_t>(pts >> 22);
  five[2] = static_cast<std::uint8_t>(0x01 | ((pts >> 14) & 0xFE));
  five[3] = static_cast<std::uint8_t>(pts >> 7);
  five[4] = static_cast<std::uint8_t>(0x01 | ((pts << 1) & 0xFE));
}

}  // namespace

VideoSource::VideoSource(std::int64_t bitsPerSecond) : bitsPerSecond_(bitsPerSecond) {}

std::int64_t VideoSource::MinimumBitsPerSecond() {
  const auto group = static_cast<std::int64_t>(IntraPicture().size()) +
                     (kPicturesPerGroup - 1) * static_cast<std::int64_t>(PredictedPicture().size());
  return group * 8 * kFramesPerSecond / kPicturesPerGroup;
}

void VideoSource::NextPicture(std::vector<std::uint8_t>& out) {
  const int position = static_cast<int>(pictures_ % kPicturesPerGroup);
  const std::span<const std::uint8_t> coded = position == 0 ? IntraPicture() : PredictedPicture();
  out.assign(coded.begin(), coded.end());
  if (position == 0) {
    PutBitRate(out, bitsPerSecond_);
  } else {
    PutTemporalReference(out, PictureStart(coded), position);
  }
  ++pictures_;
  // Padding keeps the total on the rate; a picture larger than its share is made up by the next ones.
  const std::int64_t due = pictures_ * bitsPerSecond_ / (8 * kFramesPerSecond);
  const auto size = static_cast<std::int64_t>(out.size());
  if (due - bytesSoFar_ > size) out.resize(static_cast<std::size_t>(due - bytesSoFar_), 0);
  bytesSoFar_ += static_cast<std::int64_t>(out.size());
}

std::optional<std::vector<std::uint8_t>> SilentAudioFrame(int kbps, int channelMode) {
  const auto index = std::find(kLayer2Rates.begin() + 1, kLayer2Rates.end(), kbps);
  if (index == kLayer2Rates.end() || !AllowedForMode(kbps, channelMode)) return std::nullopt;
  // 144 * bitrate / sampling rate bytes; at 48 kHz never a padding slot.
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(144 * kbps * 1000 / kAudioSampleRate), 0);
  // Sync word; MPEG-1, Layer II, no CRC; the rate's index, 48 kHz; the channel mode, an original.
  frame[0] = 0xFF;
  frame[1] = 0xFD;
  frame[2] = static_cast<std::uint8_t>((index - kLayer2Rates.begin()) << 4 | 0x04);
  frame[3] = static_cast<std::uint8_t>(((channelMode & 3) << 6) | 0x04);
  return frame;
}

void AppendPesHeader(std::vector<std::uint8_t>& out, std::uint8_t streamId, std::uint64_t pts,
                     std::size_t payloadLength) {
  const std::size_t length = payloadLength + 8;  // the bytes after the length field
  const std::size_t field = length > 0xFFFF ? 0 : length;
  const std::size_t at = out.size();
  out.resize(at + kPesHeaderSize);
  std::uint8_t* h = out.data() + at;
  h[0] = 0x00;
  h[1] = 0x00;
  h[2] = 0x01;
  h[3] = streamId;
  h[4] = static_cast<std::uint8_t>(field >> 8);
  h[5] = static_cast<std::uint8_t>(field & 0xFF);
  h[6] = 0x84;  // '10', data aligned: each PES starts with a picture or a frame
  h[7] = 0x80;  // PTS only
  h[8] = 5;     // PES_header_data_length
  PutPts(h + 9, pts);
}

}  // namespace kestrine::stream
