#pragma once

#include <vector>

#include "cli/Commands.h"

namespace kestrine::cli {

// Reads every encoder's configuration (command 1004 only) and reports what is
// wrong across the fleet and within each encoder, errors first. Exit 1 when
// any finding is an error.
int RunAudit(const GlobalOptions& options, const std::vector<Target>& targets, Streams streams);

}  // namespace kestrine::cli
