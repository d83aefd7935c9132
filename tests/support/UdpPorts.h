#pragma once

#include <cstdint>

#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace kestrine::test {

// A UDP port of 127.0.0.1 that was free a moment ago (the system's pick), for a test's stream destination.
inline std::uint16_t FreeUdpPort() {
  platform::Socket socket = platform::Socket::CreateDatagram();
  if (!socket.IsValid() || !socket.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), 0)) return 0;
  return socket.LocalPort();
}

}  // namespace kestrine::test
