#include "exporter/ExporterServer.h"

#include <civetweb.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <thread>

#include "exporter/ProbeExposition.h"
#include "exporter/ProbeReport.h"
#include "exporter/ProbeRequest.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"
#include "platform/StackThread.h"

namespace kestrine::exporter {
namespace {

constexpr const char* kExposition = "text/plain; version=0.0.4; charset=utf-8";
constexpr const char* kPlainText = "text/plain; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kScrapeTimeoutHeader = "X-Prometheus-Scrape-Timeout-Seconds";

// The web server's workers have small stacks (100 KiB in Debian's build), and a probe
// parses a document and analyses a stream: it runs on a thread of its own with room to
// spare while the worker waits.
constexpr std::size_t kProbeStackBytes = 1024 * 1024;
// Workers beyond the probes' own, for /metrics, the landing page and refusals.
constexpr std::size_t kLightWorkers = 4;
constexpr std::chrono::milliseconds kKnockInterval{20};
// The longest query value taken: an address with its port fits many times over.
constexpr std::size_t kQueryValueLimit = 64;

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Error";
  }
}

// One value of the query, decoded; nothing when absent (or too long, `tooLong`).
std::optional<std::string> QueryValue(const mg_request_info& request, const char* name, bool& tooLong) {
  if (request.query_string == nullptr) return std::nullopt;
  std::array<char, kQueryValueLimit + 1> value{};
  const int length =
      mg_get_var(request.query_string, std::strlen(request.query_string), name, value.data(), value.size());
  if (length == -2) tooLong = true;
  if (length < 0) return std::nullopt;
  return std::string(value.data(), static_cast<std::size_t>(length));
}

std::string AllowedText(const AllowList& allow) {
  std::string text;
  for (const AddressRange& range : allow.Ranges()) text += (text.empty() ? "" : ", ") + range.Text();
  return text.empty() ? "nothing" : text;
}

std::string ListeningPorts(const ExporterSettings& settings) {
  return settings.listenAddress + ":" + std::to_string(settings.listenPort);
}

int LogMessage(const mg_connection* /*connection*/, const char* message) {
  std::fprintf(stderr, "kestrine-exporter: %s\n", message);
  return 1;
}

}  // namespace

struct ExporterServer::Answer {
  int status = 200;
  const char* contentType = kPlainText;
  std::string body;
};

ExporterServer::ExporterServer(ExporterSettings settings) : settings_(std::move(settings)), prober_(settings_.prober) {}

ExporterServer::~ExporterServer() { Stop(); }

bool ExporterServer::Start(std::string& error) {
  if (context_ != nullptr) return true;
  stopping_ = false;
  mg_init_library(0);
  const std::string ports = ListeningPorts(settings_);
  const std::string workers = std::to_string(settings_.maxConcurrent + kLightWorkers);
  // No document_root: nothing from the file system is ever served.
  std::array<const char*, 9> options{
      "listening_ports", ports.c_str(),       "num_threads", workers.c_str(), "connection_queue",
      workers.c_str(),   "enable_keep_alive", "no",          nullptr};
  mg_callbacks callbacks{};
  callbacks.log_message = LogMessage;
  context_ = mg_start(&callbacks, this, options.data());
  if (context_ == nullptr) {
    error = "cannot listen on " + ports;
    mg_exit_library();
    return false;
  }
  mg_set_request_handler(context_, "/", &ExporterServer::HandleRequest, this);
  std::array<mg_server_port, 4> bound{};
  const int count = mg_get_server_ports(context_, static_cast<int>(bound.size()), bound.data());
  port_ = count > 0 ? static_cast<std::uint16_t>(bound[0].port) : settings_.listenPort;
  return true;
}

void ExporterServer::Stop() {
  if (context_ == nullptr) return;
  stopping_ = true;
  // civetweb's listener looks at its stop flag between polls of 2 s; a connection
  // ends the poll at once, so knocking until it has stopped saves those seconds.
  std::atomic<bool> stopped{false};
  std::thread knocker;
  std::uint32_t address = 0;
  if (platform::ParseDottedQuad(settings_.listenAddress, address)) {
    if (address == 0) address = platform::HostToNetwork32(platform::kLoopbackHostOrder);
    knocker = std::thread([&stopped, address, port = port_] {
      while (!stopped) {
        platform::Socket knock = platform::Socket::CreateStream();
        knock.Connect(address, port, kKnockInterval, {});
        std::this_thread::sleep_for(kKnockInterval);
      }
    });
  }
  mg_stop(context_);
  stopped = true;
  if (knocker.joinable()) knocker.join();
  context_ = nullptr;
  mg_exit_library();
}

