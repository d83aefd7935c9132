#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exporter/EncoderProber.h"
#include "exporter/ExporterMetrics.h"
#include "exporter/ExporterSettings.h"

struct mg_connection;
struct mg_context;

namespace kestrine::exporter {

// The HTTP side: "/" a landing page, "/metrics" the exporter's own metrics,
// "/probe?target=ADDR[&module=config|stream]" one probe per scrape. Each request
// has a worker of its own, so a slow encoder holds up nobody else's scrape;
// probes beyond --max-concurrent are refused at once (503), which keeps a few
// workers free for /metrics and for the refusals themselves.
class ExporterServer final {
 public:
  explicit ExporterServer(ExporterSettings settings);
  ~ExporterServer();  // stops
  ExporterServer(const ExporterServer&) = delete;
  ExporterServer& operator=(const ExporterServer&) = delete;

  // Binds and starts serving; on failure `error` says why.
  bool Start(std::string& error);
  // Waits for the requests being answered, then closes everything.
  void Stop();

  // The port listened on, after a successful Start.
  [[nodiscard]] std::uint16_t Port() const { return port_; }
  [[nodiscard]] const ExporterSettings& Settings() const { return settings_; }

 private:
  struct Answer;

  static int HandleRequest(mg_connection* connection, void* server);
  [[nodiscard]] Answer Route(mg_connection* connection);
  [[nodiscard]] Answer Probe(mg_connection* connection);
  [[nodiscard]] Answer LandingPage() const;
  [[nodiscard]] Answer Reject(Rejection reason, int status, std::string text);
  [[nodiscard]] bool TakeProbeSlot();

  ExporterSettings settings_;
  EncoderProber prober_;
  ExporterMetrics metrics_;
  std::atomic<std::size_t> probesRunning_{0};
  std::atomic<bool> stopping_{false};  // streams being received end early
  mg_context* context_ = nullptr;
  std::uint16_t port_ = 0;
};

}  // namespace kestrine::exporter
