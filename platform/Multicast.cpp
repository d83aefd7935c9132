#include "platform/Multicast.h"

#include <cerrno>
#include <cstring>

#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace kestrine::platform {
namespace {

template <typename Value>
bool SetOption(Socket& socket, int level, int name, const Value& value) {
  return ::setsockopt(socket.Native(), level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

#ifndef _WIN32
// The first IPv4 address of the interface called `name`.
std::uint32_t AddressOfInterface(const std::string& name) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return 0;
  std::uint32_t address = 0;
  for (const ifaddrs* entry = list; entry != nullptr && address == 0; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || name != entry->ifa_name) continue;
    address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
  }
  ::freeifaddrs(list);
  return address;
}

// The interface that has `address`.
std::optional<NetworkInterface> InterfaceWithAddress(std::uint32_t address) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<NetworkInterface> found;
  for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    if (reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr != address) continue;
    found = NetworkInterface{entry->ifa_name, ::if_nametoindex(entry->ifa_name), address};
  }
  ::freeifaddrs(list);
  return found;
}
#endif

}  // namespace

bool IsMulticastAddress(std::uint32_t address) { return (NetworkToHost32(address) & 0xF0000000u) == 0xE0000000u; }

bool IsLoopbackAddress(std::uint32_t address) { return (NetworkToHost32(address) & 0xFF000000u) == 0x7F000000u; }

bool IsLocalAddress(std::uint32_t address) {
  Socket probe = Socket::CreateDatagram();
  return probe.IsValid() && probe.Bind(address, 0);
}

std::optional<NetworkInterface> FindNetworkInterface(std::string_view nameOrAddress, std::string& error) {
  const std::string given(nameOrAddress);
  std::uint32_t address = 0;
#ifdef _WIN32
  if (ParseDottedQuad(given, address) && IsLocalAddress(address)) return NetworkInterface{given, 0, address};
  error = "give the interface by one of its IPv4 addresses; " + given + " is none of this host's";
  return std::nullopt;
#else
  if (ParseDottedQuad(given, address)) {
    std::optional<NetworkInterface> found = InterfaceWithAddress(address);
    if (!found) error = "no interface of this host has the address " + given;
    return found;
  }
  const unsigned index = ::if_nametoindex(given.c_str());
  if (index == 0) {
    error = "this host has no network interface called \"" + given + "\"";
    return std::nullopt;
  }
  return NetworkInterface{given, index, AddressOfInterface(given)};
#endif
}

bool JoinMulticastGroup(Socket& socket, std::uint32_t group, const NetworkInterface* interface) {
#ifdef _WIN32
  ip_mreq request{};
  request.imr_multiaddr.s_addr = group;
  request.imr_interface.s_addr = interface ? interface->address : INADDR_ANY;
  return SetOption(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, request);
#else
  ip_mreqn request{};
  request.imr_multiaddr.s_addr = group;
  request.imr_address.s_addr = INADDR_ANY;
  request.imr_ifindex = interface ? static_cast<int>(interface->index) : 0;
  return SetOption(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, request);
#endif
}

bool ReceiveOnlyJoinedGroups(Socket& socket) {
#ifdef IP_MULTICAST_ALL
  const int off = 0;
  return SetOption(socket, IPPROTO_IP, IP_MULTICAST_ALL, off);
#else
  (void)socket;
  return true;  // elsewhere a socket only ever receives the groups it joined
#endif
}

bool SendMulticastOn(Socket& socket, const NetworkInterface& interface) {
#ifdef _WIN32
  in_addr via{};
  via.s_addr = interface.address;
  const DWORD ttl = 1;
  const DWORD loop = 1;
#else
  ip_mreqn via{};
  via.imr_ifindex = static_cast<int>(interface.index);
  const unsigned char ttl = 1;
  const unsigned char loop = 1;
#endif
  return SetOption(socket, IPPROTO_IP, IP_MULTICAST_IF, via) && SetOption(socket, IPPROTO_IP, IP_MULTICAST_TTL, ttl) &&
         SetOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, loop);
}

}  // namespace kestrine::platform
