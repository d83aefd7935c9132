#include "config/RecordFields.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>

#include "config/DecimalText.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using C = EncoderConfiguration;

constexpr RecordField Number(std::string_view name, std::int32_t C::*member) {
  return {name, FieldKind::Number, member, nullptr, 0, 0};
}
constexpr RecordField Address(std::string_view name, std::uint32_t C::*member) {
  return {name, FieldKind::Address, nullptr, member, 0, 0};
}
constexpr RecordField Text(std::string_view name, std::size_t offset, std::size_t width) {
  return {name, FieldKind::Text, nullptr, nullptr, offset, width};
}

#define KESTRINE_TEXT(field) Text(#field, offsetof(C, field), sizeof(C::field))

const std::array kFields{
    KESTRINE_TEXT(version),
    Number("sequence_number", &C::sequence_number),
    Number("default_parameter", &C::default_parameter),
    Address("ipAddr", &C::ipAddr),
    Address("ipMask", &C::ipMask),
    Address("ipGate", &C::ipGate),
    Address("multicast_ip", &C::multicast_ip),
    Number("multicast_port", &C::multicast_port),
    Number("multicast_mode", &C::multicast_mode),
    KESTRINE_TEXT(old_password),
    KESTRINE_TEXT(new_password),
    Number("lock_keyboard", &C::lock_keyboard),
    Number("restart", &C::restart),
    Number("video_input", &C::video_input),
    Number("rate_mode", &C::rate_mode),
    Number("cvbs_brightness", &C::cvbs_brightness),
    Number("cvbs_contrast", &C::cvbs_contrast),
    Number("cvbs_saturation", &C::cvbs_saturation),
    Number("cvbs_hue", &C::cvbs_hue),
    Number("video_bitrate", &C::video_bitrate),
    Number("TS_bitrate", &C::TS_bitrate),
    Number("audio_input", &C::audio_input),
    Number("analog_left_volume", &C::analog_left_volume),
    Number("analog_right_volume", &C::analog_right_volume),
    Number("analog_bitrate", &C::analog_bitrate),
    Number("analog_mode", &C::analog_mode),
    Number("analog_channel_mode", &C::analog_channel_mode),
    Number("sdi_volume", &C::sdi_volume),
    Number("sdi_opt_group", &C::sdi_opt_group),
    Number("sdi_exist_group", &C::sdi_exist_group),
    Number("Audio_Delay", &C::Audio_Delay),
    Number("mux_bitrate", &C::mux_bitrate),
    Number("program_no", &C::program_no),
    Number("pmt_pid", &C::pmt_pid),
    Number("pcr_pid", &C::pcr_pid),
    Number("video_pid", &C::video_pid),
    Number("audio_pid", &C::audio_pid),
    KESTRINE_TEXT(prg_name),
    KESTRINE_TEXT(prg_provider_name),
};

#undef KESTRINE_TEXT

static_assert(std::is_standard_layout_v<C>, "text fields are located by offset");
static_assert(std::tuple_size_v<decltype(kFields)> == kRecordFieldCount, "every field is counted");

}  // namespace

std::span<char> TextField(const RecordField& field, EncoderConfiguration& record) {
  return {reinterpret_cast<char*>(&record) + field.textOffset, field.textWidth};
}

std::span<const char> TextField(const RecordField& field, const EncoderConfiguration& record) {
  return {reinterpret_cast<const char*>(&record) + field.textOffset, field.textWidth};
}

std::span<const RecordField> RecordFields() { return kFields; }

std::size_t RecordFieldIndex(const RecordField& field) { return static_cast<std::size_t>(&field - kFields.data()); }

const RecordField* FindRecordField(std::string_view name) {
  const auto found = std::find_if(kFields.begin(), kFields.end(), [&](const RecordField& f) { return f.name == name; });
  return found == kFields.end() ? nullptr : &*found;
}

std::string FormatFieldValue(const RecordField& field, const EncoderConfiguration& record) {
  switch (field.kind) {
    case FieldKind::Number:
      return FormatDecimal(record.*field.number);
    case FieldKind::Address:
      return platform::FormatIpv4(record.*field.address);
    case FieldKind::Text:
      return std::string(TextOf(TextField(field, record)));
  }
  return {};
}

}  // namespace kestrine::config
