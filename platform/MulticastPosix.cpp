#include <ifaddrs.h>
#include <net/if.h>

#include "platform/Ipv4Text.h"
#include "platform/Multicast.h"
#include "platform/SocketSystem.h"

namespace kestrine::platform {
namespace {

template <typename Value>
bool SetOption(Socket& socket, int level, int name, const Value& value) {
  return ::setsockopt(socket.Native(), level, name, &value, sizeof value) == 0;
}

// The first IPv4 address of an interface: by its name, or the interface that has `address`.
std::optional<NetworkInterface> FindInList(const std::string* name, std::uint32_t address) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<NetworkInterface> found;
  for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    const std::uint32_t has = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    if (name ? *name != entry->ifa_name : has != address) continue;
    found = NetworkInterface{entry->ifa_name, ::if_nametoindex(entry->ifa_name), has};
  }
  ::freeifaddrs(list);
  return found;
}

}  // namespace

std::optional<NetworkInterface> FindNetworkInterface(std::string_view nameOrAddress, std::string& error) {
  const std::string given(nameOrAddress);
  std::uint32_t address = 0;
  if (ParseDottedQuad(given, address)) {
    std::optional<NetworkInterface> found = FindInList(nullptr, address);
    if (!found) error = "no interface of this host has the address " + given;
    return found;
  }
  const unsigned index = ::if_nametoindex(given.c_str());
  if (index == 0) {
    error = "this host has no network interface called \"" + given + "\"";
    return std::nullopt;
  }
  // An interface without an IPv4 address still takes groups by its index.
  const std::optional<NetworkInterface> withAddress = FindInList(&given, 0);
  return NetworkInterface{given, index, withAddress ? withAddress->address : 0};
}

bool BindToGroup(Socket& socket, std::uint32_t group, std::uint16_t port) {
  (void)socket.SetReuseAddress(true);  // refused, only a second listener would be
  // Bound to the group, a socket hears no other group's datagrams on the port; and it hears only the
  // groups it joined itself, not those another socket of this host joined (IP_MULTICAST_ALL).
  const int off = 0;
  return socket.Bind(group, port) && SetOption(socket, IPPROTO_IP, IP_MULTICAST_ALL, off);
}

bool JoinMulticastGroup(Socket& socket, std::uint32_t group, const NetworkInterface* via) {
  ip_mreqn request{};
  request.imr_multiaddr.s_addr = group;
  request.imr_address.s_addr = INADDR_ANY;
  request.imr_ifindex = via ? static_cast<int>(via->index) : 0;
  return SetOption(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, request);
}

bool SendMulticastOn(Socket& socket, const NetworkInterface& via) {
  ip_mreqn out{};
  out.imr_ifindex = static_cast<int>(via.index);
  const unsigned char ttl = 1;
  const unsigned char loop = 1;
  return SetOption(socket, IPPROTO_IP, IP_MULTICAST_IF, out) && SetOption(socket, IPPROTO_IP, IP_MULTICAST_TTL, ttl) &&
         SetOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, loop);
}

}  // namespace kestrine::platform
