#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrine::cli {

// The environment variable that may hold the encoders' current password, kept out of the process list.
inline constexpr const char* kPasswordVariable = "KESTRINE_PASSWORD";

// Where a command line gives a password: on the line, or as the first line of a file.
struct PasswordSource {
  std::optional<std::string> given;
  std::optional<std::string> file;
};

// The current password: --password, else --password-file, else KESTRINE_PASSWORD. Both options at
// once, an empty one, or none of the three is a UsageError.
[[nodiscard]] std::string CurrentPassword(std::string_view command, const PasswordSource& source);
// The new password: --new-password, else --new-password-file, else the current one.
[[nodiscard]] std::string NewPassword(std::string_view command, const PasswordSource& source,
                                      const std::string& current);

}  // namespace kestrine::cli
