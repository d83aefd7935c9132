#include "stream/TransportStreamGenerator.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "stream/PacketWriter.h"
#include "stream/PsiTables.h"
#include "stream/StreamTypes.h"
#include "stream/VideoPictures.h"

namespace kestrine::stream {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t TicksOf(std::chrono::microseconds duration) {
  return static_cast<std::uint64_t>(duration.count()) * (kPcrHz / 1'000'000);
}

constexpr std::uint64_t kTableInterval = TicksOf(90ms);  // PAT and PMT: at least every 100 ms
constexpr std::uint64_t kSdtInterval = TicksOf(450ms);   // SDT: every half second
constexpr std::uint64_t kPcrInterval = TicksOf(30ms);    // 20 to 40 ms
constexpr std::uint64_t kContinuityFaultInterval = TicksOf(250ms);
// Where the program clock starts: clear of 0, so no time stamp ever needs to be below it.
constexpr std::uint64_t kPcrOrigin = static_cast<std::uint64_t>(kPcrHz);
// Presentation comes this long after capture, plus the time an intra picture takes to arrive.
constexpr double kDecoderMarginSeconds = 0.2;

constexpr std::size_t kPcrFieldBytes = 8;  // adaptation field length, flags and the PCR
// Credit an elementary stream may save while others take the slots: enough for the bursts of tables and audio
// frames, so the video never loses the rate it is owed.
constexpr double kCreditCap = 32;
constexpr double kRateHeadroom = 1.01;  // the elementary streams never fall behind their frames

// The GB2312 character table (EN 300 468 annex A.2), marking the names of the service descriptor.
constexpr char kGb2312Table = 0x13;

std::string MarkedName(const std::string& bytes) { return bytes.empty() ? bytes : kGb2312Table + bytes; }

std::vector<Packet> Packetise(const std::vector<Section>& sections, std::uint16_t pid) {
  std::vector<Packet> packets;
  for (const Section& section : sections) {
    std::vector<Packet> more = PacketiseSection(section, pid);
    packets.insert(packets.end(), more.begin(), more.end());
  }
  return packets;
}

// a * b / c rounded down, exact without the overflow of a * b (b and c are at most a few times 10^8).
std::uint64_t MulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c) { return a / c * b + a % c * b / c; }

std::size_t PacketsFor(std::size_t bytes, std::size_t room) { return (bytes + room - 1) / room; }

}  // namespace

