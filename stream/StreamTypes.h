#pragma once

#include <cstdint>
#include <string>

namespace kestrine::stream {

// What the PMT's stream_type says an elementary stream is (ISO/IEC 13818-1 table 2-34 and common use).
enum class StreamKind { Video, Audio, Other };

// The types the simulated encoders send.
inline constexpr std::uint8_t kMpeg2VideoType = 0x02;
inline constexpr std::uint8_t kMpeg1AudioType = 0x03;

[[nodiscard]] StreamKind KindOfStreamType(std::uint8_t type);
// "0x02 (MPEG-2 video)"; an unlisted type shows only its number.
[[nodiscard]] std::string DescribeStreamType(std::uint8_t type);

}  // namespace kestrine::stream
