#include "cli/Commands.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <set>
#include <system_error>
#include <unordered_map>

#include "cli/ConsoleFeedback.h"
#include "cli/EncoderEdit.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "cli/OptionFiles.h"
#include "cli/RecordPrinter.h"
#include "config/EncoderConfiguration.h"
#include "config/HumanText.h"
#include "net/DeviceOperations.h"
#include "net/Discovery.h"
#include "platform/FileReplace.h"
#include "platform/Ipv4Text.h"
#include "platform/Utf8Path.h"

namespace kestrine::cli {
namespace {

constexpr std::string_view kDeviceUnreachable = "Connect device failed";

std::string Prefix(const Target& target) { return target.text + ": "; }

// Multi-encoder commands name the encoder on every error line, and on output lines when there are several.
ConsoleFeedback FleetFeedback(JobOutput& output, const Target& target, bool several) {
  return ConsoleFeedback(output, several ? Prefix(target) : std::string{}, Prefix(target));
}

int ExitFor(bool ok) { return ok ? kExitSuccess : kExitFailed; }

void PrintErrors(const JobOutput& output, std::ostream& err) {
  for (const JobOutput::Line& line : output.lines) err << line.text << '\n';
}

// A single-encoder command that failed, as --json prints it.
int FailedSingle(const GlobalOptions& options, const Target& target, const JobOutput& output, Streams streams) {
  if (options.json) streams.out << FormatJson(EncoderEntry(target.text, false, output.errorText));
  return kExitFailed;
}

// `read -o -` prints the document.
constexpr std::string_view kStandardOutputName = "-";

// The document holds the encoder's password: a regular file (or none yet) is replaced whole and
// owner-only, never half written; anything else named (a FIFO, a terminal, /dev/stdout) is written
// through, never replaced by a file.
platform::WriteThroughResult PlaceDocument(const std::string& path, std::string_view document,
                                           std::error_code& reason) {
  const std::filesystem::path target = platform::PathFromUtf8(path);
  if (!platform::IsReplaceable(target)) return platform::WriteThrough(target, document, &reason);
  return platform::ReplaceFile(target, document, platform::FileAccess::OwnerOnly, &reason)
             ? platform::WriteThroughResult::Written
             : platform::WriteThroughResult::Failed;
}

// The document of one encoder (command 1004 only), exactly as it came.
std::optional<std::string> FetchDocument(const GlobalOptions& options, const Target& target,
                                         net::OperatorFeedback& feedback) {
  net::DeviceOperations operations(options.network, feedback);
  net::ConfigurationFetch fetch = operations.FetchConfigurationDocument(target.address);
  if (fetch.failure != net::ReadFailure::None) return std::nullopt;
  return std::move(fetch.document);
}

}  // namespace

std::optional<config::EncoderConfiguration> ReadRecord(const GlobalOptions& options, const Target& target,
                                                       net::OperatorFeedback& feedback) {
  EncoderEdit edit(options.network, target.address, feedback);
  if (!edit.Read()) return std::nullopt;
  return edit.Record();
}

Target ParseTarget(const std::string& text) {
  Target target{text, 0};
  if (!platform::ParseDottedQuad(text, target.address)) throw UsageError(text + ": not an IPv4 address (a.b.c.d)");
  return target;
}

std::vector<Target> CollectTargets(const GlobalOptions& options, const std::vector<std::string>& given,
                                   std::ostream& err) {
  std::vector<Target> named;
  named.reserve(given.size());
  for (const std::string& text : given) named.push_back(ParseTarget(text));
  if (options.targetsFile) {
    const std::string& path = *options.targetsFile;
    for (const config::ListedAddress& listed : config::ListedAddresses(ReadOptionFile(path, kTargetsFileLimit))) {
      try {
        named.push_back(ParseTarget(listed.text));
      } catch (const UsageError& e) {
        throw UsageError(path + ":" + std::to_string(listed.line) + ": " + e.what());
      }
    }
  }
  struct Kept {
    std::size_t index;     // in `targets`
    bool noticed = false;  // its repetition has been said
  };
  std::vector<Target> targets;
  std::unordered_map<std::uint32_t, Kept> kept;
  for (Target& target : named) {
    const auto [found, first] = kept.try_emplace(target.address, Kept{targets.size()});
    if (first) {
      targets.push_back(std::move(target));
    } else if (!found->second.noticed) {
      found->second.noticed = true;
      err << "kestrinectl: " << targets[found->second.index].text << " given more than once; worked on once\n";
    }
  }
  return targets;
}

int RunDiscover(const GlobalOptions& options, std::uint32_t broadcast, Streams streams) {
  JobOutput output;
  ConsoleFeedback feedback(output, "", "");
  std::set<std::string> seen;
  Json found = Json::array();
  const net::SearchSummary summary =
      net::SearchDevices(broadcast, options.network, feedback, [&](const std::string& address) {
        if (!seen.insert(address).second) return;
        if (options.json) {
          found.push_back(Json{{"address", address}});
        } else {
          streams.out << config::HumanText(address) << '\n' << std::flush;
        }
      });
  for (const JobOutput::Line& line : output.lines) {
    (line.stream == Stream::Out ? streams.out : streams.err) << line.text << '\n';
  }
  if (!summary.requestSent) {
    // An empty list would read as "no encoder answered"; nobody was even asked.
    streams.err << "Search request could not be sent to " << platform::FormatIpv4(platform::HostToNetwork32(broadcast))
                << ":" << options.network.discoveryPort << ": " << summary.sendError.message() << '\n';
    return kExitFailed;
  }
  if (options.json) streams.out << FormatJson(found) << std::flush;
  return kExitSuccess;
}

int RunMessages(const GlobalOptions& options, const std::vector<Target>& targets, Streams streams) {
  const bool several = targets.size() > 1;
  const FleetRun run = RunEncoderJobs(
      options, targets,
      [&](std::size_t index, JobOutput& output, Json& entry) {
        const Target& target = targets[index];
        ConsoleFeedback feedback = FleetFeedback(output, target, several);
        net::DeviceOperations operations(options.network, feedback);
        const net::DeviceMessages ring = operations.FetchDeviceMessages(target.address);
        if (ring.result != net::OperationResult::Success) {
          feedback.Error(kDeviceUnreachable);
          return false;
        }
        Json messages = Json::array();
        for (const std::string& line : ring.lines) {
          feedback.Say(line);
          // As printed: a line's own line feed ends it.
          DecodedText text = DecodeEncoderText(line.ends_with('\n') ? line.substr(0, line.size() - 1) : line);
          if (text.undecodable) entry["undecodable"] = true;
          messages.push_back(std::move(text.utf8));
        }
        entry["messages"] = std::move(messages);
        return true;
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

int RunRead(const GlobalOptions& options, const Target& target, const std::optional<std::string>& outputFile,
            Streams streams) {
  JobOutput output;
  ConsoleFeedback feedback(output, "", "");
  const std::optional<std::string> document = FetchDocument(options, target, feedback);
  PrintErrors(output, streams.err);
  if (!document) return FailedSingle(options, target, output, streams);
  Json entry = EncoderEntry(target.text, true);
  entry["length"] = document->size();
  bool printed = !outputFile || *outputFile == kStandardOutputName;
  if (!printed) {
    std::error_code reason;
    const platform::WriteThroughResult placed = PlaceDocument(*outputFile, *document, reason);
    if (placed == platform::WriteThroughResult::Failed) {
      const std::string error = "Cannot write " + *outputFile + ": " + reason.message();
      streams.err << "Cannot write " << config::HumanText(*outputFile) << ": " << reason.message() << '\n';
      if (options.json) streams.out << FormatJson(EncoderEntry(target.text, false, error));
      return kExitFailed;
    }
    printed = placed == platform::WriteThroughResult::StandardOutput;
    if (!printed) entry["file"] = *outputFile;
  }
  if (printed && options.json) {
    PutEncoderText(entry, "document", *document);
  } else if (printed) {
    streams.out.write(document->data(), static_cast<std::streamsize>(document->size()));
  }
  if (options.json) streams.out << FormatJson(entry);
  streams.out.flush();
  return ExitFor(static_cast<bool>(streams.out));
}

int RunShow(const GlobalOptions& options, const Target& target, bool showPasswords, Streams streams) {
  JobOutput output;
  ConsoleFeedback feedback(output, "", "");
  const std::optional<config::EncoderConfiguration> record = ReadRecord(options, target, feedback);
  PrintErrors(output, streams.err);
  if (!record) return FailedSingle(options, target, output, streams);
  if (options.json) {
    Json entry = EncoderEntry(target.text, true);
    PutRecordFields(entry, *record, showPasswords);
    streams.out << FormatJson(entry);
  } else {
    streams.out << FormatRecordLines(*record, showPasswords);
  }
  streams.out.flush();
  return ExitFor(static_cast<bool>(streams.out));
}

int RunStreamCommand(const GlobalOptions& options, const std::vector<Target>& targets, bool start, Streams streams) {
  const bool several = targets.size() > 1;
  const FleetRun run = RunEncoderJobs(
      options, targets,
      [&](std::size_t index, JobOutput& output, Json& /*entry*/) {
        ConsoleFeedback feedback = FleetFeedback(output, targets[index], several);
        net::DeviceOperations operations(options.network, feedback);
        config::EncoderConfiguration entry;
        entry.ipAddr = targets[index].address;
        const net::OperationResult result = start ? operations.StartStreaming(entry) : operations.StopStreaming(entry);
        return result == net::OperationResult::Success;
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
