#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::sim {

// The password an encoder leaves the factory with: eight letters of U, L, D, R,
// as the configuration page accepts them.
inline constexpr std::string_view kFactoryPassword = "UUUUUUUU";

// The settings an encoder leaves the factory with. `index` is its place in a fleet
// (device number, stream port and service name differ per encoder);
// `address` is its own address, network order.
[[nodiscard]] config::EncoderConfiguration FactoryConfiguration(std::size_t index, std::uint32_t address);

// What the encoder works out itself: the transport stream runs at the program
// bitrate; the video gets what its stream leaves after the audio, the tables and
// the PCRs (without a stream to send, what is left after the audio and 5 %).
void DeriveBitrates(config::EncoderConfiguration& record);

// The document the encoder answers a configuration request with: the GB2312
// declaration, root tavrix, groups system (with ethernet), video, audio and mux,
// multicast_mode in lower case and TS_bitrate reported. old_password carries
// `password`; new_password is empty. Texts are escaped, so any record gives
// well-formed XML.
[[nodiscard]] std::string BuildEncoderDocument(const config::EncoderConfiguration& record, std::string_view password);

}  // namespace kestrine::sim
