#include "stream/StreamAnalyser.h"

#include <algorithm>
#include <cmath>

#include "stream/PacketWriter.h"

namespace kestrine::stream {
namespace {

constexpr std::size_t kLargestPcrHistory = 1'000'000;  // per PID; hours of PCRs at 30 ms
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

constexpr std::int64_t Nanos(std::chrono::milliseconds limit) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count();
}

double Seconds(std::int64_t nanos) { return static_cast<double>(nanos) / kNanosPerSecond; }

// Where the transport stream starts behind an RTP header (RFC 3550 5.1), or 0 when there is none.
struct RtpHeader {
  std::size_t length = 0;
  std::size_t padding = 0;
  std::uint8_t payloadType = 0;
  std::uint16_t sequence = 0;
};

std::optional<RtpHeader> ParseRtp(std::span<const std::uint8_t> d) {
  constexpr std::size_t kFixed = 12;
  if (d.size() < kFixed || (d[0] >> 6) != 2) return std::nullopt;
  RtpHeader header;
  header.length = kFixed + 4 * std::size_t{d[0] & 0x0Fu};
  if ((d[0] & 0x10) != 0) {  // an extension: its length in words follows its profile word
    if (d.size() < header.length + 4) return std::nullopt;
    header.length += 4 + 4 * ((std::size_t{d[header.length + 2]} << 8) | d[header.length + 3]);
  }
  if ((d[0] & 0x20) != 0 && !d.empty()) header.padding = d.back();
  if (header.length + header.padding >= d.size() || d[header.length] != kSyncByte) return std::nullopt;
  header.payloadType = d[1] & 0x7F;
  header.sequence = static_cast<std::uint16_t>((d[2] << 8) | d[3]);
  return header;
}

// The PES header's length when a payload starts with one (ISO/IEC 13818-1 2.4.3.6), else 0.
std::size_t PesHeaderLength(const std::uint8_t* payload, std::size_t length) {
  if (length < 9 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1) return 0;
  const std::uint8_t id = payload[3];
  // Streams whose PES packets carry no optional header.
  const bool bare =
      id == 0xBC || id == 0xBE || id == 0xBF || id == 0xF0 || id == 0xF1 || id == 0xF2 || id == 0xF8 || id == 0xFF;
  return std::min(length, bare ? std::size_t{6} : 9 + std::size_t{payload[8]});
}

// PCR values are 33+9 bits that wrap; the difference from a to b, as a signed count of 27 MHz ticks.
std::int64_t PcrDifference(std::uint64_t from, std::uint64_t to) {
  const std::uint64_t forward = (to + kPcrWrap - from) % kPcrWrap;
  return forward > kPcrWrap / 2 ? -static_cast<std::int64_t>(kPcrWrap - forward) : static_cast<std::int64_t>(forward);
}

}  // namespace

const PidStatistics* StreamMeasurement::Pid(std::uint16_t pid) const {
  const auto found = std::find_if(pids.begin(), pids.end(), [&](const PidStatistics& p) { return p.pid == pid; });
  return found == pids.end() ? nullptr : &*found;
}

const PmtTable* StreamMeasurement::ProgramMap(std::uint16_t program) const {
  const auto found =
      std::find_if(pmts.rbegin(), pmts.rend(), [&](const PmtTable& p) { return p.programNumber == program; });
  return found == pmts.rend() ? nullptr : &*found;
}

void StreamAnalyser::Recurrence::Seen(std::int64_t at) {
  if (first < 0) first = at;
  if (last >= 0) longestGap = std::max(longestGap, at - last);
  last = at;
}

std::int64_t StreamAnalyser::Recurrence::LongestAbsence(std::int64_t end) const {
  if (first < 0) return end;
  return std::max({longestGap, first, end - last});
}

struct StreamAnalyser::PcrFindings {
  std::optional<double> bitrateKbps;
  std::uint64_t repetitionErrors = 0;
  std::uint64_t discontinuityErrors = 0;
  double longestIntervalMs = 0;
  double largestJumpMs = 0;
};

