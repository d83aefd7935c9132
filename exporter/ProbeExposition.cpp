#include "exporter/ProbeExposition.h"

#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <array>
#include <map>
#include <sstream>
#include <string_view>

#include "config/ConfigurationTables.h"
#include "config/EncoderConfiguration.h"
#include "config/TextEncoding.h"
#include "exporter/ProbeReport.h"
#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

struct MetricFamily {
  std::string_view name;
  std::string_view help;
};

constexpr MetricFamily kUp{"kestrine_up", "1 when the encoder answered with a configuration document it accepted"};
constexpr MetricFamily kDuration{"kestrine_probe_duration_seconds", "How long the probe took"};
constexpr MetricFamily kFailure{"kestrine_probe_failure_info", "A step of the probe that failed, and why"};
constexpr MetricFamily kEncoderInfo{"kestrine_encoder_info",
                                  "The encoder's version, device number, service and provider name"};
constexpr MetricFamily kDestination{"kestrine_config_destination_info",
                                  "Where the encoder is configured to send its transport stream"};
constexpr MetricFamily kBaselineLoaded{"kestrine_config_baseline_loaded",
                                     "1 when the encoder's saved baseline configuration could be read"};
constexpr MetricFamily kDrift{"kestrine_config_drift",
                            "1 when a setting differs from the saved baseline, judged as kestrinectl apply judges"};
constexpr MetricFamily kSettingDrift{"kestrine_config_setting_drift",
                                   "A setting whose value differs from the saved baseline"};
constexpr MetricFamily kStreamReceived{"kestrine_stream_received",
                                     "1 when the configured stream arrived within the probe window"};
constexpr MetricFamily kStreamWindow{"kestrine_stream_window_seconds", "How long the stream was received"};
constexpr MetricFamily kStreamBitrate{"kestrine_stream_bitrate_bytes_per_second",
                                    "The transport stream's rate measured from its PCRs"};
constexpr MetricFamily kStreamVideo{"kestrine_stream_video_bitrate_bytes_per_second",
                                  "The video elementary stream's measured rate"};
constexpr MetricFamily kStreamAudio{"kestrine_stream_audio_bitrate_bytes_per_second",
                                  "The audio elementary stream's measured rate"};
constexpr MetricFamily kStreamErrors{"kestrine_stream_errors", "Errors the analyser counted over the probe window"};
constexpr MetricFamily kStreamMismatch{"kestrine_stream_mismatch",
                                     "A value the stream carries that the configuration says otherwise"};

// The configured rates, in kbit/s on the encoder, exposed in bytes per second.
struct ConfiguredRate {
  MetricFamily metric;
  std::int32_t config::EncoderConfiguration::*field;
};
constexpr std::array<ConfiguredRate, 4> kConfiguredRates{{
    {{"kestrine_config_ts_bitrate_bytes_per_second", "Transport stream bitrate the encoder reports"},
     &config::EncoderConfiguration::TS_bitrate},
    {{"kestrine_config_mux_bitrate_bytes_per_second", "Configured program (multiplex) bitrate"},
     &config::EncoderConfiguration::mux_bitrate},
    {{"kestrine_config_video_bitrate_bytes_per_second", "Video bitrate the encoder reports"},
     &config::EncoderConfiguration::video_bitrate},
    {{"kestrine_config_audio_bitrate_bytes_per_second", "Configured audio bitrate"},
     &config::EncoderConfiguration::analog_bitrate},
}};
constexpr double kBytesPerSecondPerKbit = 1000.0 / 8.0;

// By StreamCheck.
constexpr std::array<std::string_view, kStreamCheckCount> kStreamCheckNames{
    "sync_loss",         "sync_byte",    "pat",
    "continuity",        "pmt",          "pid",
    "transport_error",   "crc",          "pcr_repetition",
    "pcr_discontinuity", "rtp_sequence", "rtp_payload_type",
    "interruption",      "sdt"};

