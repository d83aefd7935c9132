// Datagrams as the probe receives them (untrusted: anyone may send to a group or a port) into the analyser,
// then the measurement and the judgement against a record. Besides the sanitizers:
//   - every transport stream byte is counted once, as part of a packet with its sync byte or not at all;
//   - the per-PID packet counts add up to the stream's;
//   - a measurement is always judged, every finding has a text, and tables only name PIDs below 8192.
//
// Input: repeated [length, 2 bytes LE, 11 bits used] [milliseconds since the last datagram, 1 byte] [bytes]
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "config/EncoderConfiguration.h"
#include "fuzz/FuzzCheck.h"
#include "stream/StreamAnalyser.h"
#include "stream/StreamJudge.h"

namespace {

using kestrine::fuzz::Require;
namespace stream = kestrine::stream;

constexpr std::size_t kMaxDatagramSize = 0x07FF;

kestrine::config::EncoderConfiguration Record() {
  kestrine::config::EncoderConfiguration r;
  r.program_no = 1;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 259;
  r.mux_bitrate = 4000;
  r.analog_bitrate = 192;
  r.video_bitrate = 3500;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  stream::StreamAnalyser analyser(stream::ProgramHint{1, 256});
  auto at = std::chrono::steady_clock::time_point{};
  std::size_t offered = 0;
  for (std::size_t i = 0; i + 3 <= size;) {
    const std::size_t wanted = (data[i] | (data[i + 1] << 8)) & kMaxDatagramSize;
    at += std::chrono::milliseconds(data[i + 2]);
    i += 3;
    const std::size_t length = std::min(wanted, size - i);
    analyser.Feed(std::span(data + i, length), at);
    offered += length;
    i += length;
  }
  const stream::StreamMeasurement m = analyser.Measure(at + std::chrono::milliseconds(100));
  Require(m.counters.bytes == m.counters.packets * stream::kPacketSize, "bytes are whole packets");
  Require(m.counters.bytes <= offered, "no byte is counted twice");
  std::uint64_t packets = 0;
  for (const stream::PidStatistics& pid : m.pids) {
    Require(pid.pid < stream::kPidCount, "PIDs are 13 bits");
    packets += pid.packets;
  }
  Require(packets == m.counters.packets, "the PIDs' packets add up");
  for (const stream::PmtTable& pmt : m.pmts) {
    for (const stream::ElementaryStream& es : pmt.streams) Require(es.pid < stream::kPidCount, "PMT PIDs are 13 bits");
  }
  for (const stream::StreamFinding& finding : stream::JudgeStream(Record(), m, {})) {
    Require(!finding.text.empty(), "every finding says what it is");
  }
  return 0;
}
