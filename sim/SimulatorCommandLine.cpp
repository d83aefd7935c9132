#include "sim/SimulatorCommandLine.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>
#include <string>
#include <utility>

#include "config/ConfigurationFile.h"
#include "config/EncoderConfiguration.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"

namespace kestrine::sim {
namespace {

constexpr const char* kProgram = "kestrine-encoder-sim";

// Thrown from the checks that follow parsing; reported like CLI11's own errors.
struct UsageError {
  std::string message;
};

struct RawOptions {
  std::string bind = "127.0.0.1";
  int controlPort = net::kControlPort;
  int discoveryPort = net::kDiscoveryPort;
  bool noDiscovery = false;
  std::string password;
  std::string configPath;
  std::size_t count = 1;

  bool silent = false;
  int delayMs = 0;
  std::size_t segmentSize = 0;
  int gapMs = 0;
  std::size_t closeAfter = 0;
  bool closeAfterReply = false;
  std::uint32_t replyCmd = 0;
  std::int32_t replyLength = 0;
  std::string writeResult;
  bool writeResultNul = false;
  std::uint32_t faultCommand = 0;

  int pcrGapMs = 0;
  int stopAfterMs = 0;
};

const std::map<std::string, DiscoveryReplyMode> kDiscoveryModes{
    {"valid", DiscoveryReplyMode::Valid},
    {"bad-checksum", DiscoveryReplyMode::BadChecksum},
    {"device-type-7", DiscoveryReplyMode::WrongDeviceType},
    {"too-short", DiscoveryReplyMode::TooShort},
    {"silent", DiscoveryReplyMode::Silent},
};

// The document the encoders start from, read as one received from an encoder would be.
std::string ReadStartingDocument(const std::string& path) {
  config::ConfigurationFile file = config::LoadConfigurationFile(path);
  if (file.outcome == config::ConfigurationFile::Outcome::Unreadable) {
    throw UsageError{"--config: cannot read " + path + ": " + file.reason};
  }
  if (file.bytes.empty()) throw UsageError{"--config: " + path + " is empty"};
  if (file.outcome == config::ConfigurationFile::Outcome::NotADocument) {
    throw UsageError{"--config: " + path + " is not a configuration document (root element tavrix)"};
  }
  return std::move(file.bytes);
}

void AddFleetOptions(CLI::App& app, RawOptions& raw) {
  app.add_option("--bind", raw.bind, "address of the (first) encoder, a.b.c.d")
      ->type_name("ADDR")->capture_default_str();
  app.add_option("--control-port", raw.controlPort, "TCP control port of every encoder; 0: one the system picks")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_option("--discovery-port", raw.discoveryPort, "UDP port that answers searches; 0: one the system picks")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_flag("--no-discovery", raw.noDiscovery, "do not answer searches");
  app.add_option("--password", raw.password,
                 "the encoders' password (default: the --config document's old_password, else UUUUUUUU)");
  app.add_option("--config", raw.configPath, "configuration document the encoders start from (at most 9999 bytes)")
      ->type_name("FILE");
  app.add_option("--count", raw.count, "number of encoders, on consecutive addresses from --bind")
      ->check(CLI::Range(std::size_t{1}, EncoderFleet::kMaxCount))
      ->capture_default_str();
}

void AddStreamOptions(CLI::App& app, RawOptions& raw, SimulatorSettings& settings) {
  app.add_flag("--streaming", settings.streaming, "every encoder streams from the start, as after 1005");
  app.add_option("--multicast-interface", settings.fleet.multicastInterface,
                 "send streams to multicast groups on this interface (a name or one of its addresses); "
                 "without it streams go only to 127.0.0.0/8")
      ->type_name("IF");
  const char* group = "Stream faults (for demonstrations)";
  stream::StreamFaults& f = settings.streamFaults;
  app.add_flag("--stream-no-pat", f.noPat, "send no PAT")->group(group);
  app.add_flag("--stream-no-sdt", f.noSdt, "send no SDT")->group(group);
  app.add_flag("--stream-swap-pids", f.swapPids, "send video and audio each on the other's PID")->group(group);
  app.add_flag("--stream-continuity-errors", f.continuityErrors,
               "skip a continuity count on the video four times a second")
      ->group(group);
  app.add_option("--stream-pcr-gap", raw.pcrGapMs, "send PCRs this many milliseconds apart instead of 30")
      ->check(CLI::Range(1, 10000))
      ->group(group);
  app.add_option("--stream-bitrate-offset", f.bitrateOffsetPercent,
                 "run the stream this many percent off mux_bitrate (its PCRs tell the truth)")
      ->check(CLI::Range(-50.0, 100.0))
      ->group(group);
  app.add_option("--stream-stop-after", raw.stopAfterMs, "fall silent this many milliseconds after a start")
      ->check(CLI::Range(0, 3600000))
      ->group(group);
  app.add_option("--stream-faults-on", settings.streamFaultEncoders,
                 "only these encoders (1 for the first) show the stream faults; default: all")
      ->check(CLI::Range(std::size_t{1}, EncoderFleet::kMaxCount))
      ->type_name("N")
      ->group(group);
}

void AddFaultOptions(CLI::App& app, RawOptions& raw, SimulatorSettings& settings) {
  const char* group = "Faults (for demonstrations)";
  app.add_flag("--refuse", settings.refuse, "refuse control connections")->group(group);
  app.add_flag("--silent", raw.silent, "accept requests and never answer")->group(group);
  app.add_option("--delay", raw.delayMs, "milliseconds before a reply")->check(CLI::Range(0, 3600000))->group(group);
  app.add_option("--segment", raw.segmentSize, "send replies in pieces of this many bytes")
      ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20))
      ->group(group);
  app.add_option("--gap", raw.gapMs, "milliseconds between the pieces of a reply")
      ->check(CLI::Range(0, 3600000))
      ->group(group);
  app.add_option("--close-after", raw.closeAfter, "send only this many bytes of a reply, then close")->group(group);
  app.add_flag("--close-after-reply", raw.closeAfterReply, "close the connection after each reply")->group(group);
  app.add_option("--reply-cmd", raw.replyCmd, "cmd field to put into replies")->group(group);
  app.add_option("--reply-len", raw.replyLength, "len field to put into replies (e.g. -1, 10000)")->group(group);
  app.add_option("--write-result", raw.writeResult, "result text a write is answered with")->group(group);
  app.add_flag("--write-result-nul", raw.writeResultNul, "end that result text with a NUL byte")->group(group);
  app.add_option("--fault-command", raw.faultCommand, "apply the reply faults to this command only")
      ->check(CLI::IsMember(net::kControlCommands))
      ->group(group);
  app.add_option("--discovery-reply", settings.discovery.mode,
                 "valid, bad-checksum, device-type-7, too-short or silent")
      ->transform(CLI::CheckedTransformer(kDiscoveryModes, CLI::ignore_case).description(""))
      ->type_name("MODE")
      ->group(group);
  app.add_option("--discovery-repeat", settings.discovery.repeat, "replies per encoder and search")
      ->check(CLI::Range(1, 100))
      ->group(group);
}

