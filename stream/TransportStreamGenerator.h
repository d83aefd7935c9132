#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "stream/ElementaryStreams.h"
#include "stream/StreamLayout.h"
#include "stream/TsPacket.h"

namespace kestrine::stream {

// The packets of one program's transport stream at a constant rate, one after another; packet n belongs to
// the moment n * 188 * 8 / rate after the start, so the caller paces by the clock and the PCRs match.
// Carries PAT and PMT every 90 ms, the SDT every 450 ms, a PCR every 30 ms, MPEG-2 video (stream type
// 0x02) and MPEG-1 Layer II audio (0x03) in PES packets with time stamps, and null packets for the rest.
class TransportStreamGenerator final {
 public:
  // Nothing, with the reason, when the rate cannot carry the layout.
  [[nodiscard]] static std::optional<TransportStreamGenerator> Create(const StreamLayout& layout,
                                                                      const StreamFaults& faults, std::string& whyNot);

  // What the video gets of the layout's rate when it asks for all there is; nothing (with the reason) when
  // the rate cannot carry the layout.
  [[nodiscard]] static std::optional<std::int64_t> VideoRoom(const StreamLayout& layout, std::string& whyNot);

  // Goes on with another layout: the clock, the continuity counters and the time stamps carry on, the
  // tables come with the next version number. False (nothing changed) when the rate cannot carry it.
  bool Reconfigure(const StreamLayout& layout, const StreamFaults& faults, std::string& whyNot);

  void NextPacket(Packet& out);

  [[nodiscard]] std::uint64_t PacketsWritten() const { return written_; }
  // 27 MHz ticks from the start to the first byte of packet `index` (not before the last reconfiguration).
  [[nodiscard]] std::uint64_t TicksAt(std::uint64_t index) const;
  [[nodiscard]] std::int64_t BitsPerSecond() const { return plan_.bitsPerSecond; }
  // What the video gets of the rate (at most what the layout asks for).
  [[nodiscard]] std::int64_t VideoBitsPerSecond() const { return plan_.videoBitsPerSecond; }
  [[nodiscard]] const StreamLayout& Layout() const { return layout_; }
  [[nodiscard]] const StreamFaults& Faults() const { return faults_; }

 private:
  struct Plan {
    std::int64_t bitsPerSecond = 0;
    std::int64_t videoBitsPerSecond = 0;
    std::uint16_t videoPid = 0;
    std::uint16_t audioPid = 0;
    std::uint64_t pcrIntervalTicks = 0;
    std::uint64_t presentationDelayTicks = 0;
    double audioCreditPerPacket = 0;
    double videoCreditPerPacket = 0;
    std::vector<std::uint8_t> audioFrame;
  };

  struct Elementary {
    std::uint16_t pid = 0;
    std::uint8_t streamId = 0;
    std::uint64_t frameTicks = 0;
    std::vector<std::uint8_t> pes;
    std::size_t sent = 0;
    std::int64_t frames = 0;  // captured so far; the next one is captured at frames * frameTicks
    double credit = 0;
    double creditPerPacket = 0;

    [[nodiscard]] bool HasData() const { return sent < pes.size(); }
    [[nodiscard]] std::uint64_t NextCapture() const { return static_cast<std::uint64_t>(frames) * frameTicks; }
  };

  TransportStreamGenerator() = default;
  [[nodiscard]] static std::optional<Plan> MakePlan(const StreamLayout& layout, const StreamFaults& faults,
                                                    std::string& whyNot);
  void Adopt(const StreamLayout& layout, const StreamFaults& faults, Plan plan);
  void BuildTables();

  void QueueDueTables(std::uint64_t now);
  [[nodiscard]] bool Ready(const Elementary& es, std::uint64_t now) const;
  void FillNextFrame(Elementary& es);
  void WriteElementary(Elementary& es, Packet& out, std::optional<std::uint64_t> pcr);
  void WritePcrPacket(Packet& out, std::uint64_t now);
  [[nodiscard]] std::uint8_t NextContinuity(std::uint16_t pid, bool faulty = false);
  [[nodiscard]] std::uint64_t PcrOf(std::uint64_t index) const;
  [[nodiscard]] std::uint64_t PtsFor(std::uint64_t captureTicks) const;

  StreamLayout layout_;
  StreamFaults faults_;
  Plan plan_;
  std::uint8_t version_ = 0;

  std::vector<Packet> pat_;
  std::vector<Packet> pmt_;
  std::vector<Packet> sdt_;
  std::vector<const Packet*> queued_;  // table packets due, in order
  std::size_t queuedSent_ = 0;

  Elementary video_;
  Elementary audio_;
  std::optional<VideoSource> pictures_;
  std::vector<std::uint8_t> frame_;  // scratch for the next picture

  std::uint64_t written_ = 0;
  // The clock runs at one rate since the last reconfiguration: packet baseIndex_ starts at baseTicks_.
  std::uint64_t baseIndex_ = 0;
  std::uint64_t baseTicks_ = 0;
  std::uint64_t nextPat_ = 0;
  std::uint64_t nextPmt_ = 0;
  std::uint64_t nextSdt_ = 0;
  std::uint64_t nextPcr_ = 0;
  std::uint64_t nextContinuityFault_ = 0;
  std::array<std::uint8_t, kPidCount> continuity_{};
};

}  // namespace kestrine::stream
