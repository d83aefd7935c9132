#include "cli/Kestrinectl.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/SetCommand.h"
#include "net/Discovery.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace kestrine::cli {
namespace {

// Milliseconds given on the command line, into a timing.
struct MillisecondOptions {
  long long exchangeDelay = 3000;
  long long receiveTimeout = 500;
  long long connectTimeout = 5000;

  void ApplyTo(net::Timings& timings) const {
    timings.exchangeDelay = std::chrono::milliseconds(exchangeDelay);
    timings.receiveTimeout = std::chrono::milliseconds(receiveTimeout);
    timings.connectTimeout = std::chrono::milliseconds(connectTimeout);
  }
};

std::uint32_t DiscoveryBroadcast(const std::optional<std::string>& given) {
  if (given) return platform::NetworkToHost32(ParseTarget(*given).address);
  const std::optional<std::uint32_t> proposed = net::ProposedBroadcastAddress();
  if (!proposed) throw UsageError("this host's name does not resolve, so no broadcast address can be proposed; give one");
  return *proposed;
}

}  // namespace

int RunKestrinectl(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Runs Kestrine encoders from a shell: discovery, messages, configuration, streaming.", "kestrinectl"};
  app.fallthrough();  // global options may stand after the command too
  app.require_subcommand(1);

  GlobalOptions options;
  MillisecondOptions timings;
  app.add_option("--port", options.network.controlPort, "TCP control port of the encoders")
      ->default_val(9999)->check(CLI::Range(1, 65535));
  app.add_option("--discovery-port", options.network.discoveryPort, "UDP port the search request goes to")
      ->default_val(8888)->check(CLI::Range(1, 65535));
  app.add_option("--exchange-delay", timings.exchangeDelay, "pause between a request and the first receive of its reply (ms)")
      ->default_val(3000)->check(CLI::Range(0LL, 3600000LL));
  app.add_option("--receive-timeout", timings.receiveTimeout, "per-receive timeout (ms)")
      ->default_val(500)->check(CLI::Range(1LL, 3600000LL));
  app.add_option("--connect-timeout", timings.connectTimeout, "longest wait for a TCP connect (ms)")
      ->default_val(5000)->check(CLI::Range(1LL, 3600000LL));
  app.add_option("--jobs", options.jobs, "encoders worked on at once")->default_val(64)->check(CLI::Range(1, 100000));

  std::optional<std::string> broadcast;
  long long window = 5000;
  CLI::App* discover = app.add_subcommand("discover", "find encoders by UDP broadcast and print their addresses");
  discover->add_option("BROADCAST", broadcast, "broadcast address (default: this host's address with 255 as last byte)");
  discover->add_option("--window", window, "how long replies are collected (ms)")->default_val(5000)
      ->check(CLI::Range(0LL, 3600000LL));

  std::vector<std::string> addresses;
  CLI::App* messages = app.add_subcommand("messages", "print each encoder's message ring, oldest first");
  messages->add_option("ADDR", addresses, "encoder addresses")->required();

  std::string address;
  std::optional<std::string> outputFile;
  CLI::App* read = app.add_subcommand("read", "fetch an encoder's configuration document exactly as it sends it");
  read->add_option("ADDR", address, "encoder address")->required();
  read->add_option("-o,--output", outputFile, "file to write (default: stdout)");

  bool json = false;
  CLI::App* show = app.add_subcommand("show", "print an encoder's configuration record, one field=value per line");
  show->add_option("ADDR", address, "encoder address")->required();
  show->add_flag("--json", json, "one JSON object instead");

  SetArguments setArguments;
  CLI::App* set = app.add_subcommand("set", "change settings, checked as the configuration page checks them, and write");
  set->add_option("ARGS", setArguments.words, "ADDR... then FIELD=VALUE...")->required();
  set->add_option("--password", setArguments.password, "the encoder's current password")->required();
  set->add_option("--new-password", setArguments.newPassword, "the password the encoder takes (default: --password)");

  CLI::App* start = app.add_subcommand("start", "tell encoders to start sending their stream (TS -> IP)");
  start->add_option("ADDR", addresses, "encoder addresses")->required();
  CLI::App* stop = app.add_subcommand("stop", "tell encoders to stop sending their stream (TS -> IP)");
  stop->add_option("ADDR", addresses, "encoder addresses")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e, out, err);
    err << "kestrinectl: " << e.what() << "\n" << "Run with --help for more information.\n";
    return kExitUsage;
  }

  timings.ApplyTo(options.network.timings);
  options.network.timings.discoveryWindow = std::chrono::milliseconds(window);
  const Streams streams{out, err};
  if (!platform::StartSocketLayer()) {
    err << " Init sock failed ! \n";
    return kExitFailed;
  }
  try {
    if (discover->parsed()) return RunDiscover(options, DiscoveryBroadcast(broadcast), streams);
    if (messages->parsed()) return RunMessages(options, ParseTargets(addresses), streams);
    if (read->parsed()) return RunRead(options, ParseTarget(address), outputFile, streams);
    if (show->parsed()) return RunShow(options, ParseTarget(address), json, streams);
    if (set->parsed()) return RunSet(options, setArguments, streams);
    if (start->parsed()) return RunStreamCommand(options, ParseTargets(addresses), true, streams);
    if (stop->parsed()) return RunStreamCommand(options, ParseTargets(addresses), false, streams);
  } catch (const UsageError& e) {
    err << "kestrinectl: " << e.what() << '\n';
    return kExitUsage;
  }
  return kExitUsage;
}

}  // namespace kestrine::cli
