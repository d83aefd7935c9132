#include "exporter/EncoderProber.h"

#include "config/ConfigurationDocument.h"
#include "exporter/Baseline.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeFeedback.h"
#include "exporter/StreamModule.h"
#include "net/DeviceOperations.h"
#include "platform/Wait.h"

namespace kestrine::exporter {
namespace {

using std::chrono::milliseconds;

constexpr const char* kConfigStage = "config";
constexpr const char* kStreamStage = "stream";

// Kept back from the stream window for the answer to be built and sent.
constexpr milliseconds kAnswerReserve{100};
// A window shorter than this cannot show a stream's tables or measure its rate.
constexpr milliseconds kShortestStreamWindow{500};

// The operations say why a read failed; the fallback is the desktop's own message.
std::string FailureReason(const ProbeFeedback& feedback) {
  return feedback.FirstMessage().empty() ? std::string(net::kReadConfigurationFailed) : feedback.FirstMessage();
}

}  // namespace

EncoderProber::EncoderProber(ProberSettings settings) : settings_(std::move(settings)) {}

ProbeReport EncoderProber::Probe(const ProbeTarget& target, ProbeModule module, milliseconds budget,
                                 const std::function<bool()>& stopping) const {
  const auto started = std::chrono::steady_clock::now();
  const platform::Deadline deadline(budget);
  ProbeReport report;
  report.module = module;
  ReadConfiguration(target, budget, report);
  if (report.up && settings_.baselines) {
    report.drift = BaselineFolder(*settings_.baselines).Compare(target.address, *report.record, report.failures);
  }
  if (report.up && module == ProbeModule::Stream) ReceiveStream(deadline.Remaining(), stopping, report);
  report.duration = std::chrono::steady_clock::now() - started;
  return report;
}

void EncoderProber::ReadConfiguration(const ProbeTarget& target, milliseconds budget, ProbeReport& report) const {
  net::NetworkSettings network;
  network.controlPort = target.port;
  network.timings = FitTimings(settings_.timings, budget);
  ProbeFeedback feedback;
  net::DeviceOperations operations(network, feedback);
  const net::ConfigurationFetch fetch = operations.FetchConfigurationDocument(target.address);
  if (fetch.failure != net::ReadFailure::None) {
    report.failures.push_back({kConfigStage, FailureReason(feedback)});
    return;
  }
  config::EncoderConfiguration record;
  record.ipAddr = target.address;
  if (config::LoadConfigurationDocument(fetch.document, record) == 0) {
    report.failures.push_back({kConfigStage, std::string(net::kDocumentRefused)});
    return;
  }
  record.configurationRead = 1;
  report.record = record;
  report.up = true;
}

void EncoderProber::ReceiveStream(milliseconds timeLeft, const std::function<bool()>& stopping,
                                  ProbeReport& report) const {
  const milliseconds window = std::min(settings_.streamWindow, timeLeft - kAnswerReserve);
  if (window < kShortestStreamWindow) {
    report.failures.push_back({kStreamStage, "no time left to receive the stream within the scrape timeout"});
    return;
  }
  report.stream = ProbeStream(*report.record, {window, settings_.streamInterface, stopping}, report.failures);
}

}  // namespace kestrine::exporter
