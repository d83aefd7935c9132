#include "cli/Kestrinectl.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/ApplyCommand.h"
#include "cli/AuditCommand.h"
#include "cli/Commands.h"
#include "cli/PasswordSource.h"
#include "cli/ProbeCommand.h"
#include "cli/SetCommand.h"
#include "net/Discovery.h"
#include "net/Timings.h"
#include "platform/Ipv4Text.h"
#include "platform/OpenFileLimit.h"
#include "platform/Socket.h"

namespace kestrine::cli {
namespace {

// Milliseconds given on the command line, into a timing; the defaults are the protocol's.
struct MillisecondOptions {
  long long exchangeDelay = net::Timings{}.exchangeDelay.count();
  long long receiveTimeout = net::Timings{}.receiveTimeout.count();
  long long connectTimeout = net::Timings{}.connectTimeout.count();
  long long discoveryWindow = net::Timings{}.discoveryWindow.count();
  long long replyLimit = net::Timings{}.replyLimit.count();

  void ApplyTo(net::Timings& timings) const {
    timings.exchangeDelay = std::chrono::milliseconds(exchangeDelay);
    timings.receiveTimeout = std::chrono::milliseconds(receiveTimeout);
    timings.connectTimeout = std::chrono::milliseconds(connectTimeout);
    timings.discoveryWindow = std::chrono::milliseconds(discoveryWindow);
    timings.replyLimit = std::chrono::milliseconds(replyLimit);
  }
};

constexpr long long kLongestWaitMs = 3600000;

// Everything the command line can name, filled in by the parse.
struct Arguments {
  GlobalOptions options;
  MillisecondOptions timings;
  std::optional<std::string> broadcast;
  std::vector<std::string> addresses;
  std::string address;
  std::optional<std::string> outputFile;
  bool showPasswords = false;
  SetArguments set;
  ApplyArguments apply;
  ProbeArguments probe;
};

struct Subcommands {
  CLI::App* discover;
  CLI::App* messages;
  CLI::App* read;
  CLI::App* show;
  CLI::App* set;
  CLI::App* start;
  CLI::App* stop;
  CLI::App* apply;
  CLI::App* audit;
  CLI::App* probe;
};

std::uint32_t DiscoveryBroadcast(const std::optional<std::string>& given) {
  if (given) return platform::NetworkToHost32(ParseTarget(*given).address);
  const std::optional<std::uint32_t> proposed = net::ProposedBroadcastAddress();
  if (!proposed) throw UsageError("this host's name does not resolve, so no broadcast address can be proposed; give one");
  return *proposed;
}

void AddGlobalOptions(CLI::App& app, Arguments& a) {
  app.add_option("--port", a.options.network.controlPort, "TCP control port of the encoders")
      ->default_val(a.options.network.controlPort)->check(CLI::Range(1, 65535));
  app.add_option("--discovery-port", a.options.network.discoveryPort, "UDP port the search request goes to")
      ->default_val(a.options.network.discoveryPort)->check(CLI::Range(1, 65535));
  app.add_option("--exchange-delay", a.timings.exchangeDelay, "pause between a request and the first receive of its reply (ms)")
      ->default_val(a.timings.exchangeDelay)->check(CLI::Range(0LL, kLongestWaitMs));
  app.add_option("--receive-timeout", a.timings.receiveTimeout, "per-receive timeout (ms)")
      ->default_val(a.timings.receiveTimeout)->check(CLI::Range(1LL, kLongestWaitMs));
  app.add_option("--connect-timeout", a.timings.connectTimeout, "longest wait for a TCP connect (ms)")
      ->default_val(a.timings.connectTimeout)->check(CLI::Range(1LL, kLongestWaitMs));
  app.add_option("--reply-limit", a.timings.replyLimit,
                 "longest wait for the whole of one reply, however slowly it trickles in (ms)")
      ->default_val(a.timings.replyLimit)->check(CLI::Range(1LL, kLongestWaitMs));
  app.add_option("--jobs", a.options.jobs,
                 "encoders worked on at once (default: all of them, as far as the open-file limit allows)")
      ->check(CLI::Range(1, 1000000));
  app.add_flag("--json", a.options.json, "one machine-readable JSON document on stdout");
  app.add_option("--targets", a.options.targetsFile,
                 "more addresses, one per line (\"#\" starts a comment), after those on the line; an address "
                 "given more than once is worked on once")
      ->type_name("FILE");
}

// --password P, --password-file FILE, or KESTRINE_PASSWORD: the process list shows only the first.
void AddPasswordOptions(CLI::App& command, PasswordSource& source, const std::string& what) {
  command.add_option("--password", source.given, what);
  command.add_option("--password-file", source.file, "a file whose first line is " + what)->type_name("FILE");
  command.footer(
      "The current password comes from --password or --password-file (its first line, without the line "
      "end; not both), else from the environment variable " +
      std::string(kPasswordVariable) + ". Every local user sees --password in the process list.");
}

Subcommands AddCommands(CLI::App& app, Arguments& a) {
  Subcommands c{};
  c.discover = app.add_subcommand("discover", "find encoders by UDP broadcast and print their addresses");
  c.discover->add_option("BROADCAST", a.broadcast, "broadcast address (default: this host's address with 255 as last byte)");
  c.discover->add_option("--window", a.timings.discoveryWindow, "how long replies are collected (ms)")
      ->default_val(a.timings.discoveryWindow)->check(CLI::Range(0LL, kLongestWaitMs));

  c.messages = app.add_subcommand("messages", "print each encoder's message ring, oldest first");
  c.messages->add_option("ADDR", a.addresses, "encoder addresses");

  c.read = app.add_subcommand("read", "fetch an encoder's configuration document exactly as it sends it");
  c.read->add_option("ADDR", a.address, "encoder address")->required();
  c.read
      ->add_option("-o,--output", a.outputFile,
                   "file to write (default, and \"-\": stdout); a regular file is replaced whole and kept to its "
                   "owner, anything else (a FIFO, /dev/stdout) is written through")
      ->type_name("FILE");

  c.show = app.add_subcommand("show", "print an encoder's configuration record, one field=value per line");
  c.show->add_option("ADDR", a.address, "encoder address")->required();
  c.show->add_flag("--show-passwords", a.showPasswords, "print old_password and new_password instead of ********");

  c.set = app.add_subcommand("set", "change settings, checked as the configuration page checks them, and write");
  c.set->add_option("ARGS", a.set.words, "ADDR... then FIELD=VALUE...");
  AddPasswordOptions(*c.set, a.set.password, "the encoder's current password");
  c.set->add_option("--new-password", a.set.newPassword.given,
                    "the password the encoder takes (default: the current one)");
  c.set->add_option("--new-password-file", a.set.newPassword.file, "a file whose first line is the new password")
      ->type_name("FILE");

  c.start = app.add_subcommand("start", "tell encoders to start sending their stream (TS -> IP)");
  c.start->add_option("ADDR", a.addresses, "encoder addresses");
  c.stop = app.add_subcommand("stop", "tell encoders to stop sending their stream (TS -> IP)");
  c.stop->add_option("ADDR", a.addresses, "encoder addresses");

  c.apply = app.add_subcommand("apply", "put the settings of a configuration saved by read onto encoders");
  c.apply->add_option("ADDR", a.apply.addresses, "encoder addresses");
  AddPasswordOptions(*c.apply, a.apply.password, "the encoders' current password (kept)");
  c.apply->add_option("--from", a.apply.from, "a document saved by kestrinectl read (at most 9999 bytes)")
      ->required();
  c.apply->add_flag("--include-network", a.apply.includeNetwork,
                    "also copy ipAddr, ipMask, ipGate, multicast_ip and multicast_port (a replacement unit)");
  c.apply->add_flag("--dry-run", a.apply.dryRun, "print each setting that would change; send nothing");

  c.audit = app.add_subcommand("audit", "read every configuration and report conflicts and faults");
  c.audit->add_option("ADDR", a.addresses, "encoder addresses");

  c.probe = app.add_subcommand("probe", "receive each encoder's stream and check it against its configuration");
  c.probe->footer(
      "Reads each configuration (1004), receives the stream at multicast_ip:multicast_port (joining a group, or on "
      "this host's own unicast address) and judges it: program, PMT/PCR/video/audio PIDs and stream types, service "
      "and provider names, the PCR-measured bitrate against mux_bitrate, the video and audio rates, and the checks of "
      "an analyser (TR 101 290 priority 1; transport error, CRC and PCR of priority 2; RTP sequence).\n"
      "Prints per encoder \"ADDR: OK program ...\" or one line per finding, \"ADDR: KIND: configured ..., measured "
      "...\". Exit 0 when every stream is what its configuration says and clean, 1 otherwise (no packet within "
      "--duration is a failure too).");
  c.probe->add_option("ADDR", a.addresses, "encoder addresses");
  c.probe->add_option("--duration", a.probe.durationMs, "how long each stream is received (ms)")
      ->default_val(a.probe.durationMs)
      ->check(CLI::Range(100LL, kLongestWaitMs));
  c.probe
      ->add_option("--interface", a.probe.interfaceName,
                   "interface (name or address) to join multicast groups on (default: as routed)")
      ->type_name("IF");
  c.probe
      ->add_option("--bitrate-tolerance", a.probe.bitrateTolerancePercent,
                   "how far the PCR-measured rate may be off mux_bitrate (%)")
      ->default_val(a.probe.bitrateTolerancePercent)
      ->check(CLI::Range(0.0, 100.0));
  return c;
}

// The encoders of a command that takes several: at least one, from the line or --targets.
std::vector<Target> FleetTargets(const CLI::App& command, const Arguments& a, std::ostream& err) {
  std::vector<Target> targets = CollectTargets(a.options, a.addresses, err);
  if (targets.empty()) throw UsageError(command.get_name() + ": name at least one encoder address");
  return targets;
}

// Runs the one command given; a UsageError from it is the caller's to report.
int Dispatch(const Subcommands& c, const Arguments& a, Streams streams) {
  const GlobalOptions& options = a.options;
  if (options.targetsFile && (c.discover->parsed() || c.read->parsed() || c.show->parsed())) {
    throw UsageError(
        "--targets is for the commands that take several addresses (messages, set, start, stop, "
        "apply, audit, probe)");
  }
  if (c.discover->parsed()) return RunDiscover(options, DiscoveryBroadcast(a.broadcast), streams);
  if (c.messages->parsed()) return RunMessages(options, FleetTargets(*c.messages, a, streams.err), streams);
  if (c.read->parsed()) return RunRead(options, ParseTarget(a.address), a.outputFile, streams);
  if (c.show->parsed()) return RunShow(options, ParseTarget(a.address), a.showPasswords, streams);
  if (c.set->parsed()) return RunSet(options, a.set, streams);
  if (c.start->parsed()) return RunStreamCommand(options, FleetTargets(*c.start, a, streams.err), true, streams);
  if (c.stop->parsed()) return RunStreamCommand(options, FleetTargets(*c.stop, a, streams.err), false, streams);
  if (c.apply->parsed()) return RunApply(options, a.apply, streams);
  if (c.audit->parsed()) return RunAudit(options, FleetTargets(*c.audit, a, streams.err), streams);
  if (c.probe->parsed()) return RunProbe(options, FleetTargets(*c.probe, a, streams.err), a.probe, streams);
  return kExitUsage;
}

// A command whose output went nowhere (a full disk, a closed pipe) has not done its job.
int CheckedOutput(int status, std::ostream& out, std::ostream& err) {
  errno = 0;
  if (out.flush()) return status;
  const int error = errno;
  err << "kestrinectl: standard output could not be written";
  if (error != 0) err << ": " << std::generic_category().message(error);
  err << '\n';
  return kExitFailed;
}

}  // namespace

int RunKestrinectl(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Runs Kestrine encoders from a shell: discovery, messages, configuration, streaming, stream checks.",
               "kestrinectl"};
  app.fallthrough();  // global options may stand after the command too
  app.require_subcommand(1);
  Arguments arguments;
  AddGlobalOptions(app, arguments);
  const Subcommands commands = AddCommands(app, arguments);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e, out, err);
    err << "kestrinectl: " << e.what() << "\n" << "Run with --help for more information.\n";
    return kExitUsage;
  }
  arguments.timings.ApplyTo(arguments.options.network.timings);
  arguments.options.freeDescriptors = platform::RaiseOpenFileLimit();

  if (!platform::StartSocketLayer()) {
    err << platform::kSocketLayerFailedText << '\n';
    return kExitFailed;
  }
  try {
    return CheckedOutput(Dispatch(commands, arguments, Streams{out, err}), out, err);
  } catch (const UsageError& e) {
    err << "kestrinectl: " << e.what() << '\n';
    return kExitUsage;
  }
}

}  // namespace kestrine::cli
