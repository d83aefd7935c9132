#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "stream/PsiDecoder.h"
#include "stream/PsiTables.h"
#include "stream/TsPacket.h"

namespace kestrine::stream {

// Limits of the checks, after ETSI TR 101 290.
inline constexpr std::chrono::milliseconds kTableAbsenceLimit{500};  // PAT, PMT (priority 1)
inline constexpr std::chrono::milliseconds kPidAbsenceLimit{500};    // a PID the PMT refers to
inline constexpr std::chrono::milliseconds kPcrRepetitionLimit{40};  // priority 2
inline constexpr std::chrono::milliseconds kPcrDiscontinuityLimit{100};
// A datagram gap this long is an interruption of the stream (ours: an outage a viewer sees).
inline constexpr std::chrono::milliseconds kInterruptionLimit{300};

enum class Transport { None, Udp, Rtp, Mixed };

// How often each check failed; TR 101 290 counts each occurrence.
struct StreamCounters {
  std::uint64_t datagrams = 0;
  std::uint64_t udpDatagrams = 0;
  std::uint64_t rtpDatagrams = 0;
  std::uint64_t bytes = 0;  // transport stream bytes, RTP headers not counted
  std::uint64_t packets = 0;
  std::uint64_t syncLosses = 0;
  std::uint64_t syncByteErrors = 0;
  std::uint64_t patErrors = 0;
  std::uint64_t continuityErrors = 0;
  std::uint64_t pmtErrors = 0;
  std::uint64_t pidErrors = 0;
  std::uint64_t transportErrors = 0;
  std::uint64_t crcErrors = 0;
  std::uint64_t pcrRepetitionErrors = 0;
  std::uint64_t pcrDiscontinuityErrors = 0;
  std::uint64_t rtpSequenceErrors = 0;  // gaps and reorderings in the sequence numbers
  std::uint64_t rtpLostDatagrams = 0;
  std::uint64_t rtpOtherPayloadTypes = 0;  // datagrams not marked as MPEG-2 transport stream (33)
  std::uint64_t interruptions = 0;
};

struct PidStatistics {
  std::uint16_t pid = 0;
  std::uint64_t packets = 0;
  std::uint64_t continuityErrors = 0;
  std::uint64_t transportErrors = 0;
  bool carriesPcr = false;
  double kbps = 0;            // share of the transport stream
  double elementaryKbps = 0;  // payload without PES headers: the elementary stream's own rate
  double longestAbsenceSeconds = 0;
};

// A table the stream must repeat, with its longest absence (from the first datagram to the last).
struct TableAbsence {
  std::uint16_t pid = 0;
  double longestSeconds = 0;
  bool seen = false;
};

struct StreamMeasurement {
  Transport transport = Transport::None;
  double seconds = 0;  // first datagram to last
  std::optional<PatTable> pat;
  std::vector<PmtTable> pmts;  // in the order they arrived
  std::optional<SdtTable> sdt;
  std::optional<double> bitrateKbps;  // measured from the PCRs of `pcrPid`
  std::uint16_t pcrPid = 0;
  double arrivalKbps = 0;           // bytes over arrival time, for a stream without usable PCRs
  std::vector<PidStatistics> pids;  // ascending
  StreamCounters counters;

  TableAbsence patAbsence;
  std::vector<TableAbsence> pmtAbsences;
  std::uint64_t patTableIdErrors = 0;
  std::uint64_t scrambledTablePackets = 0;
  std::vector<std::pair<std::uint16_t, double>> absentPids;  // referenced by a PMT: PID, longest absence
  double longestPcrIntervalMs = 0;
  double largestPcrJumpMs = 0;
  std::size_t pcrCount = 0;  // on pcrPid
  double longestSilenceSeconds = 0;

  [[nodiscard]] const PidStatistics* Pid(std::uint16_t pid) const;
  [[nodiscard]] const PmtTable* ProgramMap(std::uint16_t program) const;
};

// Which program to follow even before (or without) a PAT: the PMT on `pmtPid` for `program` is decoded
// from the first packet, so a stream that lacks only its PAT is still judged on the rest.
struct ProgramHint {
  std::uint16_t program = 0;
  std::uint16_t pmtPid = 0;
};

// Takes the datagrams of one stream as they arrive and measures it: UDP or RTP, the TR 101 290 checks of
// priority 1 and the transport error, CRC and PCR checks of priority 2, the tables (decoded with libdvbpsi),
// the rates. The per-packet work is a few comparisons; tables go to libdvbpsi only on their own PIDs.
class StreamAnalyser final : private PsiDecoder::Listener {
 public:
  using Clock = std::chrono::steady_clock;

