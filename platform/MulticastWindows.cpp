#include "platform/Ipv4Text.h"
#include "platform/Multicast.h"
#include "platform/SocketSystem.h"

namespace kestrine::platform {
namespace {

template <typename Value>
bool SetOption(Socket& socket, int level, int name, const Value& value) {
  return ::setsockopt(static_cast<SOCKET>(socket.Native()), level, name, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

}  // namespace

// Windows names its interfaces by their adapters; an address of this host names one plainly.
std::optional<NetworkInterface> FindNetworkInterface(std::string_view nameOrAddress, std::string& error) {
  const std::string given(nameOrAddress);
  std::uint32_t address = 0;
  if (ParseDottedQuad(given, address) && IsLocalAddress(address)) return NetworkInterface{given, 0, address};
  error = "give the interface by one of its IPv4 addresses; " + given + " is none of this host's";
  return std::nullopt;
}

bool BindToGroup(Socket& socket, std::uint32_t /*group*/, std::uint16_t port) {
  (void)socket.SetReuseAddress(true);
  // Windows binds no socket to a group address; one on the port hears only the groups it joined.
  return socket.Bind(INADDR_ANY, port);
}

bool JoinMulticastGroup(Socket& socket, std::uint32_t group, const NetworkInterface* via) {
  ip_mreq request{};
  request.imr_multiaddr.s_addr = group;
  request.imr_interface.s_addr = via ? via->address : INADDR_ANY;
  return SetOption(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, request);
}

bool SendMulticastOn(Socket& socket, const NetworkInterface& via) {
  in_addr out{};
  out.s_addr = via.address;
  const DWORD ttl = 1;
  const DWORD loop = 1;
  return SetOption(socket, IPPROTO_IP, IP_MULTICAST_IF, out) && SetOption(socket, IPPROTO_IP, IP_MULTICAST_TTL, ttl) &&
         SetOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, loop);
}

}  // namespace kestrine::platform