std::optional<TransportStreamGenerator::Plan> TransportStreamGenerator::MakePlan(const StreamLayout& layout,
                                                                                 const StreamFaults& faults,
                                                                                 std::string& whyNot) {
  Plan plan;
  plan.bitsPerSecond =
      std::llround(static_cast<double>(layout.muxBitsPerSecond) * (1.0 + faults.bitrateOffsetPercent / 100.0));
  plan.videoPid = faults.swapPids ? layout.audioPid : layout.videoPid;
  plan.audioPid = faults.swapPids ? layout.videoPid : layout.audioPid;
  plan.pcrIntervalTicks = faults.pcrInterval ? TicksOf(*faults.pcrInterval) : kPcrInterval;
  if (plan.pcrIntervalTicks == 0) plan.pcrIntervalTicks = kPcrInterval;
  std::optional<std::vector<std::uint8_t>> audioFrame = SilentAudioFrame(layout.audioKbps, layout.audioChannelMode);
  if (!audioFrame) {
    whyNot = "MPEG-1 Layer 2 has no " + std::to_string(layout.audioKbps) + " kbit/s for this channel mode";
    return std::nullopt;
  }
  plan.audioFrame = std::move(*audioFrame);
  if (plan.bitsPerSecond <= 0) {
    whyNot = "the stream has no bitrate";
    return std::nullopt;
  }

  // Packets per second each part takes, from the rate the stream has.
  const double slots = static_cast<double>(plan.bitsPerSecond) / (kPacketSize * 8);
  const double pcrSeconds = static_cast<double>(plan.pcrIntervalTicks) / kPcrHz;
  const bool pcrOnAudio = layout.pcrPid == plan.audioPid;
  const bool pcrOnVideo = layout.pcrPid == plan.videoPid;
  const double tables = (faults.noPat ? 0 : 1 / 0.09) + 1 / 0.09 + (faults.noSdt ? 0 : 1 / 0.45);
  const double pcrPackets = pcrOnAudio || pcrOnVideo ? 0.5 / pcrSeconds : 1 / pcrSeconds;
  const double audioFrames = static_cast<double>(kAudioSampleRate) / kAudioFrameSamples;
  const double audio = static_cast<double>(PacketsFor(kPesHeaderSize + plan.audioFrame.size(),
                                                      pcrOnAudio ? kPayloadRoom - kPcrFieldBytes : kPayloadRoom)) *
                       audioFrames;
  // The PCR takes 8 bytes of a video packet some 33 times a second; the headroom covers them.
  const double videoRoom = kPayloadRoom;
  // Every picture's PES starts a packet of its own and may leave the last one part empty.
  const double videoSlots = (slots - tables - pcrPackets - audio) / kRateHeadroom - kFramesPerSecond;
  const auto videoCanHave = static_cast<std::int64_t>(std::max(0.0, videoSlots) * videoRoom * 8);
  plan.videoBitsPerSecond = std::min(layout.videoBitsPerSecond, videoCanHave);
  if (plan.videoBitsPerSecond < VideoSource::MinimumBitsPerSecond()) {
    whyNot = std::to_string(plan.bitsPerSecond / 1000) + " kbit/s leave the video " +
             std::to_string(std::max<std::int64_t>(plan.videoBitsPerSecond, 0) / 1000) + " kbit/s, less than the " +
             std::to_string(VideoSource::MinimumBitsPerSecond() / 1000) + " kbit/s its pictures need";
    return std::nullopt;
  }
  const double video =
      (static_cast<double>(plan.videoBitsPerSecond) / 8 / videoRoom + kFramesPerSecond) * kRateHeadroom;
  plan.audioCreditPerPacket = audio * kRateHeadroom / slots;
  plan.videoCreditPerPacket = video / slots;
  const double intraSeconds =
      static_cast<double>(IntraPicture().size() * 8) / static_cast<double>(plan.videoBitsPerSecond);
  plan.presentationDelayTicks = static_cast<std::uint64_t>((kDecoderMarginSeconds + intraSeconds) * kPcrHz);
  return plan;
}

std::optional<std::int64_t> TransportStreamGenerator::VideoRoom(const StreamLayout& layout, std::string& whyNot) {
  StreamLayout greedy = layout;
  greedy.videoBitsPerSecond = layout.muxBitsPerSecond;
  const std::optional<Plan> plan = MakePlan(greedy, {}, whyNot);
  if (!plan) return std::nullopt;
  return plan->videoBitsPerSecond;
}

std::optional<TransportStreamGenerator> TransportStreamGenerator::Create(const StreamLayout& layout,
                                                                         const StreamFaults& faults,
                                                                         std::string& whyNot) {
  std::optional<Plan> plan = MakePlan(layout, faults, whyNot);
  if (!plan) return std::nullopt;
  TransportStreamGenerator generator;
  generator.continuity_.fill(0x0F);  // the first packet with payload counts 0
  generator.video_.streamId = kVideoStreamId;
  generator.video_.frameTicks = static_cast<std::uint64_t>(kFrameTicks) * 300;
  generator.audio_.streamId = kAudioStreamId;
  generator.audio_.frameTicks = static_cast<std::uint64_t>(kAudioFrameTicks) * 300;
  generator.Adopt(layout, faults, std::move(*plan));
  return generator;
}

