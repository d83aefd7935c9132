#include "exporter/StreamModule.h"

#include <array>
#include <cstdint>

#include "config/EncoderConfiguration.h"
#include "stream/StreamProbe.h"

namespace kestrine::exporter {
namespace {

using stream::FindingKind;
using stream::StreamCounters;

constexpr const char* kStreamStage = "stream";
constexpr double kBytesPerSecondPerKbit = 1000.0 / 8.0;

struct CountedCheck {
  StreamCheck check;
  std::uint64_t StreamCounters::*count;
};
// Every check but the SDT's, which is a finding over the whole window rather than a count.
constexpr std::array<CountedCheck, kStreamCheckCount - 1> kCountedChecks{{
    {StreamCheck::SyncLoss, &StreamCounters::syncLosses},
    {StreamCheck::SyncByte, &StreamCounters::syncByteErrors},
    {StreamCheck::Pat, &StreamCounters::patErrors},
    {StreamCheck::Continuity, &StreamCounters::continuityErrors},
    {StreamCheck::Pmt, &StreamCounters::pmtErrors},
    {StreamCheck::Pid, &StreamCounters::pidErrors},
    {StreamCheck::TransportError, &StreamCounters::transportErrors},
    {StreamCheck::Crc, &StreamCounters::crcErrors},
    {StreamCheck::PcrRepetition, &StreamCounters::pcrRepetitionErrors},
    {StreamCheck::PcrDiscontinuity, &StreamCounters::pcrDiscontinuityErrors},
    {StreamCheck::RtpSequence, &StreamCounters::rtpSequenceErrors},
    {StreamCheck::RtpPayloadType, &StreamCounters::rtpOtherPayloadTypes},
    {StreamCheck::Interruption, &StreamCounters::interruptions},
}};

// Findings come in report order, the differences from the record last, from this kind on; each is
// named after the record field it contradicts.
constexpr FindingKind kFirstRecordFinding = FindingKind::MulticastMode;

std::optional<double> BytesPerSecond(std::optional<double> kbps) {
  if (!kbps) return std::nullopt;
  return *kbps * kBytesPerSecondPerKbit;
}

StreamReport ReportOf(const stream::ProbeResult& result, std::chrono::milliseconds window,
                      std::vector<ProbeFailure>& failures) {
  StreamReport report;
  const StreamCounters& counters = result.measured.counters;
  report.received = counters.datagrams > 0;
  report.window = window;
  report.bitrateBytesPerSecond = BytesPerSecond(result.program.bitrateKbps);
  report.videoBytesPerSecond = BytesPerSecond(result.program.videoKbps);
  report.audioBytesPerSecond = BytesPerSecond(result.program.audioKbps);
  for (const CountedCheck& counted : kCountedChecks) {
    report.errors[static_cast<std::size_t>(counted.check)] = static_cast<double>(counters.*counted.count);
  }
  for (const stream::StreamFinding& finding : result.findings) {
    // Without the window's length, which the scrape timeout and the configuration read make differ a little
    // each time: the reason is a label, and the length is in its own series.
    if (finding.kind == FindingKind::NoStream) {
      failures.push_back({kStreamStage, "no stream received at " + stream::FormatDestination(result.destination)});
    }
    if (finding.kind == FindingKind::SdtMissing) report.errors[static_cast<std::size_t>(StreamCheck::Sdt)] = 1;
    // Only the field: the finding's text carries the measured value, which would make a new series each probe.
    if (finding.kind >= kFirstRecordFinding) report.mismatches.emplace_back(stream::FindingKindName(finding.kind));
  }
  return report;
}

}  // namespace

std::optional<StreamReport> ProbeStream(const config::EncoderConfiguration& record, const StreamListening& listening,
                                        std::vector<ProbeFailure>& failures) {
  stream::ProbeOptions options;
  options.duration = listening.window;
  options.interfaceName = listening.interfaceName;
  options.cancelled = listening.cancelled;
  const stream::ProbeResult result = stream::ProbeStream(record, options);
  if (result.cancelled) {
    failures.push_back({kStreamStage, "the exporter is stopping"});
    return std::nullopt;
  }
  for (const stream::StreamFinding& finding : result.findings) {
    if (finding.kind == FindingKind::Unreceivable) {
      failures.push_back({kStreamStage, finding.text});
      return std::nullopt;
    }
  }
  return ReportOf(result, listening.window, failures);
}

}  // namespace kestrine::exporter
