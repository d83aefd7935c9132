#include "cli/ProbeCommand.h"

#include <array>
#include <string_view>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "stream/StreamProbe.h"
#include "stream/StreamTypes.h"

namespace kestrine::cli {
namespace {

// The record's fields a stream is judged by, as the JSON's "configured" shows them.
constexpr std::array<std::string_view, 13> kConfiguredFields{
    "multicast_ip",   "multicast_port", "multicast_mode",   "mux_bitrate", "video_bitrate",
    "analog_bitrate", "program_no",     "pmt_pid",          "pcr_pid",     "video_pid",
    "audio_pid",      "prg_name",       "prg_provider_name"};

Json Configured(const config::EncoderConfiguration& record) {
  Json configured = Json::object();
  for (const std::string_view name : kConfiguredFields)
    PutRecordField(configured, *config::FindRecordField(name), record);
  return configured;
}

std::string_view TransportName(stream::Transport transport) {
  switch (transport) {
    case stream::Transport::Udp:
      return "udp";
    case stream::Transport::Rtp:
      return "rtp";
    case stream::Transport::Mixed:
      return "mixed";
    case stream::Transport::None:
      break;
  }
  return "none";
}

template <typename Value>
Json OrNull(const std::optional<Value>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json Measured(const stream::ProbeResult& result) {
  const stream::MeasuredProgram& p = result.program;
  const stream::StreamMeasurement& m = result.measured;
  Json measured = Json::object();
  measured["transport"] = std::string(TransportName(m.transport));
  measured["seconds"] = m.seconds;
  measured["bitrate_kbps"] = OrNull(p.bitrateKbps);
  measured["program_no"] = OrNull(p.programNumber);
  measured["pmt_pid"] = OrNull(p.pmtPid);
  measured["pcr_pid"] = OrNull(p.pcrPid);
  measured["video_pid"] = p.video ? Json(p.video->pid) : Json(nullptr);
  measured["video_stream_type"] = p.video ? Json(p.video->type) : Json(nullptr);
  measured["video_kbps"] = OrNull(p.videoKbps);
  measured["audio_pid"] = p.audio ? Json(p.audio->pid) : Json(nullptr);
  measured["audio_stream_type"] = p.audio ? Json(p.audio->type) : Json(nullptr);
  measured["audio_kbps"] = OrNull(p.audioKbps);
  measured["prg_name"] = OrNull(p.serviceName);  // already UTF-8, decoded as the page decodes
  measured["prg_provider_name"] = OrNull(p.providerName);
  Json pids = Json::array();
  for (const stream::PidStatistics& pid : m.pids) {
    pids.push_back(
        {{"pid", pid.pid}, {"packets", pid.packets}, {"kbps", pid.kbps}, {"continuity_errors", pid.continuityErrors}});
  }
  measured["pids"] = std::move(pids);
  return measured;
}

Json Counters(const stream::StreamCounters& c) {
  return {{"datagrams", c.datagrams},
          {"udp_datagrams", c.udpDatagrams},
          {"rtp_datagrams", c.rtpDatagrams},
          {"packets", c.packets},
          {"bytes", c.bytes},
          {"ts_sync_loss", c.syncLosses},
          {"sync_byte_error", c.syncByteErrors},
          {"pat_error", c.patErrors},
          {"continuity_count_error", c.continuityErrors},
          {"pmt_error", c.pmtErrors},
          {"pid_error", c.pidErrors},
          {"transport_error", c.transportErrors},
          {"crc_error", c.crcErrors},
          {"pcr_repetition_error", c.pcrRepetitionErrors},
          {"pcr_discontinuity_error", c.pcrDiscontinuityErrors},
          {"rtp_sequence_error", c.rtpSequenceErrors},
          {"rtp_lost_datagrams", c.rtpLostDatagrams},
          {"rtp_other_payload_type", c.rtpOtherPayloadTypes},
          {"interruptions", c.interruptions}};
}

Json Findings(const std::vector<stream::StreamFinding>& findings) {
  Json list = Json::array();
  for (const stream::StreamFinding& f : findings) {
    list.push_back({{"kind", std::string(stream::FindingKindName(f.kind))}, {"text", f.text}});
  }
  return list;
}

std::string FindingLine(const stream::StreamFinding& finding) {
  return std::string(stream::FindingKindName(finding.kind)) + ": " + finding.text;
}

}  // namespace

int RunProbe(const GlobalOptions& options, const std::vector<Target>& targets, const ProbeArguments& arguments,
             Streams streams) {
  stream::ProbeOptions probe;
  probe.duration = std::chrono::milliseconds(arguments.durationMs);
  probe.interfaceName = arguments.interfaceName;
  probe.judge.bitrateTolerancePercent = arguments.bitrateTolerancePercent;

  const FleetRun run = RunEncoderJobs(
      options, targets,
      [&](std::size_t index, JobOutput& output, Json& entry) {
        const Target& target = targets[index];
        // Every line names its encoder, so a script can tell whose finding it is.
        ConsoleFeedback feedback(output, target.text + ": ", target.text + ": ");
        const std::optional<config::EncoderConfiguration> record = ReadRecord(options, target, feedback);
        if (!record) return false;

        const stream::ProbeResult result = stream::ProbeStream(*record, probe);
        entry["configured"] = Configured(*record);
        entry["measured"] = Measured(result);
        entry["counters"] = Counters(result.measured.counters);
        entry["findings"] = Findings(result.findings);
        if (result.Ok()) {
          feedback.Say("OK " + stream::SummaryText(result));
          return true;
        }
        std::string kinds;
        for (const stream::StreamFinding& finding : result.findings) {
          feedback.Say(FindingLine(finding));
          kinds += (kinds.empty() ? "" : ", ") + std::string(stream::FindingKindName(finding.kind));
        }
        entry["error"] = "the stream has findings: " + kinds;
        return false;
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
