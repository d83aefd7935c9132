#include "stream/StreamJudge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "config/EncoderConfiguration.h"
#include "config/TextEncoding.h"
#include "stream/StreamTypes.h"

namespace kestrine::stream {
namespace {

using config::EncoderConfiguration;

constexpr char kUtf8Table = 0x15;
constexpr char kThreeByteTable = 0x10;  // 0x10 and two bytes naming an ISO/IEC 8859 part
constexpr std::int32_t kCbr = 0;

std::string Fixed(double value, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::string Seconds(double seconds) { return Fixed(seconds, 2) + " s"; }

std::string Count(std::uint64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string ModeName(std::int32_t mode) { return mode == 0 ? "udp" : "rtp"; }

std::string TransportName(Transport transport) {
  switch (transport) {
    case Transport::Udp:
      return "udp";
    case Transport::Rtp:
      return "rtp";
    case Transport::Mixed:
      return "udp and rtp";
    case Transport::None:
      break;
  }
  return "nothing";
}

std::string PidText(std::uint16_t pid) { return "PID " + std::to_string(pid); }

const ElementaryStream* StreamOn(const PmtTable& pmt, std::int32_t pid) {
  for (const ElementaryStream& es : pmt.streams) {
    if (es.pid == pid) return &es;
  }
  return nullptr;
}

std::optional<ElementaryStream> StreamOfKind(const PmtTable& pmt, std::int32_t configuredPid, StreamKind kind) {
  const ElementaryStream* on = StreamOn(pmt, configuredPid);
  if (on && KindOfStreamType(on->type) == kind) return *on;
  for (const ElementaryStream& es : pmt.streams) {
    if (KindOfStreamType(es.type) == kind) return es;
  }
  return std::nullopt;
}

const PmtTable* PmtFor(const StreamMeasurement& m, std::optional<std::uint16_t> program) {
  if (program) {
    if (const PmtTable* pmt = m.ProgramMap(*program)) return pmt;
  }
  return m.pmts.empty() ? nullptr : &m.pmts.front();
}

const ServiceEntry* ServiceFor(const StreamMeasurement& m, std::optional<std::uint16_t> program) {
  if (!m.sdt || m.sdt->services.empty()) return nullptr;
  for (const ServiceEntry& s : m.sdt->services) {
    if (program && s.serviceId == *program) return &s;
  }
  return m.sdt->services.size() == 1 ? &m.sdt->services.front() : nullptr;
}

// ---- the analyser's findings ----------------------------------------------------------------------------

using Findings = std::vector<StreamFinding>;

void Add(Findings& findings, FindingKind kind, std::string text) { findings.push_back({kind, std::move(text)}); }

std::string PidList(const StreamMeasurement& m, std::uint64_t PidStatistics::*count) {
  std::string list;
  for (const PidStatistics& pid : m.pids) {
    if (pid.*count == 0) continue;
    if (!list.empty()) list += ", ";
    list += std::to_string(pid.*count) + " on " + PidText(pid.pid);
  }
  return list;
}

void AddTableFindings(const StreamMeasurement& m, Findings& findings) {
  const double limit = std::chrono::duration<double>(kTableAbsenceLimit).count();
  if (m.counters.patErrors > 0) {
    std::vector<std::string> parts;
    if (!m.patAbsence.seen) {
      parts.push_back("no PAT in " + Seconds(m.seconds) + " of stream");
    } else if (m.patAbsence.longestSeconds > limit) {
      parts.push_back("no PAT for " + Seconds(m.patAbsence.longestSeconds) + " (more than 0.5 s)");
    }
    if (m.patTableIdErrors > 0)
      parts.push_back(Count(m.patTableIdErrors, "section", "sections") + " on PID 0 that are no PAT");
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
    if (text.empty()) text = Count(m.scrambledTablePackets, "scrambled table packet", "scrambled table packets");
    Add(findings, FindingKind::PatError, text);
  }
  for (const TableAbsence& pmt : m.pmtAbsences) {
    if (pmt.longestSeconds <= limit) continue;
    Add(findings, FindingKind::PmtError,
        pmt.seen ? "no PMT on " + PidText(pmt.pid) + " for " + Seconds(pmt.longestSeconds) + " (more than 0.5 s)"
                 : "no PMT on " + PidText(pmt.pid) + " in " + Seconds(m.seconds) + " of stream");
  }
  if (m.counters.pmtErrors > 0 && std::none_of(findings.begin(), findings.end(), [](const StreamFinding& f) {
        return f.kind == FindingKind::PmtError;
      })) {
    Add(findings, FindingKind::PmtError,
        Count(m.scrambledTablePackets, "scrambled table packet", "scrambled table packets"));
  }
}

void AddPcrFindings(const StreamMeasurement& m, Findings& findings) {
  if (m.counters.pcrRepetitionErrors > 0) {
    const std::string where = " on " + PidText(m.pcrPid);
    Add(findings, FindingKind::PcrRepetitionError,
        m.pcrCount < 2 ? "no PCRs" + where + " in " + Seconds(m.seconds) + " of stream"
                       : Count(m.counters.pcrRepetitionErrors, "PCR interval", "PCR intervals") + " over 40 ms" +
                             where + " (longest " + Fixed(m.longestPcrIntervalMs, 1) + " ms)");
  }
  if (m.counters.pcrDiscontinuityErrors > 0) {
    Add(findings, FindingKind::PcrDiscontinuityError,
        Count(m.counters.pcrDiscontinuityErrors, "PCR jump", "PCR jumps") +
            " over 100 ms without the discontinuity flag on " + PidText(m.pcrPid) + " (largest " +
            Fixed(m.largestPcrJumpMs, 1) + " ms)");
  }
}

// ---- against the record -----------------------------------------------------------------------------------

void ComparePrograms(const EncoderConfiguration& r, const StreamMeasurement& m, Findings& findings) {
  if (!m.pat) return;  // no PAT: the analyser says so
  const auto& programs = m.pat->programs;
  const auto found =
      std::find_if(programs.begin(), programs.end(), [&](const ProgramEntry& p) { return p.number == r.program_no; });
  if (found == programs.end()) {
    std::string listed;
    for (const ProgramEntry& p : programs) {
      if (p.number == 0) continue;
      listed += (listed.empty() ? "" : ", ") + std::to_string(p.number);
    }
    Add(findings, FindingKind::ProgramNo,
        "configured " + std::to_string(r.program_no) + ", the PAT lists " +
            (listed.empty() ? std::string("no program") : "program " + listed));
    return;
  }
  if (found->pid != r.pmt_pid) {
    Add(findings, FindingKind::PmtPid,
        "configured " + std::to_string(r.pmt_pid) + ", the PAT gives " + PidText(found->pid) + " for program " +
            std::to_string(r.program_no));
  }
}

void CompareStream(FindingKind kind, StreamKind wanted, std::int32_t configured, const PmtTable& pmt,
                   Findings& findings) {
  const ElementaryStream* on = StreamOn(pmt, configured);
  if (on && KindOfStreamType(on->type) == wanted) return;
  const std::string what = wanted == StreamKind::Video ? "video" : "audio";
  std::string text = "configured " + std::to_string(configured) + ", ";
  text += on ? PidText(on->pid) + " carries " + DescribeStreamType(on->type)
             : "the PMT has no stream on " + PidText(static_cast<std::uint16_t>(configured));
  const std::optional<ElementaryStream> actual = StreamOfKind(pmt, -1, wanted);
  text += actual ? "; the " + what + " is on " + PidText(actual->pid) + " (" + DescribeStreamType(actual->type) + ")"
                 : "; the PMT lists no " + what + " stream";
  Add(findings, kind, text);
}

void CompareProgramMap(const EncoderConfiguration& r, const StreamMeasurement& m, Findings& findings) {
  const PmtTable* pmt = m.ProgramMap(static_cast<std::uint16_t>(r.program_no));
  if (!pmt) return;  // never came: the analyser says so; another program: the PAT check says so
  if (pmt->pcrPid != r.pcr_pid) {
    Add(findings, FindingKind::PcrPid,
        "configured " + std::to_string(r.pcr_pid) + ", the PMT gives " + PidText(pmt->pcrPid));
  }
  CompareStream(FindingKind::VideoPid, StreamKind::Video, r.video_pid, *pmt, findings);
  CompareStream(FindingKind::AudioPid, StreamKind::Audio, r.audio_pid, *pmt, findings);
}

void CompareName(FindingKind kind, std::span<const char> field, const std::optional<std::string>& measured,
                 std::uint16_t program, Findings& findings) {
  const std::string configured = config::DecodeGb18030Lenient(config::TextOf(field));
  if (measured && *measured == configured) return;
  Add(findings, kind,
      "configured " + Quoted(configured) + ", " +
          (measured ? "the SDT has " + Quoted(*measured) : "the SDT has no service " + std::to_string(program)));
}

void CompareRate(FindingKind kind, std::int32_t configuredKbps, std::optional<double> measured, double tolerance,
                 Findings& findings) {
  if (!measured || configuredKbps <= 0) return;
  const double off = (*measured - configuredKbps) / configuredKbps * 100;
  if (std::abs(off) <= tolerance) return;
  Add(findings, kind,
      "configured " + std::to_string(configuredKbps) + " kbit/s, measured " + FormatKbps(*measured) + " kbit/s (" +
          (off >= 0 ? "+" : "") + Fixed(off, 1) + " %, more than the " + Fixed(tolerance, tolerance < 1 ? 1 : 0) +
          " % allowed)");
}

}  // namespace

std::string FormatKbps(double kbps) { return Fixed(kbps, 1); }

std::string DecodeServiceText(std::string_view bytes) {
  if (!bytes.empty() && static_cast<unsigned char>(bytes.front()) < 0x20) {
    const char table = bytes.front();
    bytes.remove_prefix(table == kThreeByteTable ? std::min<std::size_t>(3, bytes.size()) : 1);
    // Text that claims to be UTF-8 is taken as it is only when it is.
    if (table == kUtf8Table && config::EncodeGb18030(bytes)) return std::string(bytes);
  }
  return config::DecodeGb18030Lenient(bytes);
}

MeasuredProgram FindProgram(const EncoderConfiguration& r, const StreamMeasurement& m) {
  MeasuredProgram found;
  const auto wanted = static_cast<std::uint16_t>(r.program_no);
  if (m.pat) {
    for (const ProgramEntry& p : m.pat->programs) {
      if (p.number == 0) continue;
      if (!found.programNumber || p.number == wanted) {
        found.programNumber = p.number;
        found.pmtPid = p.pid;
      }
      if (p.number == wanted) break;
    }
  }
  const PmtTable* pmt = PmtFor(m, found.programNumber ? found.programNumber : std::optional<std::uint16_t>(wanted));
  if (pmt) {
    if (!found.programNumber) found.programNumber = pmt->programNumber;
    if (!found.pmtPid) found.pmtPid = pmt->pmtPid;
    found.pcrPid = pmt->pcrPid;
    found.video = StreamOfKind(*pmt, r.video_pid, StreamKind::Video);
    found.audio = StreamOfKind(*pmt, r.audio_pid, StreamKind::Audio);
  }
  if (const ServiceEntry* service = ServiceFor(m, found.programNumber)) {
    found.serviceName = DecodeServiceText(service->serviceName);
    found.providerName = DecodeServiceText(service->providerName);
  }
  found.bitrateKbps = m.bitrateKbps;
  if (found.video) {
    if (const PidStatistics* s = m.Pid(found.video->pid)) found.videoKbps = s->elementaryKbps;
  }
  if (found.audio) {
    if (const PidStatistics* s = m.Pid(found.audio->pid)) found.audioKbps = s->elementaryKbps;
  }
  return found;
}

std::vector<StreamFinding> AnalyserFindings(const StreamMeasurement& m) {
  Findings findings;
  const StreamCounters& c = m.counters;
  if (c.syncLosses > 0)
    Add(findings, FindingKind::TsSyncLoss,
        Count(c.syncLosses, "time", "times") + " two or more sync bytes in a row were wrong");
  if (c.syncByteErrors > 0) {
    Add(findings, FindingKind::SyncByteError,
        Count(c.syncByteErrors, "packet", "packets") + " without the sync byte 0x47");
  }
  AddTableFindings(m, findings);
  if (c.continuityErrors > 0) {
    Add(findings, FindingKind::ContinuityCountError,
        Count(c.continuityErrors, "error", "errors") + ": " + PidList(m, &PidStatistics::continuityErrors));
  }
  for (const auto& [pid, absence] : m.absentPids) {
    const PidStatistics* seen = m.Pid(pid);
    Add(findings, FindingKind::PidError,
        PidText(pid) + ", which the PMT refers to, " +
            (seen ? "was absent for " + Seconds(absence) + " (more than 0.5 s)" : "never came"));
  }
  if (c.transportErrors > 0) {
    Add(findings, FindingKind::TransportError,
        Count(c.transportErrors, "packet", "packets") +
            " with the transport error indicator: " + PidList(m, &PidStatistics::transportErrors));
  }
  if (c.crcErrors > 0)
    Add(findings, FindingKind::CrcError, Count(c.crcErrors, "table section", "table sections") + " with a wrong CRC");
  AddPcrFindings(m, findings);
  if (c.rtpSequenceErrors > 0) {
    Add(findings, FindingKind::RtpSequenceError,
        Count(c.rtpSequenceErrors, "break", "breaks") + " in the RTP sequence numbers, " +
            Count(c.rtpLostDatagrams, "datagram", "datagrams") + " lost");
  }
  if (c.rtpOtherPayloadTypes > 0) {
    Add(findings, FindingKind::RtpPayloadType,
        Count(c.rtpOtherPayloadTypes, "datagram", "datagrams") +
            " not marked as an MPEG-2 transport stream (payload type 33)");
  }
  if (c.interruptions > 0) {
    Add(findings, FindingKind::StreamInterrupted,
        Count(c.interruptions, "silence", "silences") + " of more than 0.3 s (longest " +
            Seconds(m.longestSilenceSeconds) + ")");
  }
  if (!m.sdt && m.seconds >= kSdtRepetitionSeconds) {
    Add(findings, FindingKind::SdtMissing, "no SDT in " + Seconds(m.seconds) + " of stream, so the names are unknown");
  }
  return findings;
}

std::vector<StreamFinding> CompareWithRecord(const EncoderConfiguration& r, const StreamMeasurement& m,
                                             const JudgeOptions& options) {
  Findings findings;
  const bool wantRtp = r.multicast_mode != 0;
  if ((wantRtp && m.transport != Transport::Rtp) || (!wantRtp && m.transport != Transport::Udp)) {
    Add(findings, FindingKind::MulticastMode,
        "configured " + ModeName(r.multicast_mode) + ", received " + TransportName(m.transport));
  }
  ComparePrograms(r, m, findings);
  CompareProgramMap(r, m, findings);
  const MeasuredProgram program = FindProgram(r, m);
  if (m.sdt) {
    const auto id = static_cast<std::uint16_t>(r.program_no);
    CompareName(FindingKind::PrgName, r.prg_name, program.serviceName, id, findings);
    CompareName(FindingKind::PrgProviderName, r.prg_provider_name, program.providerName, id, findings);
  }
  CompareRate(FindingKind::MuxBitrate, r.mux_bitrate, program.bitrateKbps, options.bitrateTolerancePercent, findings);
  // A variable-rate video has no rate of its own to keep.
  if (r.rate_mode == kCbr) {
    CompareRate(FindingKind::VideoBitrate, r.video_bitrate, program.videoKbps, options.elementaryTolerancePercent,
                findings);
  }
  CompareRate(FindingKind::AnalogBitrate, r.analog_bitrate, program.audioKbps, options.elementaryTolerancePercent,
              findings);
  return findings;
}

std::vector<StreamFinding> JudgeStream(const EncoderConfiguration& r, const StreamMeasurement& m,
                                       const JudgeOptions& options) {
  Findings findings = AnalyserFindings(m);
  Findings differences = CompareWithRecord(r, m, options);
  findings.insert(findings.end(), differences.begin(), differences.end());
  std::stable_sort(findings.begin(), findings.end(),
                   [](const StreamFinding& a, const StreamFinding& b) { return a.kind < b.kind; });
  return findings;
}

}  // namespace kestrine::stream