bool TransportStreamGenerator::Reconfigure(const StreamLayout& layout, const StreamFaults& faults,
                                           std::string& whyNot) {
  std::optional<Plan> plan = MakePlan(layout, faults, whyNot);
  if (!plan) return false;
  baseTicks_ = TicksAt(written_);
  baseIndex_ = written_;
  version_ = static_cast<std::uint8_t>((version_ + 1) & 0x1F);
  Adopt(layout, faults, std::move(*plan));
  // The new tables go out at once.
  nextPat_ = nextPmt_ = nextSdt_ = baseTicks_;
  return true;
}

void TransportStreamGenerator::Adopt(const StreamLayout& layout, const StreamFaults& faults, Plan plan) {
  const bool newPictures = !pictures_ || plan.videoBitsPerSecond != plan_.videoBitsPerSecond;
  layout_ = layout;
  faults_ = faults;
  plan_ = std::move(plan);
  // What a stream already started keeps its PID to the end; the next frame goes where the layout says.
  if (video_.pid != plan_.videoPid || audio_.pid != plan_.audioPid) {
    video_.pes.clear();
    video_.sent = 0;
    audio_.pes.clear();
    audio_.sent = 0;
  }
  video_.pid = plan_.videoPid;
  audio_.pid = plan_.audioPid;
  video_.creditPerPacket = plan_.videoCreditPerPacket;
  audio_.creditPerPacket = plan_.audioCreditPerPacket;
  if (newPictures) pictures_.emplace(plan_.videoBitsPerSecond);
  BuildTables();
}

void TransportStreamGenerator::BuildTables() {
  PatTable pat;
  pat.transportStreamId = layout_.transportStreamId;
  pat.programs.push_back({layout_.programNumber, layout_.pmtPid});
  PmtTable pmt;
  pmt.programNumber = layout_.programNumber;
  pmt.pcrPid = layout_.pcrPid;
  pmt.streams.push_back({plan_.videoPid, kMpeg2VideoType});
  pmt.streams.push_back({plan_.audioPid, kMpeg1AudioType});
  SdtTable sdt;
  sdt.transportStreamId = layout_.transportStreamId;
  sdt.originalNetworkId = layout_.originalNetworkId;
  sdt.services.push_back({layout_.programNumber, MarkedName(layout_.providerName), MarkedName(layout_.serviceName)});
  pat_ = Packetise(BuildPatSections(pat, version_), kPatPid);
  pmt_ = Packetise(BuildPmtSections(pmt, version_), layout_.pmtPid);
  sdt_ = Packetise(BuildSdtSections(sdt, version_), kSdtPid);
  queued_.clear();
  queuedSent_ = 0;
}

std::uint64_t TransportStreamGenerator::TicksAt(std::uint64_t index) const {
  return baseTicks_ + MulDiv((index - baseIndex_) * kPacketSize * 8, static_cast<std::uint64_t>(kPcrHz),
                             static_cast<std::uint64_t>(plan_.bitsPerSecond));
}

std::uint64_t TransportStreamGenerator::PcrOf(std::uint64_t index) const {
  // The PCR tells when the byte that ends its base arrives: the 11th of the packet.
  constexpr std::uint64_t kPcrByte = 10;
  const std::uint64_t offset =
      MulDiv(kPcrByte * 8, static_cast<std::uint64_t>(kPcrHz), static_cast<std::uint64_t>(plan_.bitsPerSecond));
  return (kPcrOrigin + TicksAt(index) + offset) % kPcrWrap;
}

std::uint64_t TransportStreamGenerator::PtsFor(std::uint64_t captureTicks) const {
  return ((kPcrOrigin + captureTicks + plan_.presentationDelayTicks) / 300) % kPtsWrap;
}

