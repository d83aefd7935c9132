#pragma once

#include <chrono>
#include <cstdint>

#include "net/Protocol.h"

namespace kestrine::net {

// Every wait of the protocol in one value, so tests can shorten them all.
struct Timings {
  std::chrono::milliseconds exchangeDelay{3000};   // request sent -> first receive of its reply
  std::chrono::milliseconds receiveTimeout{500};   // each receive call
  std::chrono::milliseconds replyLimit{30000};     // the whole of one reply, however it trickles in
  std::chrono::milliseconds connectTimeout{5000};  // TCP connect
  std::chrono::milliseconds rereadPause{1000};     // successful write -> re-read after a bitrate change
  std::chrono::milliseconds discoveryWindow{5000}; // replies collected after a search request
};

// Where encoders listen, and how long to wait for them.
struct NetworkSettings {
  std::uint16_t controlPort = kControlPort;
  std::uint16_t discoveryPort = kDiscoveryPort;
  Timings timings;
};

}  // namespace kestrine::net
