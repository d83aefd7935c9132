#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine::platform {

class Socket;

// Addresses in network order.
[[nodiscard]] bool IsMulticastAddress(std::uint32_t address);  // 224.0.0.0/4
[[nodiscard]] bool IsLoopbackAddress(std::uint32_t address);   // 127.0.0.0/8

// True when this host has the address, so a socket can be bound to it.
[[nodiscard]] bool IsLocalAddress(std::uint32_t address);

struct NetworkInterface {
  std::string name;
  unsigned index = 0;
  std::uint32_t address = 0;  // its first IPv4 address, network order; 0 when it has none
};

// An interface by its name ("lo", "eth0") or by one of its IPv4 addresses; nothing, with the reason in
// `error`, when this host has no such interface.
[[nodiscard]] std::optional<NetworkInterface> FindNetworkInterface(std::string_view nameOrAddress, std::string& error);

// Joins `group` on the interface, or on the one the routing table picks when there is none.
bool JoinMulticastGroup(Socket& socket, std::uint32_t group, const NetworkInterface* interface);

// A socket bound to a group receives only the groups it joined itself (Linux would otherwise hand it what
// any socket of the host joined on that port).
bool ReceiveOnlyJoinedGroups(Socket& socket);

// Multicast datagrams from this socket leave by the interface, with a time to live of 1 (they never pass a
// router), and loop back to receivers on this host.
bool SendMulticastOn(Socket& socket, const NetworkInterface& interface);

}  // namespace kestrine::platform
