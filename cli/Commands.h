#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <string>
#include <vector>

#include "net/DeviceOperations.h"
#include "net/Timings.h"

namespace kestrine::cli {

// Exit statuses of kestrinectl.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct GlobalOptions {
  net::NetworkSettings network;
  std::optional<std::size_t> jobs;  // none: every encoder at once, as far as the open-file limit allows
  std::size_t freeDescriptors = SIZE_MAX;  // what the open-file limit leaves for sockets
  bool json = false;                        // one JSON document on stdout
};

// An encoder named on the command line: its text as given and its address (network order).
struct Target {
  std::string text;
  std::uint32_t address = 0;
};

// A command line that names something that cannot be: exit status 2, before anything is sent.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[nodiscard]] Target ParseTarget(const std::string& text);
[[nodiscard]] std::vector<Target> ParseTargets(const std::vector<std::string>& texts);

// Reads the document of one encoder (command 1004 only); reports any failure through the feedback.
class ConsoleFeedback;
[[nodiscard]] std::optional<std::string> FetchDocument(const GlobalOptions& options, const Target& target,
                                                       ConsoleFeedback& feedback);

// Why reading an encoder's configuration failed, for a failure the operation
// itself passed over in silence; empty when it has said so already.
[[nodiscard]] std::string DescribeSilentFailure(const net::ConfigurationFetch& fetch);
inline constexpr std::string_view kDocumentRefused = "Configuration document not accepted";

// Says why a read of the whole record (ReadConfigurationDocument) did not succeed.
void ReportFailedRead(const net::DocumentRead& read, ConsoleFeedback& feedback);

struct Streams {
  std::ostream& out;
  std::ostream& err;
};

// Each returns the exit status.
// broadcast in host order.
int RunDiscover(const GlobalOptions& options, std::uint32_t broadcast, Streams streams);
int RunMessages(const GlobalOptions& options, const std::vector<Target>& targets, Streams streams);
int RunRead(const GlobalOptions& options, const Target& target, const std::optional<std::string>& outputFile,
            Streams streams);
int RunShow(const GlobalOptions& options, const Target& target, bool showPasswords, Streams streams);
int RunStreamCommand(const GlobalOptions& options, const std::vector<Target>& targets, bool start, Streams streams);

}  // namespace kestrine::cli
