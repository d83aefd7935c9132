#include "sim/SimulatorCommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
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

  std::vector<std::string> streamFaults;
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

// The stream faults --stream-fault names, each with the value it takes (none, milliseconds or a percentage).
struct StreamFaultKind {
  std::string_view name;
  std::string_view unit;  // empty: the fault takes no value
  double least;
  double most;
  void (*apply)(stream::StreamFaults&, double);
  std::string_view effect;
};

using std::chrono::milliseconds;
constexpr std::array kStreamFaultKinds{
    StreamFaultKind{"no-pat", "", 0, 0, [](stream::StreamFaults& f, double) { f.noPat = true; }, "no PAT"},
    StreamFaultKind{"no-sdt", "", 0, 0, [](stream::StreamFaults& f, double) { f.noSdt = true; }, "no SDT"},
    StreamFaultKind{"swap-pids", "", 0, 0, [](stream::StreamFaults& f, double) { f.swapPids = true; },
                    "video and audio each on the other's PID"},
    StreamFaultKind{"continuity-errors", "", 0, 0, [](stream::StreamFaults& f, double) { f.continuityErrors = true; },
                    "a video packet skips a continuity count four times a second"},
    StreamFaultKind{"pcr-gap", "MS", 1, 10000,
                    [](stream::StreamFaults& f, double v) { f.pcrInterval = milliseconds(static_cast<int>(v)); },
                    "PCRs MS apart instead of 30"},
    StreamFaultKind{"bitrate-offset", "PCT", -50, 100,
                    [](stream::StreamFaults& f, double v) { f.bitrateOffsetPercent = v; },
                    "the stream runs PCT % off mux_bitrate (its PCRs tell the rate it runs at)"},
    StreamFaultKind{"stop-after", "MS", 0, 3600000,
                    [](stream::StreamFaults& f, double v) { f.stopAfter = milliseconds(static_cast<int>(v)); },
                    "falls silent MS after each start"},
};

struct StreamFaultChoice {
  std::vector<std::size_t> encoders;  // positions from 1; empty: every encoder
  const StreamFaultKind* kind = nullptr;
  double value = 0;
};

std::string StreamFaultHelp() {
  std::string help =
      "make a stream misbehave, on the encoders named (1 for the first; default every one); repeat for more:";
  for (const StreamFaultKind& kind : kStreamFaultKinds) {
    help += "\n  " + std::string(kind.name) + (kind.unit.empty() ? "" : "=" + std::string(kind.unit)) + ": " +
            std::string(kind.effect);
  }
  return help;
}

void AddStreamOptions(CLI::App& app, RawOptions& raw, SimulatorSettings& settings) {
  app.add_flag("--streaming", settings.streaming, "every encoder streams from the start, as after 1005");
  app.add_option("--multicast-interface", settings.fleet.multicastInterface,
                 "send streams to multicast groups on this interface (a name or one of its addresses); "
                 "without it streams go only to 127.0.0.0/8")
      ->type_name("IF");
  app.add_option("--stream-fault", raw.streamFaults, StreamFaultHelp())
      ->type_name("[N,...:]FAULT[=VALUE]")
      ->group("Stream faults (for demonstrations)");
}

// A number in full: "80", "-10", "2.5".
std::optional<double> ParseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::vector<std::size_t> ParseEncoderPositions(std::string_view list, std::size_t count, const std::string& option) {
  std::vector<std::size_t> positions;
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    const std::optional<double> n = ParseNumber(list.substr(from, comma - from));
    if (!n || *n < 1 || *n != static_cast<double>(static_cast<std::size_t>(*n)) ||
        static_cast<std::size_t>(*n) > count) {
      throw UsageError{"--stream-fault " + option + ": \"" + std::string(list.substr(from, comma - from)) +
                       "\" is not one of the encoders 1 to " + std::to_string(count)};
    }
    positions.push_back(static_cast<std::size_t>(*n));
    from = comma + 1;
  }
  return positions;
}

StreamFaultChoice ParseStreamFault(const std::string& option, std::size_t count) {
  StreamFaultChoice choice;
  std::string_view rest(option);
  if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
    choice.encoders = ParseEncoderPositions(rest.substr(0, colon), count, option);
    rest.remove_prefix(colon + 1);
  }
  const std::size_t equals = rest.find('=');
  const std::string_view name = rest.substr(0, equals);
  const auto kind = std::find_if(kStreamFaultKinds.begin(), kStreamFaultKinds.end(),
                                 [&](const StreamFaultKind& k) { return k.name == name; });
  if (kind == kStreamFaultKinds.end()) {
    std::string known;
    for (const StreamFaultKind& k : kStreamFaultKinds) known += (known.empty() ? "" : ", ") + std::string(k.name);
    throw UsageError{"--stream-fault " + option + ": \"" + std::string(name) + "\" is none of " + known};
  }
  choice.kind = &*kind;
  if (kind->unit.empty()) {
    if (equals != std::string_view::npos)
      throw UsageError{"--stream-fault " + option + ": " + std::string(name) + " takes no value"};
    return choice;
  }
  const std::optional<double> value =
      equals == std::string_view::npos ? std::nullopt : ParseNumber(rest.substr(equals + 1));
  const bool whole = kind->unit != "MS" || (value && *value == static_cast<double>(static_cast<long>(*value)));
  if (!value || !whole || *value < kind->least || *value > kind->most) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", kind->least, kind->most);
    throw UsageError{"--stream-fault " + option + ": give " + std::string(name) + "=" + std::string(kind->unit) + ", " +
                     (kind->unit == "MS" ? "whole milliseconds " : "") + range};
  }
  choice.value = *value;
  return choice;
}

// The faults every encoder shows, then those of each encoder named: its own on top of every encoder's.
void ApplyStreamFaults(const RawOptions& raw, SimulatorSettings& settings) {
  std::vector<StreamFaultChoice> choices;
  for (const std::string& option : raw.streamFaults) choices.push_back(ParseStreamFault(option, settings.fleet.count));
  for (const StreamFaultChoice& choice : choices) {
    if (choice.encoders.empty()) choice.kind->apply(settings.streamFaults, choice.value);
  }
  for (const StreamFaultChoice& choice : choices) {
    for (const std::size_t position : choice.encoders) {
      auto [entry, added] = settings.encoderStreamFaults.try_emplace(position, settings.streamFaults);
      choice.kind->apply(entry->second, choice.value);
    }
  }
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
  ApplyStreamFaults(raw, settings);
}

}  // namespace

const stream::StreamFaults& SimulatorSettings::StreamFaultsOf(std::size_t position) const {
  const auto own = encoderStreamFaults.find(position);
  return own == encoderStreamFaults.end() ? streamFaults : own->second;
}

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
