#include "exporter/ExporterMetrics.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <sstream>
#include <string_view>

namespace kestrine::exporter {
namespace {

constexpr std::array<std::string_view, kRejectionCount> kRejectionNames{"bad_request", "forbidden", "busy"};
constexpr std::array<ProbeModule, 2> kModules{ProbeModule::Config, ProbeModule::Stream};

// Around the default exchange delay of 3 s, where most probes end, and up to a long scrape timeout.
const prometheus::Histogram::BucketBoundaries kDurationBuckets{0.05, 0.1, 0.25, 0.5, 1,   2,  3,
                                                               3.25, 3.5, 4,    5,   7.5, 10, 30};

std::size_t IndexOf(ProbeModule module) { return module == ProbeModule::Config ? 0 : 1; }

}  // namespace

ExporterMetrics::ExporterMetrics() : registry_(std::make_unique<prometheus::Registry>()) {
  auto& probes = prometheus::BuildCounter()
                     .Name("kestrine_exporter_probes_total")
                     .Help("Probes run, by module and by whether the encoder was up")
                     .Register(*registry_);
  auto& durations = prometheus::BuildHistogram()
                        .Name("kestrine_exporter_probe_duration_seconds")
                        .Help("How long probes took, by module")
                        .Register(*registry_);
  for (const ProbeModule module : kModules) {
    const std::string name(ModuleName(module));
    ModuleSeries& series = modules_[IndexOf(module)];
    series.succeeded = &probes.Add({{"module", name}, {"result", "up"}});
    series.failed = &probes.Add({{"module", name}, {"result", "down"}});
    series.duration = &durations.Add({{"module", name}}, kDurationBuckets);
  }
  auto& rejections = prometheus::BuildCounter()
                         .Name("kestrine_exporter_rejected_scrapes_total")
                         .Help("Scrapes of /probe answered without a probe, by reason")
                         .Register(*registry_);
  for (std::size_t i = 0; i < kRejectionCount; ++i) {
    rejections_[i] = &rejections.Add({{"reason", std::string(kRejectionNames[i])}});
  }
  inFlight_ = &prometheus::BuildGauge()
                   .Name("kestrine_exporter_probes_in_flight")
                   .Help("Probes running now")
                   .Register(*registry_)
                   .Add({});
}

ExporterMetrics::~ExporterMetrics() = default;

void ExporterMetrics::ProbeStarted() { inFlight_->Increment(); }

void ExporterMetrics::ProbeFinished(ProbeModule module, bool up, std::chrono::duration<double> duration) {
  inFlight_->Decrement();
  ModuleSeries& series = modules_[IndexOf(module)];
  (up ? series.succeeded : series.failed)->Increment();
  series.duration->Observe(duration.count());
}

void ExporterMetrics::Rejected(Rejection reason) { rejections_[static_cast<std::size_t>(reason)]->Increment(); }

std::string ExporterMetrics::Text() const {
  std::ostringstream text;
  prometheus::TextSerializer().Serialize(text, registry_->Collect());
  return text.str();
}

}  // namespace kestrine::exporter