// One registry per answer: a scrape shows exactly what this probe found.
class Exposition final {
 public:
  void Set(const MetricFamily& family, const prometheus::Labels& labels, double value) {
    auto [at, added] = families_.try_emplace(family.name, nullptr);
    if (added) {
      at->second =
          &prometheus::BuildGauge().Name(std::string(family.name)).Help(std::string(family.help)).Register(registry_);
    }
    at->second->Add(labels).Set(value);
  }
  void Set(const MetricFamily& family, double value) { Set(family, {}, value); }
  void Flag(const MetricFamily& family, bool on) { Set(family, on ? 1.0 : 0.0); }

  [[nodiscard]] std::string Text() const {
    std::ostringstream text;
    prometheus::TextSerializer().Serialize(text, registry_.Collect());
    return text.str();
  }

 private:
  prometheus::Registry registry_;
  std::map<std::string_view, prometheus::Family<prometheus::Gauge>*> families_;
};

std::string Decoded(std::span<const char> field) { return config::DecodeGb18030Lenient(config::TextOf(field)); }

std::string StreamProtocol(std::int32_t mode) {
  if (mode >= 0 && static_cast<std::size_t>(mode) < config::MULTICAST_MODE_OPTIONS.size()) {
    return std::string(config::MULTICAST_MODE_OPTIONS[static_cast<std::size_t>(mode)]);
  }
  return std::to_string(mode);
}

void ExposeConfiguration(const config::EncoderConfiguration& record, Exposition& out) {
  out.Set(kEncoderInfo,
          {{"version", Decoded(record.version)},
           {"device_number", std::to_string(record.sequence_number)},
           {"service", Decoded(record.prg_name)},
           {"provider", Decoded(record.prg_provider_name)}},
          1);
  for (const ConfiguredRate& rate : kConfiguredRates) {
    out.Set(rate.metric, record.*rate.field * kBytesPerSecondPerKbit);
  }
  out.Set(kDestination,
          {{"address", platform::FormatIpv4(record.multicast_ip)},
           {"port", std::to_string(record.multicast_port)},
           {"protocol", StreamProtocol(record.multicast_mode)}},
          1);
}

void ExposeDrift(const DriftReport& drift, Exposition& out) {
  out.Flag(kBaselineLoaded, drift.baselineLoaded);
  if (!drift.baselineLoaded) return;
  out.Flag(kDrift, !drift.settings.empty());
  for (const SettingDrift& setting : drift.settings) {
    out.Set(kSettingDrift, {{"setting", setting.setting}, {"baseline", setting.baseline}, {"current", setting.current}},
            1);
  }
}

void ExposeStream(const StreamReport& stream, Exposition& out) {
  out.Flag(kStreamReceived, stream.received);
  out.Set(kStreamWindow, stream.window.count());
  if (!stream.received) return;  // nothing to count: no errors is not a clean stream
  if (stream.bitrateBytesPerSecond) out.Set(kStreamBitrate, *stream.bitrateBytesPerSecond);
  if (stream.videoBytesPerSecond) out.Set(kStreamVideo, *stream.videoBytesPerSecond);
  if (stream.audioBytesPerSecond) out.Set(kStreamAudio, *stream.audioBytesPerSecond);
  for (std::size_t i = 0; i < kStreamCheckCount; ++i) {
    out.Set(kStreamErrors, {{"check", std::string(kStreamCheckNames[i])}}, stream.errors[i]);
  }
  for (const std::string& field : stream.mismatches) out.Set(kStreamMismatch, {{"field", field}}, 1);
}

}  // namespace

std::string ExposeProbe(const ProbeReport& report) {
  Exposition out;
  out.Flag(kUp, report.up);
  out.Set(kDuration, report.duration.count());
  for (const ProbeFailure& failure : report.failures) {
    out.Set(kFailure, {{"stage", failure.stage}, {"reason", failure.reason}}, 1);
  }
  if (report.record) ExposeConfiguration(*report.record, out);
  if (report.drift) ExposeDrift(*report.drift, out);
  if (report.stream) ExposeStream(*report.stream, out);
  return out.Text();
}

}  // namespace kestrine::exporter