StreamAnalyser::StreamAnalyser(std::optional<ProgramHint> hint) : hint_(hint), psi_(*this) {
  State(kPatPid).role = Role::Pat;
  State(kSdtPid).role = Role::Sdt;
  if (hint_ && hint_->pmtPid >= kFirstProgramPid && hint_->pmtPid <= kLastProgramPid) {
    WatchProgram(hint_->pmtPid, hint_->program);
  }
}

StreamAnalyser::~StreamAnalyser() = default;

StreamAnalyser::PidState& StreamAnalyser::State(std::uint16_t pid) {
  std::uint16_t& slot = slots_[pid];
  if (slot == 0) {
    states_.emplace_back();
    slot = static_cast<std::uint16_t>(states_.size());
  }
  return states_[slot - 1];
}

const StreamAnalyser::PidState* StreamAnalyser::Find(std::uint16_t pid) const {
  const std::uint16_t slot = slots_[pid];
  return slot == 0 ? nullptr : &states_[slot - 1];
}

void StreamAnalyser::WatchProgram(std::uint16_t pmtPid, std::uint16_t program) {
  if (pmtPid == kPatPid || pmtPid == kSdtPid || pmtPid >= kNullPid) return;
  State(pmtPid).role = Role::Pmt;
  psi_.WatchPmt(pmtPid, program);
  const auto known =
      std::find_if(pmtStarts_.begin(), pmtStarts_.end(), [&](const auto& p) { return p.first == pmtPid; });
  if (known == pmtStarts_.end()) pmtStarts_.emplace_back(pmtPid, Recurrence{});
}

void StreamAnalyser::OnPat(const PatTable& pat) {
  patTable_ = pat;
  for (const ProgramEntry& program : pat.programs) {
    if (program.number != 0) WatchProgram(program.pid, program.number);  // program 0 names the NIT's PID
  }
}

void StreamAnalyser::OnPmt(const PmtTable& pmt) {
  const auto same = std::find_if(pmts_.begin(), pmts_.end(), [&](const PmtTable& p) {
    return p.pmtPid == pmt.pmtPid && p.programNumber == pmt.programNumber;
  });
  if (same != pmts_.end()) pmts_.erase(same);
  pmts_.push_back(pmt);
}

void StreamAnalyser::OnSdt(const SdtTable& sdt) { sdt_ = sdt; }

std::size_t StreamAnalyser::TransportStreamStart(std::span<const std::uint8_t> datagram) {
  if (datagram.empty() || datagram[0] == kSyncByte) {
    ++counters_.udpDatagrams;
    return 0;
  }
  const std::optional<RtpHeader> rtp = ParseRtp(datagram);
  if (!rtp) {
    ++counters_.udpDatagrams;  // garbage as far as it goes; the sync check says so
    return 0;
  }
  ++counters_.rtpDatagrams;
  if (rtp->payloadType != kRtpPayloadType) ++counters_.rtpOtherPayloadTypes;
  if (rtpSequence_) {
    const auto step = static_cast<std::uint16_t>(rtp->sequence - *rtpSequence_);
    if (step != 1) {
      ++counters_.rtpSequenceErrors;
      if (step != 0 && step < 0x8000) counters_.rtpLostDatagrams += step - 1u;
    }
  }
  rtpSequence_ = rtp->sequence;
  return rtp->length;
}

void StreamAnalyser::Feed(std::span<const std::uint8_t> datagram, Clock::time_point arrival) {
  if (!origin_) origin_ = arrival;
  const std::int64_t at =
      std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(arrival - *origin_).count());
  if (counters_.datagrams > 0) {
    const std::int64_t silence = at - lastArrival_;
    longestSilence_ = std::max(longestSilence_, silence);
    if (silence > Nanos(kInterruptionLimit)) ++counters_.interruptions;
  }
  lastArrival_ = std::max(lastArrival_, at);
  ++counters_.datagrams;

  const std::size_t start = TransportStreamStart(datagram);
  std::size_t offset = start;
  for (; offset + kPacketSize <= datagram.size(); offset += kPacketSize) FeedPacket(datagram.data() + offset, at);
  if (offset < datagram.size() && datagram.size() - offset > 0) {
    // A cut packet: as good as lost bytes with no sync byte where one belongs.
    ++counters_.syncByteErrors;
    if (++consecutiveSyncErrors_ == 2) ++counters_.syncLosses;
  }
}

