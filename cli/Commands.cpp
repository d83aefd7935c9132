#include "cli/Commands.h"

#include <iostream>
#include <set>
#include <system_error>

#include "cli/ConsoleFeedback.h"
#include "cli/FleetRunner.h"
#include "cli/HumanText.h"
#include "cli/RecordPrinter.h"
#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "config/PageFlags.h"
#include "net/DeviceOperations.h"
#include "net/Discovery.h"
#include "platform/FileReplace.h"
#include "platform/Ipv4Text.h"

namespace kestrine::cli {
namespace {

constexpr std::string_view kDeviceUnreachable = "Connect device failed";
constexpr std::string_view kStreamCommandNotSent = "TS -> IP command could not be sent";

// Reads the document of one encoder; reports any failure on the job's stderr.
std::optional<std::string> FetchDocument(const GlobalOptions& options, const Target& target, JobOutput& output) {
  ConsoleFeedback feedback(output, "", "");
  net::DeviceOperations operations(options.network, feedback);
  net::ConfigurationFetch fetch = operations.FetchConfigurationDocument(target.address);
  if (fetch.failure == net::ReadFailure::None) return std::move(fetch.document);
  if (const std::string reason = DescribeSilentFailure(fetch); !reason.empty()) feedback.Error(reason);
  return std::nullopt;
}

std::string Prefix(const Target& target) { return target.text + ": "; }

// Multi-encoder commands name the encoder on every error line, and on output lines when there are several.
ConsoleFeedback FleetFeedback(JobOutput& output, const Target& target, bool several) {
  return ConsoleFeedback(output, several ? Prefix(target) : std::string{}, Prefix(target));
}

int ExitFor(bool ok) { return ok ? kExitSuccess : kExitFailed; }

}  // namespace

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
  const net::SearchSummary summary =
      net::SearchDevices(broadcast, options.network, feedback, [&](const std::string& address) {
        if (seen.insert(address).second) streams.out << HumanText(address) << '\n' << std::flush;
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
  return kExitSuccess;
}

int RunMessages(const GlobalOptions& options, const std::vector<Target>& targets, Streams streams) {
  const bool several = targets.size() > 1;
  const FleetRunner runner(options.jobs);
  const bool ok = runner.Run(
      targets.size(),
      [&](std::size_t index, JobOutput& output) {
        const Target& target = targets[index];
        ConsoleFeedback feedback = FleetFeedback(output, target, several);
        net::DeviceOperations operations(options.network, feedback);
        config::EncoderConfiguration entry;
        entry.ipAddr = target.address;
        if (operations.QueryDeviceMessages(entry) == net::OperationResult::Success) return true;
        feedback.Error(kDeviceUnreachable);
        return false;
      },
      streams.out, streams.err);
  return ExitFor(ok);
}

int RunRead(const GlobalOptions& options, const Target& target, const std::optional<std::string>& outputFile,
            Streams streams) {
  JobOutput output;
  const std::optional<std::string> document = FetchDocument(options, target, output);
  for (const JobOutput::Line& line : output.lines) streams.err << line.text << '\n';
  if (!document) return kExitFailed;
  if (!outputFile) {
    streams.out.write(document->data(), static_cast<std::streamsize>(document->size()));
    streams.out.flush();
    return ExitFor(static_cast<bool>(streams.out));
  }
  // The document holds the encoder's password: owner-only, and never half written.
  std::error_code reason;
  if (!platform::ReplaceFile(*outputFile, *document, platform::FileAccess::OwnerOnly, &reason)) {
    streams.err << "Cannot write " << HumanText(*outputFile) << ": " << reason.message() << '\n';
    return kExitFailed;
  }
  return kExitSuccess;
}

int RunShow(const GlobalOptions& options, const Target& target, bool json, Streams streams) {
  JobOutput output;
  const std::optional<std::string> document = FetchDocument(options, target, output);
  for (const JobOutput::Line& line : output.lines) streams.err << line.text << '\n';
  if (!document) return kExitFailed;
  config::EncoderConfiguration record;
  record.ipAddr = target.address;
  if (config::LoadConfigurationDocument(*document, record) == 0) {
    streams.err << kDocumentRefused << '\n';
    return kExitFailed;
  }
  record.configurationRead = 1;
  streams.out << (json ? FormatRecordJson(record) : FormatRecordLines(record));
  return kExitSuccess;
}

int RunStreamCommand(const GlobalOptions& options, const std::vector<Target>& targets, bool start, Streams streams) {
  const bool several = targets.size() > 1;
  const FleetRunner runner(options.jobs);
  const bool ok = runner.Run(
      targets.size(),
      [&](std::size_t index, JobOutput& output) {
        ConsoleFeedback feedback = FleetFeedback(output, targets[index], several);
        net::DeviceOperations operations(options.network, feedback);
        config::EncoderConfiguration entry;
        entry.ipAddr = targets[index].address;
        const net::OperationResult result = start ? operations.StartStreaming(entry) : operations.StopStreaming(entry);
        if (result == net::OperationResult::Success) return true;
        if (!feedback.ErrorShown()) feedback.Error(kStreamCommandNotSent);
        return false;
      },
      streams.out, streams.err);
  return ExitFor(ok);
}

}  // namespace kestrine::cli
