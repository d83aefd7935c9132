#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include <QObject>

#include "config/FleetAudit.h"
#include "net/Timings.h"

namespace kestrine::app {

// "Audit Encoders" off the interface thread: every encoder's configuration read at once (command 1004
// only, as `kestrinectl audit` reads it) on the fleet engine's workers, then judged as a fleet. The
// interface thread hears of each encoder done and of the end through queued signals, so the window
// keeps turning meanwhile. The reads fill records of the audit's own: no node's record is touched.
class FleetAuditRun final : public QObject {
  Q_OBJECT

 public:
  // `addresses` in network order, as the encoders are reached.
  FleetAuditRun(const net::NetworkSettings& settings, std::vector<std::uint32_t> addresses, QObject* parent = nullptr);
  // Cancels what still runs and waits for it: no thread of the audit outlives it.
  ~FleetAuditRun() override;
  FleetAuditRun(const FleetAuditRun&) = delete;
  FleetAuditRun& operator=(const FleetAuditRun&) = delete;

  void Start();
  // No further read starts, and those under way end at their next wait slice.
  void Cancel();
  [[nodiscard]] bool IsRunning() const { return running_; }
  [[nodiscard]] bool WasCancelled() const { return cancelled_; }
  // Once finished and not cancelled: errors first, as config::AuditFleet orders them.
  [[nodiscard]] const std::vector<config::AuditFinding>& Findings() const { return findings_; }

 signals:
  void Progress(int done, int total);
  void Finished();

 private:
  void RunFleet();
  void ReadOne(std::size_t index);
  void OnEncoderDone();
  void OnFleetDone();

  net::NetworkSettings settings_;
  std::vector<std::uint32_t> addresses_;
  std::vector<config::AuditedEncoder> audited_;  // each worker writes its own entry only
  std::vector<config::AuditFinding> findings_;   // written by the fleet's thread before it reports the end
  std::atomic<bool> cancelled_{false};
  bool running_ = false;
  int done_ = 0;
  std::thread fleet_;  // runs the engine, which blocks until every read has ended
};

}  // namespace kestrine::app
