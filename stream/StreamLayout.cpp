#include "stream/StreamLayout.h"

#include <array>
#include <string_view>

#include "config/EncoderConfiguration.h"
#include "stream/ElementaryStreams.h"
#include "stream/TsPacket.h"

namespace kestrine::stream {
namespace {

struct PidField {
  std::string_view name;
  std::int32_t value;
};

bool PidsFit(const config::EncoderConfiguration& r, std::string& whyNot) {
  const std::array<PidField, 4> pids{PidField{"pmt_pid", r.pmt_pid}, PidField{"pcr_pid", r.pcr_pid},
                                     PidField{"video_pid", r.video_pid}, PidField{"audio_pid", r.audio_pid}};
  for (const PidField& pid : pids) {
    if (pid.value < kFirstProgramPid || pid.value > kLastProgramPid) {
      whyNot = std::string(pid.name) + " " + std::to_string(pid.value) + " is outside " +
               std::to_string(kFirstProgramPid) + ".." + std::to_string(kLastProgramPid);
      return false;
    }
  }
  // The PCR may ride on the video or the audio; nothing else may share a PID.
  for (std::size_t i = 0; i < pids.size(); ++i) {
    for (std::size_t k = i + 1; k < pids.size(); ++k) {
      const bool pcrOnStream = pids[i].name == "pcr_pid" && k >= 2;
      if (pids[i].value == pids[k].value && !pcrOnStream) {
        whyNot = std::string(pids[i].name) + " and " + std::string(pids[k].name) + " are both " +
                 std::to_string(pids[i].value);
        return false;
      }
    }
  }
  return true;
}

}  // namespace

std::optional<StreamLayout> LayoutFor(const config::EncoderConfiguration& r, std::string& whyNot) {
  if (!PidsFit(r, whyNot)) return std::nullopt;
  if (r.program_no < 1 || r.program_no > 0xFFFF) {
    whyNot = "program_no " + std::to_string(r.program_no) + " is not a program number (1..65535)";
    return std::nullopt;
  }
  if (r.mux_bitrate <= 0) {
    whyNot = "mux_bitrate " + std::to_string(r.mux_bitrate) + " is no bitrate";
    return std::nullopt;
  }
  if (!SilentAudioFrame(r.analog_bitrate, r.analog_channel_mode)) {
    whyNot = "MPEG-1 Layer 2 has no " + std::to_string(r.analog_bitrate) + " kbit/s for analog_channel_mode " +
             std::to_string(r.analog_channel_mode);
    return std::nullopt;
  }
  StreamLayout layout;
  layout.programNumber = static_cast<std::uint16_t>(r.program_no);
  layout.pmtPid = static_cast<std::uint16_t>(r.pmt_pid);
  layout.pcrPid = static_cast<std::uint16_t>(r.pcr_pid);
  layout.videoPid = static_cast<std::uint16_t>(r.video_pid);
  layout.audioPid = static_cast<std::uint16_t>(r.audio_pid);
  layout.muxBitsPerSecond = std::int64_t{r.mux_bitrate} * 1000;
  layout.videoBitsPerSecond = std::int64_t{r.video_bitrate > 0 ? r.video_bitrate : r.mux_bitrate} * 1000;
  layout.audioKbps = r.analog_bitrate;
  layout.audioChannelMode = r.analog_channel_mode;
  layout.serviceName = std::string(config::TextOf(r.prg_name));
  layout.providerName = std::string(config::TextOf(r.prg_provider_name));
  return layout;
}

}  // namespace kestrine::stream