  explicit StreamAnalyser(std::optional<ProgramHint> hint = std::nullopt);
  ~StreamAnalyser();
  StreamAnalyser(const StreamAnalyser&) = delete;
  StreamAnalyser& operator=(const StreamAnalyser&) = delete;

  void Feed(std::span<const std::uint8_t> datagram, Clock::time_point arrival);

  // The measurement so far; `windowEnd` (when listening ended) makes a silence at the end count too.
  [[nodiscard]] StreamMeasurement Measure(std::optional<Clock::time_point> windowEnd = std::nullopt) const;

  [[nodiscard]] std::uint64_t Datagrams() const { return counters_.datagrams; }

 private:
  enum class Role : std::uint8_t { None, Pat, Pmt, Sdt };

  // When something was last seen, and its longest absence between sightings (nanoseconds from the first datagram).
  struct Recurrence {
    std::int64_t first = -1;
    std::int64_t last = -1;
    std::int64_t longestGap = 0;
    void Seen(std::int64_t at);
    [[nodiscard]] std::int64_t LongestAbsence(std::int64_t end) const;
  };

  struct PidState {
    std::uint64_t packets = 0;
    std::uint64_t elementaryBytes = 0;
    std::uint64_t continuityErrors = 0;
    std::uint64_t transportErrors = 0;
    Recurrence seen;
    std::uint8_t continuity = 0;
    std::uint8_t duplicates = 0;
    bool counted = false;  // a continuity counter has been seen
    bool carriesPcr = false;
    Role role = Role::None;
  };

  struct PcrSample {
    std::uint64_t packetIndex;
    std::uint64_t pcr;
    bool discontinuity;
  };

  struct PcrFindings;

  void OnPat(const PatTable& pat) override;
  void OnPmt(const PmtTable& pmt) override;
  void OnSdt(const SdtTable& sdt) override;

  std::size_t TransportStreamStart(std::span<const std::uint8_t> datagram);
  void FeedPacket(const std::uint8_t* packet, std::int64_t at);
  void CheckContinuity(PidState& state, const std::uint8_t* packet, bool discontinuity);
  void NoteTableStart(std::uint16_t pid, PidState& state, const std::uint8_t* payload, std::size_t length,
                      std::int64_t at);
  void WatchProgram(std::uint16_t pmtPid, std::uint16_t program);
  void NotePcr(std::uint16_t pid, const std::uint8_t* pcr, bool discontinuity);
  [[nodiscard]] std::uint16_t MainPcrPid() const;
  [[nodiscard]] PcrFindings AnalysePcrs(const std::vector<PcrSample>& samples) const;

  std::optional<ProgramHint> hint_;
  // The state of each PID seen, in the order seen; a PID's slot is its index + 1 (0: not seen), so a
  // stream's few PIDs share a few cache lines.
  [[nodiscard]] PidState& State(std::uint16_t pid);
  [[nodiscard]] const PidState* Find(std::uint16_t pid) const;
  std::array<std::uint16_t, kPidCount> slots_{};
  std::deque<PidState> states_;  // grows at its end only: a state never moves while a packet is being read
  PsiDecoder psi_;
  StreamCounters counters_;
  std::optional<Clock::time_point> origin_;
  std::int64_t lastArrival_ = 0;
  std::int64_t longestSilence_ = 0;
  unsigned consecutiveSyncErrors_ = 0;
  std::optional<std::uint16_t> rtpSequence_;

  Recurrence patStarts_;
  std::vector<std::pair<std::uint16_t, Recurrence>> pmtStarts_;  // per PMT PID
  std::uint64_t patTableIdErrors_ = 0;
  std::uint64_t scrambledPat_ = 0;
  std::uint64_t scrambledPmt_ = 0;
  std::vector<std::pair<std::uint16_t, std::vector<PcrSample>>> pcrs_;

  std::optional<PatTable> patTable_;
  std::vector<PmtTable> pmts_;
  std::optional<SdtTable> sdt_;
};

}  // namespace kestrine::stream
