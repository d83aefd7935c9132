#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "exporter/ProbeRequest.h"

namespace prometheus {
class Counter;
class Gauge;
class Histogram;
class Registry;
}  // namespace prometheus

namespace kestrine::exporter {

// Why a scrape of /probe got no probe.
enum class Rejection { BadRequest, Forbidden, Busy };
inline constexpr std::size_t kRejectionCount = 3;

// The exporter's own /metrics: how many probes ran and how they ended, how long
// they took, how many run now, and the scrapes turned away. Safe from any thread.
class ExporterMetrics final {
 public:
  ExporterMetrics();
  ~ExporterMetrics();
  ExporterMetrics(const ExporterMetrics&) = delete;
  ExporterMetrics& operator=(const ExporterMetrics&) = delete;

  void ProbeStarted();
  void ProbeFinished(ProbeModule module, bool up, std::chrono::duration<double> duration);
  void Rejected(Rejection reason);

  [[nodiscard]] std::string Text() const;

 private:
  struct ModuleSeries {
    prometheus::Counter* succeeded = nullptr;
    prometheus::Counter* failed = nullptr;
    prometheus::Histogram* duration = nullptr;
  };

  std::unique_ptr<prometheus::Registry> registry_;
  std::array<ModuleSeries, 2> modules_{};
  std::array<prometheus::Counter*, kRejectionCount> rejections_{};
  prometheus::Gauge* inFlight_ = nullptr;
};

}  // namespace kestrine::exporter
