#include "stream/StreamProbe.h"

#include <cstdio>

#include "config/EncoderConfiguration.h"

namespace kestrine::stream {
namespace {

std::optional<ProgramHint> HintFrom(const config::EncoderConfiguration& record) {
  if (record.program_no < 1 || record.program_no > 0xFFFF || record.pmt_pid < kFirstProgramPid ||
      record.pmt_pid > kLastProgramPid) {
    return std::nullopt;
  }
  return ProgramHint{static_cast<std::uint16_t>(record.program_no), static_cast<std::uint16_t>(record.pmt_pid)};
}

}  // namespace

std::string FormatDuration(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000);
  return text;
}

ProbeResult ProbeStream(const config::EncoderConfiguration& record, const ProbeOptions& options) {
  ProbeResult result;
  result.destination = DestinationOf(record);
  std::string error;
  std::optional<StreamReceiver> receiver = StreamReceiver::Open(result.destination, options.interfaceName, error);
  if (!receiver) {
    result.findings.push_back(
        {FindingKind::Unreceivable,
         "cannot receive the stream to " + FormatDestination(result.destination) + " here: " + error});
    return result;
  }
  StreamAnalyser analyser(HintFrom(record));
  receiver->ReceiveFor(
      options.duration,
      [&](std::span<const std::uint8_t> datagram, StreamReceiver::Clock::time_point arrival) {
        analyser.Feed(datagram, arrival);
      },
      options.keepAlive, [&] { return result.cancelled = options.cancelled && options.cancelled(); });
  result.measured = analyser.Measure(StreamReceiver::Clock::now());
  if (analyser.Datagrams() == 0) {
    if (!result.cancelled) {
      result.findings.push_back({FindingKind::NoStream, "no stream received at " +
                                                            FormatDestination(result.destination) + " within " +
                                                            FormatDuration(options.duration)});
    }
    return result;
  }
  result.program = FindProgram(record, result.measured);
  result.findings = JudgeStream(record, result.measured, options.judge);
  return result;
}

std::string SummaryText(const ProbeResult& result) {
  const MeasuredProgram& p = result.program;
  std::string text = p.programNumber ? "program " + std::to_string(*p.programNumber) : "no program";
  if (p.serviceName) text += " \"" + *p.serviceName + "\"";
  if (p.providerName) text += " (" + *p.providerName + ")";
  if (p.bitrateKbps) text += ", " + FormatKbps(*p.bitrateKbps) + " kbit/s";
  if (p.video) {
    text += ", video " + (p.videoKbps ? FormatKbps(*p.videoKbps) + " kbit/s " : std::string()) + "on PID " +
            std::to_string(p.video->pid);
  }
  if (p.audio) {
    text += ", audio " + (p.audioKbps ? FormatKbps(*p.audioKbps) + " kbit/s " : std::string()) + "on PID " +
            std::to_string(p.audio->pid);
  }
  text += std::string(", ") + (result.destination.framing == Framing::Rtp ? "rtp " : "udp ") +
          FormatDestination(result.destination);
  return text;
}

}  // namespace kestrine::stream