void StreamAnalyser::FeedPacket(const std::uint8_t* packet, std::int64_t at) {
  if (packet[0] != kSyncByte) {
    ++counters_.syncByteErrors;
    // Two corrupted sync bytes in a row lose the synchronisation (TR 101 290 1.1).
    if (++consecutiveSyncErrors_ == 2) ++counters_.syncLosses;
    return;
  }
  consecutiveSyncErrors_ = 0;
  ++counters_.packets;
  counters_.bytes += kPacketSize;
  const std::uint16_t pid = PidOf(packet);
  PidState& state = State(pid);
  ++state.packets;
  state.seen.Seen(at);
  if (TransportErrorOf(packet)) {
    ++counters_.transportErrors;
    ++state.transportErrors;
  }

  std::size_t payloadAt = kHeaderSize;
  bool discontinuity = false;
  if (HasAdaptationField(packet)) {
    const std::uint8_t length = packet[4];
    payloadAt += 1 + length;
    if (length > 0) {
      const std::uint8_t flags = packet[5];
      discontinuity = (flags & 0x80) != 0;
      if ((flags & 0x10) != 0 && length >= 7) NotePcr(pid, packet + 6, discontinuity);
    }
  }
  if (pid == kNullPid) return;
  CheckContinuity(state, packet, discontinuity);
  if (!HasPayload(packet) || payloadAt >= kPacketSize) return;

  const std::uint8_t* payload = packet + payloadAt;
  const std::size_t length = kPacketSize - payloadAt;
  switch (state.role) {
    case Role::None:
      state.elementaryBytes += length - (UnitStartOf(packet) ? PesHeaderLength(payload, length) : 0);
      return;
    case Role::Pat:
      if (ScramblingOf(packet) != 0) ++scrambledPat_;
      if (UnitStartOf(packet)) NoteTableStart(pid, state, payload, length, at);
      psi_.PushPat(packet);
      return;
    case Role::Pmt:
      if (ScramblingOf(packet) != 0) ++scrambledPmt_;
      if (UnitStartOf(packet)) NoteTableStart(pid, state, payload, length, at);
      psi_.PushPmt(pid, packet);
      return;
    case Role::Sdt:
      psi_.PushSdt(packet);
      return;
  }
}

void StreamAnalyser::CheckContinuity(PidState& state, const std::uint8_t* packet, bool discontinuity) {
  const std::uint8_t counter = ContinuityOf(packet);
  const bool payload = HasPayload(packet);
  if (!state.counted || discontinuity) {
    state.counted = true;
    state.continuity = counter;
    state.duplicates = 0;
    return;
  }
  bool error = false;
  if (!payload) {
    error = counter != state.continuity;  // without payload the counter does not move
  } else if (counter == state.continuity) {
    error = ++state.duplicates > 1;  // one duplicate packet is allowed, never two
  } else {
    error = counter != ((state.continuity + 1) & 0x0F);
    state.duplicates = 0;
  }
  if (error) {
    ++counters_.continuityErrors;
    ++state.continuityErrors;
  }
  state.continuity = counter;
}

void StreamAnalyser::NoteTableStart(std::uint16_t pid, PidState& state, const std::uint8_t* payload, std::size_t length,
                                    std::int64_t at) {
  const std::size_t tableAt = 1 + std::size_t{payload[0]};  // after the pointer field
  if (tableAt >= length) return;
  const std::uint8_t tableId = payload[tableAt];
  if (state.role == Role::Pat) {
    if (tableId == kPatTableId) {
      patStarts_.Seen(at);
    } else {
      ++patTableIdErrors_;
    }
    return;
  }
  if (tableId != kPmtTableId) return;
  for (auto& [pmtPid, starts] : pmtStarts_) {
    if (pmtPid == pid) starts.Seen(at);
  }
}

void StreamAnalyser::NotePcr(std::uint16_t pid, const std::uint8_t* pcr, bool discontinuity) {
  State(pid).carriesPcr = true;
  auto known = std::find_if(pcrs_.begin(), pcrs_.end(), [&](const auto& p) { return p.first == pid; });
  if (known == pcrs_.end()) {
    pcrs_.emplace_back(pid, std::vector<PcrSample>{});
    known = pcrs_.end() - 1;
  }
  if (known->second.size() < kLargestPcrHistory) {
    known->second.push_back({counters_.packets - 1, ReadPcr(pcr), discontinuity});
  }
}

