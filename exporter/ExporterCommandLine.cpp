#include "exporter/ExporterCommandLine.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

constexpr const char* kProgram = "kestrine-exporter";
constexpr long long kLongestWaitMs = 3600000;

struct UsageError {
  std::string message;
};

// Waits in whole milliseconds, as on kestrinectl's command line.
struct Milliseconds {
  const char* option;
  std::chrono::milliseconds* value;
  long long minimum;
  const char* help;
  bool encoder;  // one of the encoders' timings, grouped with kestrinectl's
};

struct RawOptions {
  std::string listen;
  std::vector<std::string> allow;
  std::string baseline;
  std::vector<long long> waits;
};

std::vector<Milliseconds> WaitOptions(ExporterSettings& s) {
  net::Timings& t = s.prober.timings;
  return {
      {"--timeout", &s.budget.limit, 1,
       "longest a probe may take (ms); Prometheus' scrape timeout, less --timeout-offset, cuts it shorter", false},
      {"--timeout-offset", &s.budget.margin, 0, "kept back from Prometheus' scrape timeout for the answer (ms)", false},
      {"--stream-duration", &s.prober.streamWindow, 1, "longest the stream is received by module stream (ms)", false},
      {"--exchange-delay", &t.exchangeDelay, 0, "pause between a request and the first receive of its reply (ms)",
       true},
      {"--receive-timeout", &t.receiveTimeout, 1, "per-receive timeout (ms)", true},
      {"--connect-timeout", &t.connectTimeout, 1, "longest wait for a TCP connect (ms)", true},
      {"--reply-limit", &t.replyLimit, 1, "longest wait for the whole of one reply (ms)", true},
  };
}

// "a.b.c.d:port": a port alone would listen everywhere, which must be said outright. Debian's civetweb
// is built without IPv6, so an IPv6 address is refused here rather than by the server at start.
void ApplyListen(const std::string& text, ExporterSettings& settings) {
  const std::size_t colon = text.rfind(':');
  const auto refuse = [&] {
    return UsageError{"--listen: \"" + text + "\" is not ADDR:PORT (e.g. 127.0.0.1:" +
                      std::to_string(kDefaultListenPort) + ", 0.0.0.0:" + std::to_string(kDefaultListenPort) +
                      " for every interface; IPv4 only)"};
  };
  if (colon == std::string::npos) throw refuse();
  const std::string host = text.substr(0, colon);
  const std::string digits = text.substr(colon + 1);
  unsigned port = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port > 65535) throw refuse();
  std::uint32_t address = 0;
  if (!platform::ParseDottedQuad(host, address)) throw refuse();
  settings.listenAddress = host;
  settings.listenPort = static_cast<std::uint16_t>(port);
}

void ApplyAllow(const std::vector<std::string>& texts, ExporterSettings& settings) {
  std::vector<AddressRange> ranges;
  for (const std::string& text : texts) {
    const std::optional<AddressRange> range = AddressRange::Parse(text);
    if (!range) throw UsageError{"--allow: \"" + text + "\" is not a network a.b.c.d/len (host bits zero)"};
    ranges.push_back(*range);
  }
  settings.allow = AllowList(std::move(ranges));
}

void AddOptions(CLI::App& app, RawOptions& raw, ExporterSettings& s) {
  app.add_option("--listen", raw.listen, "address and port to answer scrapes on, ADDR:PORT")
      ->default_str("127.0.0.1:" + std::to_string(kDefaultListenPort));
  app.add_option("--allow", raw.allow,
                 "networks whose encoders may be probed, a.b.c.d/len ...; a target outside gets 403")
      ->default_str("127.0.0.0/8")
      ->expected(1, -1);
  app.add_option("--max-concurrent", s.maxConcurrent, "probes at once; a scrape beyond them gets 503")
      ->default_val(s.maxConcurrent)
      ->check(CLI::Range(std::size_t{1}, std::size_t{4096}));
  app.add_option("--baseline", raw.baseline,
                 "folder of saved configurations, DIR/ADDR.xml (kestrinectl read ADDR -o DIR/ADDR.xml), for drift")
      ->type_name("DIR");
  app.add_option("--interface", s.prober.streamInterface,
                 "network interface (a name or an address) module stream joins multicast groups on; "
                 "default: the one the routing table picks")
      ->type_name("IF");
  const char* encoders = "Encoders (as kestrinectl's)";
  app.add_option("--port", s.encoderPort, "TCP control port of encoders whose target names none")
      ->default_val(s.encoderPort)
      ->check(CLI::Range(1, 65535))
      ->group(encoders);
  const std::vector<Milliseconds> waits = WaitOptions(s);
  raw.waits.resize(waits.size());
  for (std::size_t i = 0; i < waits.size(); ++i) {
    raw.waits[i] = waits[i].value->count();
    CLI::Option* option = app.add_option(waits[i].option, raw.waits[i], waits[i].help)
                              ->default_val(raw.waits[i])
                              ->check(CLI::Range(waits[i].minimum, kLongestWaitMs));
    if (waits[i].encoder) option->group(encoders);
  }
}

void ApplyOptions(const CLI::App& app, const RawOptions& raw, ExporterSettings& settings) {
  const std::vector<Milliseconds> waits = WaitOptions(settings);
  for (std::size_t i = 0; i < waits.size(); ++i) *waits[i].value = std::chrono::milliseconds(raw.waits[i]);
  if (app.count("--listen") != 0) ApplyListen(raw.listen, settings);
  if (app.count("--allow") != 0) ApplyAllow(raw.allow, settings);
  if (!raw.baseline.empty()) {
    std::error_code error;
    if (!std::filesystem::is_directory(raw.baseline, error)) {
      throw UsageError{"--baseline: " + raw.baseline + " is not a folder"};
    }
    settings.prober.baselines = raw.baseline;
  }
}

}  // namespace

std::optional<int> ParseExporterCommandLine(int argc, const char* const* argv, ExporterSettings& settings,
                                            std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Prometheus exporter for Kestrine encoders: /probe?target=ADDR[&module=config|stream] probes one "
      "encoder per scrape, /metrics holds the exporter's own metrics. Runs until interrupted.",
      kProgram};
  RawOptions raw;
  AddOptions(app, raw, settings);
  try {
    app.parse(argc, argv);
    ApplyOptions(app, raw, settings);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    err << kProgram << ": " << e.what() << "\nRun with --help for the options.\n";
    return 2;
  } catch (const UsageError& e) {
    err << kProgram << ": " << e.message << "\nRun with --help for the options.\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace kestrine::exporter
