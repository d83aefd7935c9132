#include "cli/Commands.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <set>
#include <system_error>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "cli/JsonOutput.h"
#include "cli/RecordPrinter.h"
#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "config/HumanText.h"
#include "config/PageFlags.h"
#include "net/DeviceOperations.h"
#include "net/Discovery.h"
#include "platform/FileReplace.h"
#include "platform/Ipv4Text.h"

namespace kestrine::cli {
namespace {

constexpr std::string_view kDeviceUnreachable = "Connect device failed";
constexpr std::string_view kStreamCommandNotSent = "TS -> IP command could not be sent";

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
  if (options.json) streams.out << FormatJson(EncoderEntry(target.text, false, ErrorText(output)));
  return kExitFailed;
}

}  // namespace

std::optional<std::string> FetchDocument(const GlobalOptions& options, const Target& target,
                                         ConsoleFeedback& feedback) {
  net::DeviceOperations operations(options.network, feedback);
  net::ConfigurationFetch fetch = operations.FetchConfigurationDocument(target.address);
  if (fetch.failure == net::ReadFailure::None) return std::move(fetch.document);
  if (const std::string reason = DescribeSilentFailure(fetch); !reason.empty()) feedback.Error(reason);
  return std::nullopt;
}

void ReportFailedRead(const net::DocumentRead& read, ConsoleFeedback& feedback) {
  if (read.fetch.failure == net::ReadFailure::None) {
    feedback.Error(kDocumentRefused);
  } else if (const std::string reason = DescribeSilentFailure(read.fetch); !reason.empty()) {
    feedback.Error(reason);
  }
}

// Texts for the read failures the desktop shell passes over in silence; a script needs a reason.
std::string DescribeSilentFailure(const net::ConfigurationFetch& fetch) {
  switch (fetch.failure) {
    case net::ReadFailure::WrongCommand:
      return "Configuration reply is not an answer to the configuration request";
    case net::ReadFailure::NoLength:
      return "Configuration reply ended before its length";
    case net::ReadFailure::BadLength:
      return "Configuration length " + std::to_string(fetch.length) + " is outside 0..9999";
    case net::ReadFailure::IncompleteBody:
      return "Configuration reply ended before its " + std::to_string(fetch.length) + " bytes";
    case net::ReadFailure::None:
    case net::ReadFailure::Connection:
    case net::ReadFailure::NoCommand:
      break;  // said already, in the operation's own words
  }
  return {};
}

Target ParseTarget(const std::string& text) {
  Target target{text, 0};
  if (!platform::ParseDottedQuad(text, target.address)) throw UsageError(text + ": not an IPv4 address (a.b.c.d)");
  return target;
}

std::vector<Target> ParseTargets(const std::vector<std::string>& texts) {
  std::vector<Target> targets;
  targets.reserve(texts.size());
  for (const std::string& text : texts) targets.push_back(ParseTarget(text));
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
        config::EncoderConfiguration entryRecord;
        entryRecord.ipAddr = target.address;
        if (operations.QueryDeviceMessages(entryRecord) != net::OperationResult::Success) {
          feedback.Error(kDeviceUnreachable);
          return false;
        }
        Json messages = Json::array();
        for (const JobOutput::Line& line : output.lines) {
          if (line.stream != Stream::Out) continue;
          DecodedText text = DecodeEncoderText(line.body);
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
  if (outputFile) {
    // The document holds the encoder's password: owner-only, and never half written.
    std::error_code reason;
    if (!platform::ReplaceFile(*outputFile, *document, platform::FileAccess::OwnerOnly, &reason)) {
      const std::string error = "Cannot write " + *outputFile + ": " + reason.message();
      streams.err << "Cannot write " << config::HumanText(*outputFile) << ": " << reason.message() << '\n';
      if (options.json) streams.out << FormatJson(EncoderEntry(target.text, false, error));
      return kExitFailed;
    }
    entry["file"] = *outputFile;
  } else if (options.json) {
    PutEncoderText(entry, "document", *document);
  } else {
    streams.out.write(document->data(), static_cast<std::streamsize>(document->size()));
  }
  if (options.json) streams.out << FormatJson(entry);
  streams.out.flush();
  return ExitFor(static_cast<bool>(streams.out));
}

int RunShow(const GlobalOptions& options, const Target& target, bool showPasswords, Streams streams) {
  JobOutput output;
  ConsoleFeedback feedback(output, "", "");
  const std::optional<std::string> document = FetchDocument(options, target, feedback);
  config::EncoderConfiguration record;
  record.ipAddr = target.address;
  if (document && config::LoadConfigurationDocument(*document, record) == 0) feedback.Error(kDocumentRefused);
  PrintErrors(output, streams.err);
  if (!document || feedback.ErrorShown()) return FailedSingle(options, target, output, streams);
  record.configurationRead = 1;
  if (options.json) {
    Json entry = EncoderEntry(target.text, true);
    PutRecordFields(entry, record, showPasswords);
    streams.out << FormatJson(entry);
  } else {
    streams.out << FormatRecordLines(record, showPasswords);
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
        if (result == net::OperationResult::Success) return true;
        if (!feedback.ErrorShown()) feedback.Error(kStreamCommandNotSent);
        return false;
      },
      streams);
  return FinishFleetCommand(options, run, streams);
}

}  // namespace kestrine::cli