std::uint16_t StreamAnalyser::MainPcrPid() const {
  const PmtTable* followed = nullptr;
  for (const PmtTable& pmt : pmts_) {
    if (!followed || (hint_ && pmt.programNumber == hint_->program)) followed = &pmt;
  }
  if (followed) return followed->pcrPid;
  std::uint16_t best = kNullPid;
  std::size_t most = 0;
  for (const auto& [pid, samples] : pcrs_) {
    if (samples.size() > most) {
      most = samples.size();
      best = pid;
    }
  }
  return best;
}

// The rate is taken over the pairs of PCRs whose clock agrees with the bytes between them; a jump that the
// bytes do not account for, without the discontinuity flag, is an error (TR 101 290 2.3b), and so is a gap
// between two PCRs over 40 ms (2.3a). The bytes are judged by the median rate of all pairs.
StreamAnalyser::PcrFindings StreamAnalyser::AnalysePcrs(const std::vector<PcrSample>& samples) const {
  PcrFindings findings;
  struct Pair {
    double bits;
    double seconds;
    bool flagged;
  };
  std::vector<Pair> pairs;
  std::vector<double> rates;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const double bits = static_cast<double>((samples[i].packetIndex - samples[i - 1].packetIndex) * kPacketSize * 8);
    const double seconds = static_cast<double>(PcrDifference(samples[i - 1].pcr, samples[i].pcr)) / kPcrHz;
    pairs.push_back({bits, seconds, samples[i].discontinuity});
    if (seconds > 0 && bits > 0 && !samples[i].discontinuity) rates.push_back(bits / seconds);
  }
  if (rates.empty()) return findings;
  std::nth_element(rates.begin(), rates.begin() + static_cast<std::ptrdiff_t>(rates.size() / 2), rates.end());
  const double reference = rates[rates.size() / 2];

  double bits = 0;
  double seconds = 0;
  const double jumpLimit = std::chrono::duration<double>(kPcrDiscontinuityLimit).count();
  const double repetitionLimit = std::chrono::duration<double>(kPcrRepetitionLimit).count();
  for (const Pair& pair : pairs) {
    if (pair.flagged) continue;
    const double byBytes = pair.bits / reference;
    const double jump = std::abs(pair.seconds - byBytes);
    if (jump > jumpLimit) {
      ++findings.discontinuityErrors;
      findings.largestJumpMs = std::max(findings.largestJumpMs, jump * 1000);
      continue;
    }
    bits += pair.bits;
    seconds += pair.seconds;
    if (pair.seconds > repetitionLimit) ++findings.repetitionErrors;
    findings.longestIntervalMs = std::max(findings.longestIntervalMs, pair.seconds * 1000);
  }
  if (seconds > 0) findings.bitrateKbps = bits / seconds / 1000;
  return findings;
}

