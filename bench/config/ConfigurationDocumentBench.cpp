// Building and parsing one full configuration document, and parsing the
// hostile documents the protocol's 9999 bytes can carry: the deepest nesting
// (closed, and left open so the parser fails at the bottom) and a root full of
// attributes, whose duplicate check is quadratic in the parser.
// Run by hand: build/bench/config/config_bench
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"

namespace {

using kestrine::config::EncoderConfiguration;

EncoderConfiguration FullRecord() {
  EncoderConfiguration r;
  kestrine::config::StoreText(r.version, "V2.13");
  r.sequence_number = 7;
  r.ipAddr = kestrine::platform::InetAddr("10.0.0.20");
  r.ipMask = kestrine::platform::InetAddr("255.255.255.0");
  r.ipGate = kestrine::platform::InetAddr("10.0.0.1");
  r.multicast_ip = kestrine::platform::InetAddr("239.1.1.7");
  r.multicast_port = 1234;
  r.multicast_mode = 1;
  kestrine::config::StoreText(r.old_password, "ULDRULDR");
  kestrine::config::StoreText(r.new_password, "DDRRUULL");
  r.video_input = 1;
  r.cvbs_brightness = 128;
  r.cvbs_contrast = 120;
  r.cvbs_saturation = 110;
  r.video_bitrate = 3500;
  r.audio_input = 1;
  r.analog_left_volume = 3;
  r.analog_right_volume = 4;
  r.analog_bitrate = 192;
  r.sdi_volume = 2;
  r.sdi_exist_group = 5;
  r.Audio_Delay = -30;
  r.mux_bitrate = 4000;
  r.program_no = 1;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 259;
  // GB2312 with an escaped character, as a real service name may be.
  kestrine::config::StoreText(r.prg_name, "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4 & News");
  kestrine::config::StoreText(r.prg_provider_name, "\xD0\xC2\xCE\xC5\xC6\xB5\xB5\xC0");
  return r;
}

void BM_BuildConfigurationDocument(benchmark::State& state) {
  EncoderConfiguration record = FullRecord();
  for (auto _ : state) {
    std::string document = kestrine::config::BuildConfigurationDocument(record);
    benchmark::DoNotOptimize(document);
  }
}
BENCHMARK(BM_BuildConfigurationDocument)->Unit(benchmark::kMicrosecond);

void BM_LoadConfigurationDocument(benchmark::State& state) {
  EncoderConfiguration source = FullRecord();
  const std::string document = kestrine::config::BuildConfigurationDocument(source);
  // An encoder sends CRLF line ends, which the reader normalises on its copy.
  std::string received;
  for (const char c : document) {
    if (c == '\n') received += '\r';
    received += c;
  }
  EncoderConfiguration record;
  for (auto _ : state) {
    const int accepted = kestrine::config::LoadConfigurationDocument(received, record);
    benchmark::DoNotOptimize(accepted);
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(received.size()));
}
BENCHMARK(BM_LoadConfigurationDocument)->Unit(benchmark::kMicrosecond)->UseRealTime();

constexpr std::size_t kLargestDocument = 9999;
constexpr std::string_view kRootOpen = "<tavrix>";
constexpr std::string_view kRootClose = "</tavrix>";

std::string DeepestClosedDocument() {
  const std::size_t levels = (kLargestDocument - kRootOpen.size() - kRootClose.size()) / 7;
  std::string document(kRootOpen);
  for (std::size_t i = 0; i < levels; ++i) document += "<a>";
  for (std::size_t i = 0; i < levels; ++i) document += "</a>";
  return document + std::string(kRootClose);
}

std::string DeepestOpenDocument() {
  std::string document(kRootOpen);
  while (document.size() + 3 <= kLargestDocument) document += "<a>";
  return document;
}

std::string AttributeHeavyDocument() {
  std::string document = "<tavrix";
  for (std::size_t i = 0;; ++i) {
    const std::string attribute = " a" + std::to_string(i) + "=''";
    if (document.size() + attribute.size() + 2 > kLargestDocument) break;
    document += attribute;
  }
  return document + "/>";
}

void LoadRepeatedly(benchmark::State& state, const std::string& document) {
  EncoderConfiguration record;
  for (auto _ : state) {
    const int accepted = kestrine::config::LoadConfigurationDocument(document, record);
    benchmark::DoNotOptimize(accepted);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(document.size()));
}

void BM_LoadDeepestClosedDocument(benchmark::State& state) { LoadRepeatedly(state, DeepestClosedDocument()); }
BENCHMARK(BM_LoadDeepestClosedDocument)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LoadDeepestOpenDocument(benchmark::State& state) { LoadRepeatedly(state, DeepestOpenDocument()); }
BENCHMARK(BM_LoadDeepestOpenDocument)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LoadAttributeHeavyDocument(benchmark::State& state) { LoadRepeatedly(state, AttributeHeavyDocument()); }
BENCHMARK(BM_LoadAttributeHeavyDocument)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