void TransportStreamGenerator::NextPacket(Packet& out) {
  const std::uint64_t now = TicksAt(written_);
  QueueDueTables(now);
  if (queuedSent_ < queued_.size()) {
    out = *queued_[queuedSent_++];
    SetContinuity(out, NextContinuity(PidOf(out.data())));
    if (queuedSent_ == queued_.size()) {
      queued_.clear();
      queuedSent_ = 0;
    }
  } else if (now >= nextPcr_) {
    WritePcrPacket(out, now);
    nextPcr_ = std::max(nextPcr_ + plan_.pcrIntervalTicks, now);
  } else if (Ready(audio_, now)) {
    WriteElementary(audio_, out, std::nullopt);
  } else if (Ready(video_, now)) {
    WriteElementary(video_, out, std::nullopt);
  } else {
    WriteNullPacket(out);
  }
  for (Elementary* es : {&audio_, &video_}) es->credit = std::min(es->credit + es->creditPerPacket, kCreditCap);
  ++written_;
}

void TransportStreamGenerator::QueueDueTables(std::uint64_t now) {
  const auto queue = [&](const std::vector<Packet>& table, std::uint64_t& next, std::uint64_t interval, bool off) {
    if (now < next) return;
    next += interval;
    if (next <= now) next = now + interval;  // never a burst of overdue copies
    if (off) return;
    for (const Packet& packet : table) queued_.push_back(&packet);
  };
  queue(pat_, nextPat_, kTableInterval, faults_.noPat);
  queue(pmt_, nextPmt_, kTableInterval, false);
  queue(sdt_, nextSdt_, kSdtInterval, faults_.noSdt);
}

bool TransportStreamGenerator::Ready(const Elementary& es, std::uint64_t now) const {
  return es.credit >= 1 && (es.HasData() || es.NextCapture() <= now);
}

void TransportStreamGenerator::FillNextFrame(Elementary& es) {
  const std::uint64_t pts = PtsFor(es.NextCapture());
  ++es.frames;
  es.sent = 0;
  es.pes.clear();
  if (&es == &video_) {
    pictures_->NextPicture(frame_);
  } else {
    frame_ = plan_.audioFrame;
  }
  AppendPesHeader(es.pes, es.streamId, pts, frame_.size());
  es.pes.insert(es.pes.end(), frame_.begin(), frame_.end());
}

void TransportStreamGenerator::WriteElementary(Elementary& es, Packet& out, std::optional<std::uint64_t> pcr) {
  if (!es.HasData()) FillNextFrame(es);
  PacketFields fields;
  fields.pid = es.pid;
  fields.unitStart = es.sent == 0;
  fields.pcr = pcr;
  bool faulty = false;
  if (&es == &video_ && faults_.continuityErrors && TicksAt(written_) >= nextContinuityFault_) {
    faulty = true;
    nextContinuityFault_ = TicksAt(written_) + kContinuityFaultInterval;
  }
  fields.continuity = NextContinuity(es.pid, faulty);
  es.sent += WritePacket(out, fields, std::span<const std::uint8_t>(es.pes).subspan(es.sent));
  es.credit -= 1;
}

void TransportStreamGenerator::WritePcrPacket(Packet& out, std::uint64_t now) {
  const std::uint64_t pcr = PcrOf(written_);
  for (Elementary* es : {&video_, &audio_}) {
    if (es->pid != layout_.pcrPid) continue;
    // On a stream's own PID the PCR rides with its next data, or alone when it has none yet.
    if (es->HasData() || es->NextCapture() <= now) {
      WriteElementary(*es, out, pcr);
      return;
    }
  }
  PacketFields fields;
  fields.pid = layout_.pcrPid;
  fields.continuity = continuity_[layout_.pcrPid];  // no payload: the counter stays
  fields.pcr = pcr;
  WritePacket(out, fields, {});
}

std::uint8_t TransportStreamGenerator::NextContinuity(std::uint16_t pid, bool faulty) {
  std::uint8_t& counter = continuity_[pid];
  counter = static_cast<std::uint8_t>((counter + (faulty ? 2 : 1)) & 0x0F);
  return counter;
}

}  // namespace kestrine::stream
