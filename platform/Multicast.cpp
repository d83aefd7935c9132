#include "platform/Multicast.h"

#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace kestrine::platform {

bool IsMulticastAddress(std::uint32_t address) { return (NetworkToHost32(address) & 0xF0000000u) == 0xE0000000u; }

bool IsLoopbackAddress(std::uint32_t address) { return (NetworkToHost32(address) & 0xFF000000u) == 0x7F000000u; }

bool IsLocalAddress(std::uint32_t address) {
  Socket probe = Socket::CreateDatagram();
  return probe.IsValid() && probe.Bind(address, 0);
}

}  // namespace kestrine::platform
