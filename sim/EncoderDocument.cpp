#include "sim/EncoderDocument.h"

#include <algorithm>
#include <string>

#include "config/ConfigurationDocument.h"
#include "config/DecimalText.h"
#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"

namespace kestrine::sim {
namespace {

using config::EncoderConfiguration;
using config::FormatDecimal;
using platform::HostToNetwork32;
using platform::NetworkToHost32;

constexpr std::uint32_t kMulticastBase = 0xEF010101;  // 239.1.1.1
constexpr std::uint32_t kSubnetMask = 0xFFFFFF00;    // 255.255.255.0

std::string Keyword(bool first, std::string_view yes, std::string_view no) { return std::string(first ? yes : no); }

std::string Flag(std::int32_t value) { return value != 0 ? "true" : "false"; }

std::string MulticastModeText(std::int32_t mode) {
  if (mode == 0) return "udp";
  if (mode == 1) return "rtp";
  return "";
}

std::string AudioInputText(std::int32_t input) {
  if (input == 0) return "analog";
  if (input == 1) return "sdi";
  return "spdif";
}

class DocumentText final {
 public:
  void Line(int tabs, std::string_view text) {
    text_.append(static_cast<std::size_t>(tabs), '\t');
    text_.append(text);
    text_.push_back('\n');
  }
  void Leaf(int tabs, std::string_view name, std::string_view value) {
    Line(tabs, "<" + std::string(name) + ">" + std::string(value) + "</" + std::string(name) + ">");
  }
  void TextLeaf(int tabs, std::string_view name, std::string_view value) {
    Leaf(tabs, name, config::EscapeXmlText(value));
  }
  [[nodiscard]] std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

void AppendSystem(DocumentText& doc, const EncoderConfiguration& r, std::string_view password) {
  doc.Line(1, "<system>");
  doc.TextLeaf(2, "version", config::TextOf(r.version));
  doc.Leaf(2, "sequence_number", FormatDecimal(r.sequence_number));
  doc.Leaf(2, "default_parameter", Flag(r.default_parameter));
  doc.Line(2, "<ethernet>");
  doc.Leaf(3, "ipAddr", platform::FormatIpv4(r.ipAddr));
  doc.Leaf(3, "ipMask", platform::FormatIpv4(r.ipMask));
  doc.Leaf(3, "ipGate", platform::FormatIpv4(r.ipGate));
  doc.Leaf(3, "multicast_ip", platform::FormatIpv4(r.multicast_ip));
  doc.Leaf(3, "multicast_port", FormatDecimal(r.multicast_port));
  doc.Leaf(3, "multicast_mode", MulticastModeText(r.multicast_mode));
  doc.Line(2, "</ethernet>");
  doc.TextLeaf(2, "old_password", password);
  doc.TextLeaf(2, "new_password", "");
  doc.Leaf(2, "lock_keyboard", Flag(r.lock_keyboard));
  doc.Leaf(2, "restart", Flag(r.restart));
  doc.Line(1, "</system>");
}

void AppendVideo(DocumentText& doc, const EncoderConfiguration& r) {
  doc.Line(1, "<video>");
  doc.Leaf(2, "input", Keyword(r.video_input == 0, "cvbs", "sdi"));
  doc.Leaf(2, "rate_mode", Keyword(r.rate_mode == 0, "cbr", "vbr"));
  doc.Leaf(2, "cvbs_brightness", FormatDecimal(r.cvbs_brightness));
  doc.Leaf(2, "cvbs_contrast", FormatDecimal(r.cvbs_contrast));
  doc.Leaf(2, "cvbs_saturation", FormatDecimal(r.cvbs_saturation));
  doc.Leaf(2, "cvbs_hue", FormatDecimal(r.cvbs_hue));
  doc.Leaf(2, "bitrate", FormatDecimal(r.video_bitrate));
  doc.Leaf(2, "TS_bitrate", FormatDecimal(r.TS_bitrate));
  doc.Line(1, "</video>");
}

void AppendAudio(DocumentText& doc, const EncoderConfiguration& r) {
  doc.Line(1, "<audio>");
  doc.Leaf(2, "input", AudioInputText(r.audio_input));
  doc.Leaf(2, "analog_left_volume", FormatDecimal(r.analog_left_volume));
  doc.Leaf(2, "analog_right_volume", FormatDecimal(r.analog_right_volume));
  doc.Leaf(2, "analog_bitrate", FormatDecimal(r.analog_bitrate));
  doc.Leaf(2, "analog_mode", Keyword(r.analog_mode == 0, "mpeg1 layer2", "Unknown"));
  doc.Leaf(2, "analog_channel_mode", Keyword(r.analog_channel_mode == 0, "stereo", "single"));
  doc.Leaf(2, "sdi_volume", FormatDecimal(r.sdi_volume));
  doc.Leaf(2, "sdi_opt_group", FormatDecimal(r.sdi_opt_group));
  doc.Leaf(2, "sdi_exist_group", FormatDecimal(r.sdi_exist_group));
  doc.Leaf(2, "Audio_Delay", FormatDecimal(r.Audio_Delay));
  doc.Line(1, "</audio>");
}

void AppendMux(DocumentText& doc, const EncoderConfiguration& r) {
  doc.Line(1, "<mux>");
  doc.Leaf(2, "bitrate", FormatDecimal(r.mux_bitrate));
  doc.Leaf(2, "program_no", FormatDecimal(r.program_no));
  doc.Leaf(2, "pmt_pid", FormatDecimal(r.pmt_pid));
  doc.Leaf(2, "pcr_pid", FormatDecimal(r.pcr_pid));
  doc.Leaf(2, "video_pid", FormatDecimal(r.video_pid));
  doc.Leaf(2, "audio_pid", FormatDecimal(r.audio_pid));
  doc.TextLeaf(2, "prg_name", config::TextOf(r.prg_name));
  doc.TextLeaf(2, "prg_provider_name", config::TextOf(r.prg_provider_name));
  doc.Line(1, "</mux>");
}

}  // namespace

EncoderConfiguration FactoryConfiguration(std::size_t index, std::uint32_t address) {
  EncoderConfiguration r;
  config::StoreText(r.version, "2.31");
  r.sequence_number = static_cast<std::int32_t>((index + 1) % 100);
  r.ipAddr = address;
  r.ipMask = HostToNetwork32(kSubnetMask);
  r.ipGate = HostToNetwork32((NetworkToHost32(address) & kSubnetMask) | 1);
  r.multicast_ip = HostToNetwork32(kMulticastBase + static_cast<std::uint32_t>(index % 0xFFFF));
  r.multicast_port = 1234;
  r.multicast_mode = 0;
  r.cvbs_brightness = 128;
  r.cvbs_contrast = 128;
  r.cvbs_saturation = 128;
  r.cvbs_hue = 128;
  r.analog_left_volume = 3;  // "0db"
  r.analog_right_volume = 3;
  r.analog_bitrate = 192;
  r.sdi_volume = 3;
  r.mux_bitrate = 4000;
  r.program_no = 1;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 259;
  config::StoreText(r.prg_name, "Kestrine " + std::to_string(index + 1));
  config::StoreText(r.prg_provider_name, "Kestrine");
  DeriveBitrates(r);
  return r;
}

void DeriveBitrates(EncoderConfiguration& record) {
  const std::int64_t program = record.mux_bitrate;
  const std::int64_t video = program - record.analog_bitrate - program / 20;
  record.TS_bitrate = record.mux_bitrate;
  record.video_bitrate = static_cast<std::int32_t>(std::clamp<std::int64_t>(video, 0, INT32_MAX));
}

std::string BuildEncoderDocument(const EncoderConfiguration& record, std::string_view password) {
  DocumentText doc;
  doc.Line(0, R"(<?xml version="1.0" encoding="GB2312" standalone="no" ?>)");
  doc.Line(0, "<tavrix>");
  AppendSystem(doc, record, password);
  AppendVideo(doc, record);
  AppendAudio(doc, record);
  AppendMux(doc, record);
  doc.Line(0, "</tavrix>");
  return doc.Take();
}

}  // namespace kestrine::sim
