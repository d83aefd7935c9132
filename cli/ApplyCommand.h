#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/PasswordSource.h"

namespace kestrine::cli {

struct ApplyArguments {
  std::vector<std::string> addresses;
  PasswordSource password;
  std::string from;  // a document saved by `read`
  bool includeNetwork = false;
  bool dryRun = false;
};

// Puts the settings of a saved configuration onto each encoder: read, check the
// password, overlay, judge the whole record, write (or, dry, only say what would change).
int RunApply(const GlobalOptions& options, const ApplyArguments& arguments, Streams streams);

}  // namespace kestrine::cli
