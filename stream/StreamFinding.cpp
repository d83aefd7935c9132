#include "stream/StreamFinding.h"

#include <array>

namespace kestrine::stream {
namespace {

struct KindName {
  FindingKind kind;
  std::string_view name;
};

constexpr std::array kNames{
    KindName{FindingKind::Unreceivable, "unreceivable"},
    KindName{FindingKind::NoStream, "no-stream"},
    KindName{FindingKind::TsSyncLoss, "ts-sync-loss"},
    KindName{FindingKind::SyncByteError, "sync-byte-error"},
    KindName{FindingKind::PatError, "pat-error"},
    KindName{FindingKind::ContinuityCountError, "continuity-count-error"},
    KindName{FindingKind::PmtError, "pmt-error"},
    KindName{FindingKind::PidError, "pid-error"},
    KindName{FindingKind::TransportError, "transport-error"},
    KindName{FindingKind::CrcError, "crc-error"},
    KindName{FindingKind::PcrRepetitionError, "pcr-repetition-error"},
    KindName{FindingKind::PcrDiscontinuityError, "pcr-discontinuity-error"},
    KindName{FindingKind::RtpSequenceError, "rtp-sequence-error"},
    KindName{FindingKind::RtpPayloadType, "rtp-payload-type"},
    KindName{FindingKind::StreamInterrupted, "stream-interrupted"},
    KindName{FindingKind::SdtMissing, "sdt-missing"},
    KindName{FindingKind::MulticastMode, "multicast_mode"},
    KindName{FindingKind::ProgramNo, "program_no"},
    KindName{FindingKind::PmtPid, "pmt_pid"},
    KindName{FindingKind::PcrPid, "pcr_pid"},
    KindName{FindingKind::VideoPid, "video_pid"},
    KindName{FindingKind::AudioPid, "audio_pid"},
    KindName{FindingKind::PrgName, "prg_name"},
    KindName{FindingKind::PrgProviderName, "prg_provider_name"},
    KindName{FindingKind::MuxBitrate, "mux_bitrate"},
    KindName{FindingKind::VideoBitrate, "video_bitrate"},
    KindName{FindingKind::AnalogBitrate, "analog_bitrate"},
};

constexpr bool NamesInEnumOrder() {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (static_cast<std::size_t>(kNames[i].kind) != i) return false;
  }
  return true;
}
static_assert(NamesInEnumOrder(), "names are looked up by their enum value");

}  // namespace

std::string_view FindingKindName(FindingKind kind) { return kNames[static_cast<std::size_t>(kind)].name; }

}  // namespace kestrine::stream
