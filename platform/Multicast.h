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

// An interface by its name ("lo", "eth0"; where the system names them so) or by one of its IPv4
// addresses; nothing, with the reason in `error`, when this host has no such interface.
[[nodiscard]] std::optional<NetworkInterface> FindNetworkInterface(std::string_view nameOrAddress, std::string& error);

// Binds a socket that is to receive `group` on `port`: so that it gets that group's datagrams and no
// other group's on the same port, however the system sorts them (POSIX: bound to the group; Windows: to
// the port, a socket there hearing only the groups it joined). Others may bind there too (a player).
bool BindToGroup(Socket& socket, std::uint32_t group, std::uint16_t port);

// Joins `group` on the interface, or on the one the routing table picks when there is none.
bool JoinMulticastGroup(Socket& socket, std::uint32_t group, const NetworkInterface* via);

// Multicast datagrams from this socket leave by the interface, with a time to live of 1 (they never pass a
// router), and loop back to receivers on this host.
bool SendMulticastOn(Socket& socket, const NetworkInterface& via);

}  // namespace kestrine::platform
