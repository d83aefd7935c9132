#include "app/FleetAuditRun.h"

#include <string>

#include <QMetaObject>

#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "net/DeviceOperations.h"
#include "net/FleetRunner.h"
#include "net/OperatorFeedback.h"
#include "platform/OpenFileLimit.h"

namespace kestrine::app {
namespace {

constexpr std::string_view kUnreadable = "Configuration could not be read";

// Thrown from a wait slice once the audit is cancelled; it unwinds the read, closing its connection.
struct ReadCancelled {};

// What one read says, kept as the encoder's failure; a cancelled audit ends the read at its next slice.
class AuditFeedback final : public net::UnattendedFeedback {
 public:
  explicit AuditFeedback(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}

  void ShowMessage(net::MessageStyle /*style*/, net::MessageOwner /*owner*/, std::string_view text) override {
    Note(text);
  }
  void ExplainFailure(std::string_view detail) override { Note(detail); }
  void KeepAlive() override {
    if (cancelled_) throw ReadCancelled{};
  }

  [[nodiscard]] const std::string& Said() const { return said_; }

 private:
  void Note(std::string_view text) {
    if (!said_.empty()) said_ += "; ";
    said_ += text;
  }

  const std::atomic<bool>& cancelled_;
  std::string said_;
};

}  // namespace

FleetAuditRun::FleetAuditRun(const net::NetworkSettings& settings, std::vector<std::uint32_t> addresses,
                             QObject* parent)
    : QObject(parent), settings_(settings), addresses_(std::move(addresses)), audited_(addresses_.size()) {}

FleetAuditRun::~FleetAuditRun() {
  cancelled_ = true;
  if (fleet_.joinable()) fleet_.join();
}

void FleetAuditRun::Start() {
  if (running_ || fleet_.joinable()) return;
  running_ = true;
  fleet_ = std::thread([this] { RunFleet(); });
}

void FleetAuditRun::Cancel() { cancelled_ = true; }

void FleetAuditRun::RunFleet() {
  const net::FleetConcurrency concurrency =
      net::ChooseConcurrency(std::nullopt, addresses_.size(), platform::RaiseOpenFileLimit());
  net::FleetRunner(concurrency.jobs).Run(addresses_.size(), [this](std::size_t index) { ReadOne(index); });
  if (!cancelled_) findings_ = config::AuditFleet(audited_);
  QMetaObject::invokeMethod(this, &FleetAuditRun::OnFleetDone, Qt::QueuedConnection);
}

void FleetAuditRun::ReadOne(std::size_t index) {
  config::AuditedEncoder& encoder = audited_[index];
  encoder.reachedAt = addresses_[index];
  if (!cancelled_) {
    AuditFeedback feedback(cancelled_);
    config::EncoderConfiguration record{};
    record.ipAddr = addresses_[index];
    config::PageFlags flags;
    try {
      if (net::DeviceOperations(settings_, feedback).ReadConfigurationDocument(record, flags).result ==
          net::OperationResult::Success) {
        encoder.record = record;
      } else {
        encoder.failure = feedback.Said().empty() ? std::string(kUnreadable) : feedback.Said();
      }
    } catch (const ReadCancelled&) {
      encoder.failure = "cancelled";
    }
  }
  QMetaObject::invokeMethod(this, &FleetAuditRun::OnEncoderDone, Qt::QueuedConnection);
}

void FleetAuditRun::OnEncoderDone() {
  ++done_;
  emit Progress(done_, static_cast<int>(addresses_.size()));
}

void FleetAuditRun::OnFleetDone() {
  if (fleet_.joinable()) fleet_.join();  // it has nothing left to do but end
  running_ = false;
  emit Finished();
}

}  // namespace kestrine::app
