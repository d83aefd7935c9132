#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "net/Timings.h"

namespace kestrine::app {

// What the desktop shell needs from outside: where encoders listen and how long to wait for them, where
// "in.xml" and "out.xml" go, and which broadcast address the search proposes. The program runs with the
// defaults; tests point them at a simulator with short waits.
struct ShellSettings {
  net::NetworkSettings network;
  // None: the documents are not kept.
  std::optional<std::filesystem::path> documentFolder;
  std::function<std::optional<std::uint32_t>()> proposeBroadcast;
  // How long "Check Stream" listens to a stream.
  std::chrono::milliseconds streamCheckDuration{5000};

  // The program's own: default ports and waits, the working directory, this host's address.
  [[nodiscard]] static ShellSettings ForProgram();
};

}  // namespace kestrine::app
