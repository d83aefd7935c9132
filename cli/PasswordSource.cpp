#include "cli/PasswordSource.h"

#include <cstdlib>

#include "cli/Commands.h"
#include "cli/OptionFiles.h"

namespace kestrine::cli {
namespace {

// What the options say, when they say anything; `option` names the one on the line.
std::optional<std::string> FromOptions(std::string_view command, std::string_view option,
                                       const PasswordSource& source) {
  const std::string prefix = std::string(command) + ": ";
  if (source.given && source.file) {
    throw UsageError(prefix + "give " + std::string(option) + " or " + std::string(option) + "-file, not both");
  }
  if (source.given) {
    if (source.given->empty()) throw UsageError(prefix + std::string(option) + " must not be empty");
    return source.given;
  }
  if (source.file) return ReadPasswordFile(*source.file);
  return std::nullopt;
}

}  // namespace

std::string CurrentPassword(std::string_view command, const PasswordSource& source) {
  if (std::optional<std::string> password = FromOptions(command, "--password", source)) return *password;
  const char* variable = std::getenv(kPasswordVariable);
  if (variable != nullptr && *variable != '\0') return variable;
  throw UsageError(std::string(command) + ": give the current password with --password, --password-file or " +
                   kPasswordVariable);
}

std::string NewPassword(std::string_view command, const PasswordSource& source, const std::string& current) {
  return FromOptions(command, "--new-password", source).value_or(current);
}

}  // namespace kestrine::cli
