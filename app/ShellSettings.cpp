#include "app/ShellSettings.h"

#include <system_error>

#include "net/Discovery.h"

namespace kestrine::app {

ShellSettings ShellSettings::ForProgram() {
  ShellSettings settings;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (!error) settings.documentFolder = folder;
  settings.proposeBroadcast = [] { return net::ProposedBroadcastAddress(); };
  return settings;
}

}  // namespace kestrine::app
