#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace kestrine::cli {

struct SetArguments {
  std::vector<std::string> words;  // ADDR... and FIELD=VALUE..., as given
  std::string password;
  std::optional<std::string> newPassword;
};

int RunSet(const GlobalOptions& options, const SetArguments& arguments, Streams streams);

}  // namespace kestrine::cli
