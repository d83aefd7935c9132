// Real datagrams through a real loopback socket into the search loop's own step
// (net::TakeSearchDatagram after platform::Socket::ReceiveFrom into the search's
// 1000-byte buffer), oversized ones included. The checks do not restate the rule:
//   - an accepted reply names the address it carries in bytes 2..5;
//   - a reply stays accepted only as long as it is intact: any one byte of an
//     accepted reply changed, and it is ignored;
//   - a datagram longer than the buffer is judged exactly as its first 1000 bytes;
//   - every datagram is either handed on or counted as ignored, never lost.
//
// Input: [flags] then up to 8 times [length, 2 bytes LE, 12 bits used] [bytes]
//   flags bit k: datagram k gets its last byte set to the sum of the ones before it
//   (so that the fuzzer spends its time past the checksum too).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "net/Discovery.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"

namespace {

using namespace std::chrono_literals;
using kestrine::fuzz::Require;
namespace net = kestrine::net;
namespace platform = kestrine::platform;

const std::uint32_t kLoopback = platform::HostToNetwork32(platform::kLoopbackHostOrder);
constexpr std::size_t kMaxDatagrams = 8;
constexpr std::size_t kMaxDatagramSize = 0x0FFF;

// The search's socket, as SearchDevices sets it up, and a sender beside it.
class LoopbackSearch final {
 public:
  LoopbackSearch() : search_(platform::Socket::CreateDatagram()), sender_(platform::Socket::CreateDatagram()) {
    search_.SetBroadcast(true);
    search_.SetReceiveBufferSize(net::kDiscoveryReceiveBuffer);
    if (!search_.Bind(kLoopback, 0) || !sender_.Bind(kLoopback, 0)) kestrine::fuzz::Fail("cannot bind on loopback");
    port_ = search_.LocalPort();
  }

  // The datagram through the sockets and the search's step; the address handed on, if any.
  std::optional<std::string> Take(std::span<const std::byte> datagram, net::SearchSummary& summary) {
    Require(sender_.SendTo(datagram, kLoopback, port_), "loopback takes the datagram");
    std::array<std::byte, net::kSearchReplyBufferSize> buffer{};
    const platform::Received got = search_.ReceiveFrom(buffer, 2000ms, {});
    Require(got.status == platform::ReceiveStatus::Data, "the datagram arrives");
    const std::size_t before = summary.accepted + summary.ignored;
    std::optional<std::string> found;
    net::TakeSearchDatagram(got, buffer, summary, [&](const std::string& address) {
      Require(!found.has_value(), "one datagram names one encoder");
      found = address;
    });
    Require(summary.accepted + summary.ignored == before + 1, "every datagram is handed on or ignored");
    return found;
  }

 private:
  platform::Socket search_;
  platform::Socket sender_;
  std::uint16_t port_ = 0;
};

std::vector<std::vector<std::byte>> Datagrams(const std::uint8_t* data, std::size_t size) {
  std::vector<std::vector<std::byte>> datagrams;
  if (size == 0) return datagrams;
  const unsigned flags = data[0];
  std::size_t at = 1;
  while (datagrams.size() < kMaxDatagrams && at + 2 <= size) {
    const std::size_t wanted = (data[at] | (data[at + 1] << 8)) & kMaxDatagramSize;
    at += 2;
    const std::size_t length = std::min(wanted, size - at);
    const auto* start = reinterpret_cast<const std::byte*>(data + at);
    std::vector<std::byte> datagram(start, start + length);
    at += length;
    if ((flags >> datagrams.size() & 1) != 0 && !datagram.empty()) {
      unsigned sum = 0;
      for (std::size_t i = 0; i + 1 < datagram.size(); ++i) sum += std::to_integer<unsigned>(datagram[i]);
      datagram.back() = static_cast<std::byte>(sum);
    }
    datagrams.push_back(std::move(datagram));
  }
  return datagrams;
}

std::string AddressInside(std::span<const std::byte> datagram) {
  std::uint32_t address = 0;
  std::memcpy(&address, datagram.data() + net::kSearchReplyAddressOffset, sizeof address);
  return platform::FormatIpv4(address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LoopbackSearch search;
  net::SearchSummary summary;
  std::size_t index = 0;
  for (const std::vector<std::byte>& datagram : Datagrams(data, size)) {
    if (datagram.empty()) continue;  // nothing to send
    const std::optional<std::string> found = search.Take(datagram, summary);
    const std::span<const std::byte> stored =
        std::span(datagram).first(std::min(datagram.size(), net::kSearchReplyBufferSize));

    if (datagram.size() > stored.size()) {
      const std::vector<std::byte> cut(stored.begin(), stored.end());
      Require(search.Take(cut, summary) == found, "a longer datagram is judged as its first 1000 bytes");
    }
    if (!found) continue;
    Require(stored.size() >= net::kSearchReplyAddressOffset + 4 && *found == AddressInside(stored), "the address is the one inside the reply");

    // Any one byte changed, chosen by the input, and the reply is no longer one.
    std::vector<std::byte> changed(stored.begin(), stored.end());
    const std::size_t at = (index * 131 + size) % changed.size();
    changed[at] = static_cast<std::byte>(std::to_integer<unsigned>(changed[at]) + 1 + (data[0] % 255));
    Require(!search.Take(changed, summary), "a reply with one byte changed is ignored");
    ++index;
  }
  return 0;
}