StreamMeasurement StreamAnalyser::Measure(std::optional<Clock::time_point> windowEnd) const {
  StreamMeasurement m;
  m.counters = counters_;
  m.counters.crcErrors = psi_.CrcErrors();
  if (counters_.datagrams == 0) return m;
  m.transport = counters_.rtpDatagrams == 0   ? Transport::Udp
                : counters_.udpDatagrams == 0 ? Transport::Rtp
                                              : Transport::Mixed;
  const std::int64_t end = lastArrival_;
  m.seconds = Seconds(end);
  m.pat = patTable_;
  m.pmts = pmts_;
  m.sdt = sdt_;
  m.arrivalKbps = end > 0 ? static_cast<double>(counters_.bytes) * 8 / Seconds(end) / 1000 : 0;

  // A silence from the last datagram to the end of listening counts as an interruption too.
  std::int64_t silence = longestSilence_;
  if (windowEnd && origin_) {
    const std::int64_t tail = std::chrono::duration_cast<std::chrono::nanoseconds>(*windowEnd - *origin_).count() - end;
    silence = std::max(silence, tail);
    if (tail > Nanos(kInterruptionLimit)) ++m.counters.interruptions;
  }
  m.longestSilenceSeconds = Seconds(silence);

  // Tables: absent for longer than 0.5 s while the stream ran.
  const std::int64_t tableLimit = Nanos(kTableAbsenceLimit);
  m.patAbsence = {kPatPid, Seconds(patStarts_.LongestAbsence(end)), patStarts_.first >= 0};
  m.patTableIdErrors = patTableIdErrors_;
  m.scrambledTablePackets = scrambledPat_ + scrambledPmt_;
  m.counters.patErrors = (patStarts_.LongestAbsence(end) > tableLimit ? 1 : 0) + patTableIdErrors_;
  for (const auto& [pid, starts] : pmtStarts_) {
    // The hinted PMT PID counts only while no PAT says where the PMTs are.
    const std::uint16_t pmtPid = pid;
    const bool referred =
        !patTable_ || std::any_of(patTable_->programs.begin(), patTable_->programs.end(),
                                  [&](const ProgramEntry& p) { return p.number != 0 && p.pid == pmtPid; });
    if (!referred) continue;
    m.pmtAbsences.push_back({pid, Seconds(starts.LongestAbsence(end)), starts.first >= 0});
    if (starts.LongestAbsence(end) > tableLimit) ++m.counters.pmtErrors;
  }
  m.counters.patErrors += scrambledPat_;
  m.counters.pmtErrors += scrambledPmt_;

  // Every PID a PMT refers to must come, and keep coming.
  for (const PmtTable& pmt : pmts_) {
    std::vector<std::uint16_t> referred{pmt.pcrPid};
    for (const ElementaryStream& es : pmt.streams) referred.push_back(es.pid);
    for (const std::uint16_t pid : referred) {
      if (pid >= kNullPid) continue;
      const PidState* state = Find(pid);
      const std::int64_t absence = state ? state->seen.LongestAbsence(end) : end;
      const bool listed =
          std::any_of(m.absentPids.begin(), m.absentPids.end(), [&](const auto& a) { return a.first == pid; });
      if (absence > Nanos(kPidAbsenceLimit) && !listed) {
        m.absentPids.emplace_back(pid, Seconds(absence));
        ++m.counters.pidErrors;
      }
    }
  }

  m.pcrPid = MainPcrPid();
  const auto samples = std::find_if(pcrs_.begin(), pcrs_.end(), [&](const auto& p) { return p.first == m.pcrPid; });
  if (samples != pcrs_.end()) {
    const PcrFindings pcr = AnalysePcrs(samples->second);
    m.bitrateKbps = pcr.bitrateKbps;
    m.counters.pcrRepetitionErrors = pcr.repetitionErrors;
    m.counters.pcrDiscontinuityErrors = pcr.discontinuityErrors;
    m.longestPcrIntervalMs = pcr.longestIntervalMs;
    m.largestPcrJumpMs = pcr.largestJumpMs;
    m.pcrCount = samples->second.size();
  }
  // Fewer than two PCRs in a stream that ran for longer than their limit: none came in time.
  if (m.pcrPid != kNullPid && m.pcrCount < 2 && end > Nanos(kPcrRepetitionLimit)) {
    ++m.counters.pcrRepetitionErrors;
    m.longestPcrIntervalMs = Seconds(end) * 1000;
  }

  const double rate = m.bitrateKbps.value_or(m.arrivalKbps);
  for (std::size_t pid = 0; pid < kPidCount; ++pid) {
    const PidState* found = Find(static_cast<std::uint16_t>(pid));
    if (found == nullptr || found->packets == 0) continue;
    const PidState& s = *found;
    PidStatistics stats;
    stats.pid = static_cast<std::uint16_t>(pid);
    stats.packets = s.packets;
    stats.continuityErrors = s.continuityErrors;
    stats.transportErrors = s.transportErrors;
    stats.carriesPcr = s.carriesPcr;
    const double share = static_cast<double>(s.packets) / static_cast<double>(counters_.packets);
    stats.kbps = rate * share;
    stats.elementaryKbps = rate * static_cast<double>(s.elementaryBytes) / static_cast<double>(counters_.bytes);
    stats.longestAbsenceSeconds = Seconds(s.seen.LongestAbsence(end));
    m.pids.push_back(stats);
  }
  return m;
}

}  // namespace kestrine::stream
