// Building and parsing one full configuration document.
// Run by hand: build/bench/config/config_bench
#include <benchmark/benchmark.h>

#include <string>

#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "tests/support/SampleRecords.h"

namespace {

using kestrine::config::EncoderConfiguration;
// Every field set, with GB2312 texts and an escaped character, as a real encoder's may be.
using kestrine::samples::EncoderDocumentRecord;

void BM_BuildConfigurationDocument(benchmark::State& state) {
  EncoderConfiguration record = EncoderDocumentRecord();
  for (auto _ : state) {
    std::string document = kestrine::config::BuildConfigurationDocument(record);
    benchmark::DoNotOptimize(document);
  }
}
BENCHMARK(BM_BuildConfigurationDocument)->Unit(benchmark::kMicrosecond);

void BM_LoadConfigurationDocument(benchmark::State& state) {
  EncoderConfiguration source = EncoderDocumentRecord();
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
BENCHMARK(BM_LoadConfigurationDocument)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