int ExporterServer::HandleRequest(mg_connection* connection, void* server) {
  Answer answer;
  try {
    answer = static_cast<ExporterServer*>(server)->Route(connection);
  } catch (const std::exception& problem) {  // nothing may unwind into the C server
    answer = {500, kPlainText, std::string("the exporter failed: ") + problem.what() + "\n"};
  }
  mg_printf(connection,
            "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nCache-Control: no-store\r\n"
            "Connection: close\r\n\r\n",
            answer.status, ReasonPhrase(answer.status), answer.contentType, answer.body.size());
  const mg_request_info* request = mg_get_request_info(connection);
  if (std::strcmp(request->request_method, "HEAD") != 0) mg_write(connection, answer.body.data(), answer.body.size());
  return answer.status;
}

ExporterServer::Answer ExporterServer::Route(mg_connection* connection) {
  const mg_request_info* request = mg_get_request_info(connection);
  const std::string_view method = request->request_method;
  if (method != "GET" && method != "HEAD") return {405, kPlainText, "only GET and HEAD are answered\n"};
  const std::string_view path = request->local_uri != nullptr ? request->local_uri : "";
  if (path == "/probe") return Probe(connection);
  if (path == "/metrics") return {200, kExposition, metrics_.Text()};
  if (path == "/") return LandingPage();
  return {404, kPlainText, "not found: try /, /metrics or /probe?target=ADDR\n"};
}

ExporterServer::Answer ExporterServer::Probe(mg_connection* connection) {
  const mg_request_info& request = *mg_get_request_info(connection);
  bool tooLong = false;
  const std::optional<std::string> targetText = QueryValue(request, "target", tooLong);
  const std::optional<std::string> moduleText = QueryValue(request, "module", tooLong);
  if (tooLong) return Reject(Rejection::BadRequest, 400, "a query value is too long\n");
  if (!targetText) return Reject(Rejection::BadRequest, 400, "give the encoder: /probe?target=ADDR\n");
  const std::optional<ProbeTarget> target = ParseTarget(*targetText, settings_.encoderPort);
  if (!target) {
    return Reject(Rejection::BadRequest, 400, "target: give an IPv4 address, a.b.c.d or a.b.c.d:port\n");
  }
  const std::optional<ProbeModule> module = moduleText ? ParseModule(*moduleText) : ProbeModule::Config;
  if (!module) return Reject(Rejection::BadRequest, 400, "module: give config or stream\n");
  if (!settings_.allow.Allows(target->address)) {
    return Reject(
        Rejection::Forbidden, 403,
        target->AddressText() + " is outside the allowed networks (--allow " + AllowedText(settings_.allow) + ")\n");
  }
  if (!TakeProbeSlot()) {
    return Reject(Rejection::Busy, 503,
                  "already " + std::to_string(settings_.maxConcurrent) + " probes running (--max-concurrent)\n");
  }
  struct SlotRelease {
    std::atomic<std::size_t>& running;
    ~SlotRelease() { --running; }
  } release{probesRunning_};
  const char* header = mg_get_header(connection, kScrapeTimeoutHeader);
  const std::chrono::milliseconds budget = ProbeBudget(header != nullptr ? header : "", settings_.budget);
  metrics_.ProbeStarted();
  ProbeReport report;
  platform::RunOnStack(kProbeStackBytes,
                       [&] { report = prober_.Probe(*target, *module, budget, [this] { return stopping_.load(); }); });
  metrics_.ProbeFinished(*module, report.up, report.duration);
  return {200, kExposition, ExposeProbe(report)};
}

ExporterServer::Answer ExporterServer::LandingPage() const {
  std::string page =
      "<!DOCTYPE html>\n<html><head><title>Kestrine exporter</title></head><body>\n"
      "<h1>Kestrine exporter</h1>\n"
      "<p>Probes Kestrine encoders for Prometheus, one encoder per scrape.</p>\n<ul>\n"
      "<li><a href=\"/metrics\">/metrics</a>: the exporter's own metrics</li>\n"
      "<li>/probe?target=ADDR: reachability, configuration and drift of the encoder at ADDR</li>\n"
      "<li>/probe?target=ADDR&amp;module=stream: the same, and the stream its configuration describes</li>\n"
      "</ul>\n<form action=\"/probe\">Target <input name=\"target\" value=\"127.0.0.1\"> "
      "<select name=\"module\"><option>config</option><option>stream</option></select> "
      "<input type=\"submit\" value=\"Probe\"></form>\n<p>Allowed targets: ";
  page += AllowedText(settings_.allow);
  page += "</p>\n</body></html>\n";
  return {200, kHtml, std::move(page)};
}

ExporterServer::Answer ExporterServer::Reject(Rejection reason, int status, std::string text) {
  metrics_.Rejected(reason);
  return {status, kPlainText, std::move(text)};
}

bool ExporterServer::TakeProbeSlot() {
  std::size_t running = probesRunning_.load();
  do {
    if (running >= settings_.maxConcurrent) return false;
  } while (!probesRunning_.compare_exchange_weak(running, running + 1));
  return true;
}

}  // namespace kestrine::exporter
