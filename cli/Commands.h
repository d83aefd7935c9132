#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "net/Timings.h"

namespace kestrine::net {
class OperatorFeedback;
}

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
  std::optional<std::string> targetsFile;   // more addresses, one per line
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
// The encoders a command works on: those given on the line, then those the targets file lists, each
// address once (by value, however it is written), in the order first given; every address given more
// than once gets one notice on `err`.
[[nodiscard]] std::vector<Target> CollectTargets(const GlobalOptions& options, const std::vector<std::string>& given,
                                                 std::ostream& err);

// One encoder's record, read as `set` reads it (command 1004 only); none when the read failed, which
// the operation has said through the feedback.
[[nodiscard]] std::optional<config::EncoderConfiguration> ReadRecord(const GlobalOptions& options, const Target& target,
                                                                     net::OperatorFeedback& feedback);

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
