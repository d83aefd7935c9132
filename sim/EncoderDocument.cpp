#include "sim/EncoderDocument.h"

#include <algorithm>
#include <string>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "stream/StreamLayout.h"
#include "stream/TransportStreamGenerator.h"

namespace kestrine::sim {
namespace {

using config::EncoderConfiguration;
using platform::HostToNetwork32;
using platform::NetworkToHost32;

// Each encoder of a fleet streams to a port of its own on this host, where a player or a probe can take
// it without a multicast route: 127.0.0.1:5000, :5001, ... (ports wrap at the record's 9999).
constexpr std::uint32_t kStreamDestination = 0x7F000001;  // 127.0.0.1
constexpr std::size_t kFirstStreamPort = 5000;
constexpr std::size_t kStreamPorts = 5000;
constexpr std::uint32_t kSubnetMask = 0xFFFFFF00;    // 255.255.255.0

}  // namespace

EncoderConfiguration FactoryConfiguration(std::size_t index, std::uint32_t address) {
  EncoderConfiguration r;
  config::StoreText(r.version, "2.31");
  r.sequence_number = static_cast<std::int32_t>((index + 1) % 100);
  r.ipAddr = address;
  r.ipMask = HostToNetwork32(kSubnetMask);
  r.ipGate = HostToNetwork32((NetworkToHost32(address) & kSubnetMask) | 1);
  r.multicast_ip = HostToNetwork32(kStreamDestination);
  r.multicast_port = static_cast<std::int32_t>(kFirstStreamPort + index % kStreamPorts);
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
  record.TS_bitrate = record.mux_bitrate;
  // The video gets what the stream this encoder sends leaves it.
  std::string whyNot;
  if (const std::optional<stream::StreamLayout> layout = stream::LayoutFor(record, whyNot)) {
    if (const std::optional<std::int64_t> room = stream::TransportStreamGenerator::VideoRoom(*layout, whyNot)) {
      record.video_bitrate = static_cast<std::int32_t>(*room / 1000);
      return;
    }
  }
  // A record that describes no stream: the audio and 5 % multiplex overhead off the program bitrate.
  const std::int64_t program = record.mux_bitrate;
  const std::int64_t video = program - record.analog_bitrate - program / 20;
  record.video_bitrate = static_cast<std::int32_t>(std::clamp<std::int64_t>(video, 0, INT32_MAX));
}

std::string BuildEncoderDocument(const EncoderConfiguration& record, std::string_view password) {
  // An encoder reports the password it takes and never one it is yet to take.
  EncoderConfiguration reported = record;
  config::StoreText(reported.old_password, password);
  config::StoreText(reported.new_password, "");
  return config::WriteConfigurationDocument(reported, config::DocumentWriter::Encoder);
}

}  // namespace kestrine::sim
