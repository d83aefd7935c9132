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
BENCHMARK(BM_LoadConfigurationDocument)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

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
BENCHMARK(BM_LoadDeepestClosedDocument)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_LoadDeepestOpenDocument(benchmark::State& state) { LoadRepeatedly(state, DeepestOpenDocument()); }
BENCHMARK(BM_LoadDeepestOpenDocument)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_LoadAttributeHeavyDocument(benchmark::State& state) { LoadRepeatedly(state, AttributeHeavyDocument()); }
BENCHMARK(BM_LoadAttributeHeavyDocument)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
