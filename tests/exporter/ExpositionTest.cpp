#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <limits>

#include "config/EncoderConfiguration.h"
#include "exporter/ExporterFixture.h"
#include "stream/StreamLayout.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"

namespace kestrine::test {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Exposition : public ExporterFixture {
 protected:
  void SetUp() override { StartFleet(3); }

  void SaveBaseline(std::size_t index, const std::filesystem::path& folder) {
    std::ofstream(folder / (Address(index) + ".xml"), std::ios::binary) << Encoder(index).ConfigurationDocument();
  }

  void Change(std::size_t index, const std::function<void(config::EncoderConfiguration&)>& edit) {
    config::EncoderConfiguration record = Encoder(index).Configuration();
    edit(record);
    Encoder(index).SetConfiguration(record);
  }

  // The encoder's stream to a free port of 127.0.0.1, where the exporter can receive it; sent when `on`.
  void Stream(std::size_t index, bool on, const stream::StreamFaults& faults = {}) {
    Change(index, [](auto& r) { r.multicast_port = FreeUdpPort(); });
    Encoder(index).SetStreamFaults(faults);
    Encoder(index).SetStreaming(on);
    ASSERT_TRUE(Eventually([&] { return Encoder(index).StreamSettled() && Encoder(index).Stream().sending == on; }));
  }
};

// The value of the one sample `series` (name and labels as exposed); NaN when absent.
double Sample(const std::string& body, const std::string& series) {
  const std::size_t at = body.find("\n" + series + " ");
  if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
  return std::stod(body.substr(at + series.size() + 2));
}

constexpr std::chrono::milliseconds kShortWindow{1000};

// Continuity counts skipped, and 10 % faster than the record says.
stream::StreamFaults SkippingAndFast() {
  stream::StreamFaults faults;
  faults.continuityErrors = true;
  faults.bitrateOffsetPercent = 10;
  return faults;
}

TEST_F(Exposition, EveryModuleAndTheExportersOwnMetricsPassPromtool) {
  KESTRINE_REQUIRE_PROGRAM(promtool, "promtool", "prometheus");
  TempFolder baselines("baselines");
  SaveBaseline(0, baselines.Path());
  SaveBaseline(1, baselines.Path());
  Change(1, [](auto& r) { r.mux_bitrate = 3000; });
  Encoder(2).SetRefuseConnections(true);
  Stream(0, true, SkippingAndFast());
  Stream(1, false);
  StartExporter([&](auto& s) {
    s.prober.baselines = baselines.Path();
    s.prober.streamWindow = kShortWindow;
  });

  for (const std::string module : {"config", "stream"}) {
    for (std::size_t i = 0; i < 3; ++i) {
      const HttpAnswer answer = Probe(i, module);
      ASSERT_EQ(answer.status, 200) << answer.body;
      const ProgramRun check = CheckMetrics(*promtool, answer.body);
      EXPECT_EQ(check.status, 0) << module << " " << Address(i) << ":\n" << check.output << answer.body;
      EXPECT_TRUE(Has(answer.body, i == 2 ? "\nkestrine_up 0\n" : "\nkestrine_up 1\n")) << answer.body;
    }
  }
  const HttpAnswer own = Get("/metrics");
  ASSERT_EQ(own.status, 200);
  EXPECT_EQ(CheckMetrics(*promtool, own.body).status, 0) << own.body;
  EXPECT_TRUE(Has(own.body, "kestrine_exporter_probes_total{module=\"config\",result=\"down\"} 1")) << own.body;
}

TEST_F(Exposition, ReportsTheConfiguredRatesInBytesPerSecondAndTheDestination) {
  Change(0, [](auto& r) {
    r.mux_bitrate = 4000;
    r.analog_bitrate = 192;
    r.multicast_mode = 1;
  });
  StartExporter();
  const std::string body = Probe(0).body;
  EXPECT_TRUE(Has(body, "\nkestrine_config_mux_bitrate_bytes_per_second 500000\n")) << body;
  EXPECT_TRUE(Has(body, "\nkestrine_config_audio_bitrate_bytes_per_second 24000\n")) << body;
  const config::EncoderConfiguration record = Encoder(0).Configuration();
  EXPECT_TRUE(Has(body, "kestrine_config_destination_info{address=\"" + platform::FormatIpv4(record.multicast_ip) +
                            "\",port=\"" + std::to_string(record.multicast_port) + "\",protocol=\"rtp\"} 1"))
      << body;
}

TEST_F(Exposition, StreamModuleGivesWhatTheStreamIsItsErrorsAndWhereItContradictsTheConfiguration) {
  Stream(0, true);
  Stream(1, true, SkippingAndFast());
  Stream(2, false);
  StartExporter([](auto& s) { s.prober.streamWindow = kShortWindow; });

  const std::string sound = Probe(0, "stream").body;
  const double configured = Sample(sound, "kestrine_config_mux_bitrate_bytes_per_second");
  EXPECT_EQ(Sample(sound, "kestrine_stream_received"), 1) << sound;
  EXPECT_EQ(Sample(sound, "kestrine_stream_window_seconds"), 1) << sound;
  EXPECT_NEAR(Sample(sound, "kestrine_stream_bitrate_bytes_per_second"), configured, configured * 0.02) << sound;
  EXPECT_GT(Sample(sound, "kestrine_stream_video_bitrate_bytes_per_second"), 0) << sound;
  EXPECT_GT(Sample(sound, "kestrine_stream_audio_bitrate_bytes_per_second"), 0) << sound;
  EXPECT_EQ(Sample(sound, "kestrine_stream_errors{check=\"continuity\"}"), 0) << sound;
  EXPECT_FALSE(Has(sound, "kestrine_stream_mismatch{")) << sound;
  EXPECT_FALSE(Has(sound, "kestrine_probe_failure_info{")) << sound;

  const std::string faulty = Probe(1, "stream").body;
  EXPECT_GT(Sample(faulty, "kestrine_stream_bitrate_bytes_per_second"), configured * 1.05) << faulty;
  EXPECT_GT(Sample(faulty, "kestrine_stream_errors{check=\"continuity\"}"), 0) << faulty;
  EXPECT_EQ(Sample(faulty, "kestrine_stream_errors{check=\"pat\"}"), 0) << faulty;
  EXPECT_EQ(Sample(faulty, "kestrine_stream_mismatch{field=\"mux_bitrate\"}"), 1) << faulty;

  const std::string silent = Probe(2, "stream").body;
  EXPECT_EQ(Sample(silent, "kestrine_up"), 1) << silent;
  EXPECT_EQ(Sample(silent, "kestrine_stream_received"), 0) << silent;
  EXPECT_FALSE(Has(silent, "kestrine_stream_bitrate_bytes_per_second")) << silent;
  EXPECT_FALSE(Has(silent, "kestrine_stream_errors{")) << silent;
  // Whatever the window, the same reason: the same series.
  EXPECT_TRUE(Has(silent, "reason=\"no stream received at 127.0.0.1:" +
                              std::to_string(Encoder(2).Configuration().multicast_port) + "\""))
      << silent;

  // Another host's address is no place to listen: said so, and no stream series at all.
  Change(2, [](auto& r) { r.multicast_ip = platform::HostToNetwork32(0xC0000201); });  // 192.0.2.1
  const std::string elsewhere = Probe(2, "stream").body;
  EXPECT_TRUE(Has(elsewhere, "reason=\"cannot receive the stream to 192.0.2.1:")) << elsewhere;
  EXPECT_FALSE(Has(elsewhere, "kestrine_stream_received")) << elsewhere;
}

TEST_F(Exposition, EncoderTextsCannotBreakTheFormat) {
  KESTRINE_REQUIRE_PROGRAM(promtool, "promtool", "prometheus");
  Change(0, [](auto& r) {
    config::StoreText(r.prg_name, "say \"hi\" \\ back\nslash\r");
    config::StoreText(r.prg_provider_name, "\xFF!\xD0\xC2\xCE\xC5 }\" x=\"1");  // no character, then GB2312
    config::StoreText(r.version, "2\"\\\n");
  });
  StartExporter();
  const std::string body = Probe(0).body;
  const ProgramRun check = CheckMetrics(*promtool, body);
  EXPECT_EQ(check.status, 0) << check.output << body;
  EXPECT_TRUE(Has(body, "service=\"say \\\"hi\\\" \\\\ back")) << body;
  EXPECT_TRUE(Has(body, "provider=\"\xEF\xBF\xBD!\xE6\x96\xB0\xE9\x97\xBB }\\\" x=\\\"1\"")) << body;
  std::size_t infoLines = 0;
  for (std::size_t at = body.find("\nkestrine_encoder_info{"); at != std::string::npos;
       at = body.find("\nkestrine_encoder_info{", at + 1)) {
    ++infoLines;
  }
  EXPECT_EQ(infoLines, 1u) << body;
}

TEST_F(Exposition, PasswordsNeverAppearInAnyMetricOrLabel) {
  TempFolder baselines("baselines");
  Encoder(0).SetPassword("RRLLUUDD");
  SaveBaseline(0, baselines.Path());
  Encoder(0).SetPassword("DDUULLRR");
  Change(0, [](auto& r) { config::StoreText(r.prg_name, "News"); });  // drift beside a changed password
  StartExporter([&](auto& s) { s.prober.baselines = baselines.Path(); });
  for (const std::string module : {"config", "stream"}) {
    const std::string body = Probe(0, module).body;
    EXPECT_TRUE(Has(body, "kestrine_config_drift 1")) << body;
    EXPECT_FALSE(Has(body, "DDUULLRR")) << body;
    EXPECT_FALSE(Has(body, "RRLLUUDD")) << body;
    EXPECT_FALSE(Has(body, "password")) << body;
  }
}

TEST_F(Exposition, DriftIsOneSeriesPerDifferingSettingAgainstTheSavedBaseline) {
  TempFolder baselines("baselines");
  // A setting the baseline does not carry is not judged, as apply leaves it alone.
  std::string trimmed = Encoder(0).ConfigurationDocument();
  const std::size_t name = trimmed.find("<prg_name>");
  ASSERT_NE(name, std::string::npos);
  trimmed.erase(name, trimmed.find('\n', name) - name);
  std::ofstream(baselines.Path() / (Address(0) + ".xml"), std::ios::binary) << trimmed;
  Change(0, [](auto& r) { config::StoreText(r.prg_name, "Renamed"); });
  SaveBaseline(1, baselines.Path());
  const std::int32_t savedBitrate = Encoder(1).Configuration().mux_bitrate;
  Change(1, [](auto& r) {
    r.mux_bitrate = 3000;
    r.video_pid = 1234;
    r.TS_bitrate = 1;  // reported, never taken by the encoder: not a setting
  });
  std::filesystem::create_directory(baselines.Path() / (Address(2) + ".xml"));  // not a file
  StartExporter([&](auto& s) { s.prober.baselines = baselines.Path(); });

  const std::string same = Probe(0).body;
  EXPECT_TRUE(Has(same, "\nkestrine_config_baseline_loaded 1\n")) << same;
  EXPECT_TRUE(Has(same, "\nkestrine_config_drift 0\n")) << same;
  EXPECT_FALSE(Has(same, "kestrine_config_setting_drift{")) << same;

  const std::string drifted = Probe(1).body;
  EXPECT_TRUE(Has(drifted, "\nkestrine_config_drift 1\n")) << drifted;
  EXPECT_TRUE(Has(drifted, "kestrine_config_setting_drift{baseline=\"" + std::to_string(savedBitrate) +
                               "\",current=\"3000\",setting=\"mux_bitrate\"} 1"))
      << drifted;
  EXPECT_TRUE(Has(drifted, "current=\"1234\",setting=\"video_pid\"} 1")) << drifted;
  EXPECT_FALSE(Has(drifted, "setting=\"TS_bitrate\"")) << drifted;

  const std::string unreadable = Probe(2).body;
  EXPECT_TRUE(Has(unreadable, "\nkestrine_up 1\n")) << unreadable;
  EXPECT_TRUE(Has(unreadable, "\nkestrine_config_baseline_loaded 0\n")) << unreadable;
  EXPECT_FALSE(Has(unreadable, "kestrine_config_drift ")) << unreadable;
  EXPECT_TRUE(Has(unreadable, "stage=\"baseline\"")) << unreadable;
}

TEST_F(Exposition, BaselinesAreReadWithABoundAndNeverFromAFifo) {
  TempFolder baselines("baselines");
  const std::string document = Encoder(0).ConfigurationDocument();
  // A valid document padded past the protocol's bound.
  std::ofstream(baselines.Path() / (Address(0) + ".xml"), std::ios::binary)
      << document << "<!--" << std::string(20000, 'x') << "-->";
  ASSERT_EQ(::mkfifo((baselines.Path() / (Address(1) + ".xml")).c_str(), 0600), 0);  // nobody ever writes
  StartExporter([&](auto& s) { s.prober.baselines = baselines.Path(); });

  const std::string oversized = Probe(0).body;
  EXPECT_TRUE(Has(oversized, "larger than 9999 bytes")) << oversized;
  EXPECT_TRUE(Has(oversized, "\nkestrine_config_baseline_loaded 0\n")) << oversized;
  const HttpAnswer fifo = Probe(1);
  EXPECT_EQ(fifo.status, 200);
  EXPECT_TRUE(Has(fifo.body, "a pipe nothing wrote to")) << fifo.body;
}

}  // namespace
}  // namespace kestrine::test
