#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stream/PsiTables.h"
#include "stream/StreamAnalyser.h"
#include "stream/StreamFinding.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::stream {

struct JudgeOptions {
  double bitrateTolerancePercent = 2.0;  // the PCR-measured rate against mux_bitrate
  // An elementary stream's rate against its configured bitrate: wider, a short window sees its pictures
  // and frames whole or not at all.
  double elementaryTolerancePercent = 10.0;
};

// No SDT in this much stream is a finding (EN 300 468 wants one at least every 2 s); with less the names
// go unchecked.
inline constexpr double kSdtRepetitionSeconds = 2.0;

// What the stream says about the record's program: where its tables put it and what they call it.
struct MeasuredProgram {
  std::optional<std::uint16_t> programNumber;  // the record's when the PAT or a PMT has it, else the PAT's first
  std::optional<std::uint16_t> pmtPid;
  std::optional<std::uint16_t> pcrPid;
  std::optional<ElementaryStream> video;  // the stream on video_pid if it is video, else the first video stream
  std::optional<ElementaryStream> audio;
  std::optional<std::string> serviceName;  // UTF-8
  std::optional<std::string> providerName;
  std::optional<double> bitrateKbps;  // from the PCRs
  std::optional<double> videoKbps;    // elementary rates
  std::optional<double> audioKbps;
};
[[nodiscard]] MeasuredProgram FindProgram(const config::EncoderConfiguration& record, const StreamMeasurement& m);

// A name from a service descriptor as UTF-8: its character-table byte read (GB2312, 0x13, as the record's
// texts; UTF-8, 0x15; anything else as the record's encoding), undecodable bytes as U+FFFD.
[[nodiscard]] std::string DecodeServiceText(std::string_view bytes);

// What is wrong with the stream in itself: TR 101 290 priority 1, its transport error, CRC and PCR checks
// of priority 2, RTP sequence numbers, interruptions, a missing SDT.
[[nodiscard]] std::vector<StreamFinding> AnalyserFindings(const StreamMeasurement& m);

// What differs from the record: transport, program, PIDs and stream types, names, the transport rate within
// its tolerance, the elementary rates. A value the stream does not carry at all (no PAT, no SDT) is left to
// the analyser's finding for it, so one fault gives one finding.
[[nodiscard]] std::vector<StreamFinding> CompareWithRecord(const config::EncoderConfiguration& record,
                                                           const StreamMeasurement& m, const JudgeOptions& options);

// Both, in report order.
[[nodiscard]] std::vector<StreamFinding> JudgeStream(const config::EncoderConfiguration& record,
                                                     const StreamMeasurement& m, const JudgeOptions& options);

// "12.3"
[[nodiscard]] std::string FormatKbps(double kbps);

}  // namespace kestrine::stream
