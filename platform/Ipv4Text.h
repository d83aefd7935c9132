#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine::platform {

// Addresses are kept the way the socket layer keeps them: a 32-bit value whose
// bytes in memory are the octets in order (network byte order).
inline constexpr std::uint32_t kInaddrNone = 0xFFFFFFFFu;

// 127.0.0.1 in host order (pass it through HostToNetwork32 for a socket).
inline constexpr std::uint32_t kLoopbackHostOrder = 0x7F000001u;

// The classic inet_addr: "a.b.c.d", "a.b.c", "a.b" or "a", each part decimal,
// octal (leading 0) or hex (0x); anything after a blank is ignored. Text that
// does not convert gives kInaddrNone.
[[nodiscard]] std::uint32_t InetAddr(std::string_view text);
// The same conversion, saying when the text does not convert (kInaddrNone is also 255.255.255.255).
[[nodiscard]] std::optional<std::uint32_t> ParseInetAddr(std::string_view text);

// The classic inet_ntoa: four decimal octets, first octet first.
[[nodiscard]] std::string FormatIpv4(std::uint32_t networkOrder);

// Between the network order above and host order (first octet in the high byte).
[[nodiscard]] std::uint32_t NetworkToHost32(std::uint32_t networkOrder);
[[nodiscard]] std::uint32_t HostToNetwork32(std::uint32_t hostOrder);

// Parses strictly "a.b.c.d" with four decimal octets 0..255; false otherwise.
[[nodiscard]] bool ParseDottedQuad(std::string_view text, std::uint32_t& networkOrder);

}  // namespace kestrine::platform
