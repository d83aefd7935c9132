#include "stream/StreamTypes.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace kestrine::stream {
namespace {

struct StreamTypeInfo {
  std::uint8_t type;
  StreamKind kind;
  std::string_view name;
};

// clang-format off
constexpr std::array kStreamTypes{
    StreamTypeInfo{0x01, StreamKind::Video, "MPEG-1 video"},
    StreamTypeInfo{0x02, StreamKind::Video, "MPEG-2 video"},
    StreamTypeInfo{0x03, StreamKind::Audio, "MPEG-1 audio"},
    StreamTypeInfo{0x04, StreamKind::Audio, "MPEG-2 audio"},
    StreamTypeInfo{0x06, StreamKind::Other, "private data"},
    StreamTypeInfo{0x0F, StreamKind::Audio, "AAC audio"},
    StreamTypeInfo{0x10, StreamKind::Video, "MPEG-4 video"},
    StreamTypeInfo{0x11, StreamKind::Audio, "AAC LATM audio"},
    StreamTypeInfo{0x1B, StreamKind::Video, "H.264 video"},
    StreamTypeInfo{0x24, StreamKind::Video, "HEVC video"},
    StreamTypeInfo{0x81, StreamKind::Audio, "AC-3 audio"},
};
// clang-format on

const StreamTypeInfo* Find(std::uint8_t type) {
  for (const StreamTypeInfo& info : kStreamTypes) {
    if (info.type == type) return &info;
  }
  return nullptr;
}

}  // namespace

StreamKind KindOfStreamType(std::uint8_t type) {
  const StreamTypeInfo* info = Find(type);
  return info ? info->kind : StreamKind::Other;
}

std::string DescribeStreamType(std::uint8_t type) {
  char number[8];
  std::snprintf(number, sizeof number, "0x%02X", type);
  const StreamTypeInfo* info = Find(type);
  return info ? std::string(number) + " (" + std::string(info->name) + ")" : std::string(number);
}

}  // namespace kestrine::stream
