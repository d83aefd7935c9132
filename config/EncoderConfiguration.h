#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrine::config {

// Widths of the record's text fields, terminator included.
inline constexpr std::size_t kVersionWidth = 23;
inline constexpr std::size_t kPasswordWidth = 20;
inline constexpr std::size_t kNameWidth = 42;

// One encoder's settings, the device entry of its tree node. Numbers are signed
// 32-bit, addresses are in network byte order, texts are NUL-terminated bytes in
// the document's own encoding (never converted here). A new record is all zeros.
struct EncoderConfiguration {
  std::uint8_t configurationRead = 0;
  std::array<char, kVersionWidth> version{};
  std::int32_t sequence_number = 0;
  std::int32_t default_parameter = 0;
  std::uint32_t ipAddr = 0;
  std::uint32_t ipMask = 0;
  std::uint32_t ipGate = 0;
  std::uint32_t multicast_ip = 0;
  std::int32_t multicast_port = 0;
  std::int32_t multicast_mode = 0;
  std::array<char, kPasswordWidth> old_password{};
  std::array<char, kPasswordWidth> new_password{};
  std::int32_t lock_keyboard = 0;
  std::int32_t restart = 0;
  std::int32_t video_input = 0;
  std::int32_t rate_mode = 0;
  std::int32_t cvbs_brightness = 0;
  std::int32_t cvbs_contrast = 0;
  std::int32_t cvbs_saturation = 0;
  std::int32_t cvbs_hue = 0;
  std::int32_t video_bitrate = 0;
  std::int32_t TS_bitrate = 0;
  std::int32_t audio_input = 0;
  std::int32_t analog_left_volume = 0;
  std::int32_t analog_right_volume = 0;
  std::int32_t analog_bitrate = 0;
  std::int32_t analog_mode = 0;
  std::int32_t analog_channel_mode = 0;
  std::int32_t sdi_volume = 0;
  std::int32_t sdi_opt_group = 0;
  std::int32_t sdi_exist_group = 0;
  std::int32_t Audio_Delay = 0;
  std::int32_t mux_bitrate = 0;
  std::int32_t program_no = 0;
  std::int32_t pmt_pid = 0;
  std::int32_t pcr_pid = 0;
  std::int32_t video_pid = 0;
  std::int32_t audio_pid = 0;
  std::array<char, kNameWidth> prg_name{};
  std::array<char, kNameWidth> prg_provider_name{};

  friend bool operator==(const EncoderConfiguration&, const EncoderConfiguration&) = default;
};

// The text held in a field: up to its first NUL, never past its end.
[[nodiscard]] std::string_view TextOf(std::span<const char> field);

// Stores text into a field, cut to the field's width less the terminator and
// never inside a multi-byte character; the rest of the field is zero-filled.
void StoreText(std::span<char> field, std::string_view text);

}  // namespace kestrine::config
