#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "stream/PacedStream.h"
#include "stream/StreamAnalyser.h"
#include "stream/StreamLayout.h"
#include "stream/TransportStreamGenerator.h"
#include "support/SampleRecords.h"

namespace kestrine::stream::test {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The video rate an encoder with this record reports: what its stream leaves the video.
inline void DeriveVideoBitrate(config::EncoderConfiguration& r) {
  std::string whyNot;
  const std::optional<StreamLayout> layout = LayoutFor(r, whyNot);
  const std::optional<std::int64_t> room = layout ? TransportStreamGenerator::VideoRoom(*layout, whyNot) : std::nullopt;
  r.video_bitrate = room ? static_cast<std::int32_t>(*room / 1000) : 0;
}

// The record the streams of these tests are made from: nothing at its defaults, and a name in GB2312.
inline config::EncoderConfiguration TestRecord() {
  config::EncoderConfiguration r;
  r.multicast_ip = platform::HostToNetwork32(platform::kLoopbackHostOrder);
  r.multicast_port = 6000;
  r.mux_bitrate = 3000;
  r.analog_bitrate = 128;
  r.analog_channel_mode = 3;  // single
  r.program_no = 7;
  r.pmt_pid = 4096;
  r.pcr_pid = 4097;
  r.video_pid = 4098;
  r.audio_pid = 4099;
  config::StoreText(r.prg_name, samples::kGbNewsChannel);
  config::StoreText(r.prg_provider_name, "Harbour");
  DeriveVideoBitrate(r);
  return r;
}

struct Datagram {
  std::vector<std::uint8_t> bytes;
  Clock::time_point arrival;
};

// The datagrams an encoder with this record sends in `length`, each arriving when it is due.
inline std::vector<Datagram> Generate(const config::EncoderConfiguration& record, std::chrono::milliseconds length,
                                      const StreamFaults& faults = {}) {
  std::string whyNot;
  const std::optional<StreamLayout> layout = LayoutFor(record, whyNot);
  std::optional<TransportStreamGenerator> generator;
  if (layout) generator = TransportStreamGenerator::Create(*layout, faults, whyNot);
  std::vector<Datagram> datagrams;
  if (!generator) return datagrams;
  const Clock::time_point start{};
  PacedStream paced(std::move(*generator), record.multicast_mode == 0 ? Framing::Udp : Framing::Rtp, 0x1234, start,
                    faults.stopAfter);
  for (auto at = start; at <= start + length; at += 1ms) {
    paced.SendDue(at, [&](std::span<const std::uint8_t> d) { datagrams.push_back({{d.begin(), d.end()}, at}); });
  }
  return datagrams;
}

inline StreamMeasurement Analyse(const std::vector<Datagram>& datagrams, const config::EncoderConfiguration& record,
                                 std::optional<Clock::time_point> windowEnd = std::nullopt) {
  StreamAnalyser analyser(
      ProgramHint{static_cast<std::uint16_t>(record.program_no), static_cast<std::uint16_t>(record.pmt_pid)});
  for (const Datagram& d : datagrams) analyser.Feed(d.bytes, d.arrival);
  return analyser.Measure(windowEnd);
}

}  // namespace kestrine::stream::test
