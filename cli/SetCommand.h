#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/PasswordSource.h"

namespace kestrine::cli {

struct SetArguments {
  std::vector<std::string> words;  // ADDR... and FIELD=VALUE..., as given
  PasswordSource password;
  PasswordSource newPassword;
};

int RunSet(const GlobalOptions& options, const SetArguments& arguments, Streams streams);

}  // namespace kestrine::cli
