// Any bytes on a simulated encoder's control connection, fed in pieces of
// fuzzer-chosen sizes: the reader must cut out only whole, known requests, and
// the encoder must answer each of them without harm.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "sim/EncoderDocument.h"
#include "sim/EncoderState.h"
#include "sim/RequestReader.h"

namespace {

using kestrine::fuzz::Require;
using kestrine::sim::RequestReader;


void CheckRequest(const kestrine::sim::ControlRequest& request) {
  Require(kestrine::net::IsControlCommand(request.cmd), "only known commands are complete");
  Require(request.bytes.size() >= kestrine::net::kRequestHeaderSize, "a request holds its header");
  const auto header = std::span<const std::byte>(request.bytes);
  Require(kestrine::net::GetLe32(header.subspan<kestrine::net::kCommandOffset, 4>()) == request.cmd, "cmd is the header's");
  const std::uint32_t length = kestrine::net::GetLe32(header.subspan<kestrine::net::kLengthOffset, 4>());
  Require(length <= RequestReader::kMaxBodyLength, "bodies stay within the limit");
  Require(request.bytes.size() == kestrine::net::kRequestHeaderSize + length, "the body is exactly len bytes");
  Require(request.Body().size() == length, "Body() is the body");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the stream is cut into receives.
  const std::size_t piece = 1 + data[0] % 64 * (data[0] >= 128 ? 1024 : 1);
  const auto stream = std::as_bytes(std::span(data + 1, size - 1));

  static const std::uint32_t kLoopbackAddress = kestrine::platform::HostToNetwork32(kestrine::platform::kLoopbackHostOrder);
  kestrine::sim::EncoderState encoder(kLoopbackAddress, kestrine::sim::FactoryConfiguration(0, kLoopbackAddress),
                                      kestrine::sim::kFactoryPassword);
  RequestReader reader;
  std::size_t fed = 0;
  std::size_t taken = 0;
  kestrine::sim::ControlRequest request;
  const auto now = std::chrono::steady_clock::now();
  while (fed < stream.size()) {
    const std::size_t count = std::min(piece, stream.size() - fed);
    reader.Feed(stream.subspan(fed, count));
    fed += count;
    for (;;) {
      const RequestReader::Status status = reader.Next(request);
      if (status == RequestReader::Status::NeedMore) break;
      // The connection ends here: nothing after garbage is read.
      if (status == RequestReader::Status::Refused) {
        Require(!reader.HasPartialRequest(), "a refusal keeps nothing");
        return 0;
      }
      CheckRequest(request);
      taken += request.bytes.size();
      Require(taken <= fed, "never more taken than fed");
      for (const kestrine::sim::ReplyStep& step : encoder.Handle(request, now)) {
        Require(step.bytes.size() <= 64 * 1024, "replies stay small");
      }
    }
  }
  return 0;
}