void ApplyFleetOptions(const CLI::App& app, const RawOptions& raw, SimulatorSettings& settings) {
  FleetOptions& fleet = settings.fleet;
  if (!platform::ParseDottedQuad(raw.bind, fleet.firstAddress)) {
    throw UsageError{"--bind: \"" + raw.bind + "\" is not an IPv4 address (a.b.c.d)"};
  }
  fleet.controlPort = static_cast<std::uint16_t>(raw.controlPort);
  fleet.discovery = !raw.noDiscovery;
  fleet.discoveryPort = static_cast<std::uint16_t>(raw.discoveryPort);
  fleet.count = raw.count;
  if (app.count("--password") != 0) {
    if (raw.password.empty() || raw.password.size() >= config::kPasswordWidth) {
      throw UsageError{"--password: give 1 to " + std::to_string(config::kPasswordWidth - 1) + " characters"};
    }
    fleet.password = raw.password;
  }
  if (!raw.configPath.empty()) fleet.startingDocument = ReadStartingDocument(raw.configPath);
}

void ApplyFaultOptions(const CLI::App& app, const RawOptions& raw, SimulatorSettings& settings) {
  ReplyFaults& faults = settings.faults;
  faults.silent = raw.silent;
  faults.delay = std::chrono::milliseconds(raw.delayMs);
  faults.segmentSize = raw.segmentSize;
  faults.segmentGap = std::chrono::milliseconds(raw.gapMs);
  faults.closeAfterReply = raw.closeAfterReply;
  if (app.count("--close-after") != 0) faults.closeAfterBytes = raw.closeAfter;
  if (app.count("--reply-cmd") != 0) faults.cmd = raw.replyCmd;
  if (app.count("--reply-len") != 0) faults.length = raw.replyLength;
  if (app.count("--write-result") != 0 || raw.writeResultNul) {
    faults.writeResultText = raw.writeResult + (raw.writeResultNul ? std::string(1, '\0') : std::string());
  }
  if (app.count("--fault-command") != 0) settings.faultCommand = raw.faultCommand;
  if (app.count("--stream-pcr-gap") != 0) settings.streamFaults.pcrInterval = std::chrono::milliseconds(raw.pcrGapMs);
  if (app.count("--stream-stop-after") != 0)
    settings.streamFaults.stopAfter = std::chrono::milliseconds(raw.stopAfterMs);
  for (const std::size_t position : settings.streamFaultEncoders) {
    if (position > settings.fleet.count) {
      throw UsageError{"--stream-faults-on: there is no encoder " + std::to_string(position) + " of " +
                       std::to_string(settings.fleet.count)};
    }
  }
}

}  // namespace

std::optional<int> ParseSimulatorCommandLine(int argc, const char* const* argv, SimulatorSettings& settings,
                                             std::ostream& out, std::ostream& err) {
  CLI::App app{
      "A simulated Kestrine encoder, or a fleet of them, on the encoder side of the control protocol "
      "and of discovery. Between 1005 and 1006 each sends the transport stream its configuration "
      "describes to multicast_ip:multicast_port (by default 127.0.0.1, port 5000 for the first encoder, "
      "5001 for the next, ...). Runs until interrupted.",
      kProgram};
  RawOptions raw;
  AddFleetOptions(app, raw);
  AddStreamOptions(app, raw, settings);
  AddFaultOptions(app, raw, settings);
  try {
    app.parse(argc, argv);
    ApplyFleetOptions(app, raw, settings);
    ApplyFaultOptions(app, raw, settings);
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

}  // namespace kestrine::sim
