#pragma once

#include <cstdint>
#include <memory>

#include "stream/PsiTables.h"

namespace kestrine::stream {

// Tables out of the packets of their PIDs. A listener hears of each table when it first arrives and when it
// changes (a new version); sections whose CRC does not match are counted and dropped.
class PsiDecoder final {
 public:
  class Listener {
   public:
    virtual void OnPat(const PatTable& pat) = 0;
    virtual void OnPmt(const PmtTable& pmt) = 0;
    virtual void OnSdt(const SdtTable& sdt) = 0;

   protected:
    ~Listener() = default;
  };

  explicit PsiDecoder(Listener& listener);
  ~PsiDecoder();
  PsiDecoder(const PsiDecoder&) = delete;
  PsiDecoder& operator=(const PsiDecoder&) = delete;

  // Each takes one whole packet (188 bytes, sync byte first) of its PID.
  void PushPat(const std::uint8_t* packet);
  void PushSdt(const std::uint8_t* packet);
  // PMT sections on `pid` are decoded for `program` from now on; asking again changes nothing.
  void WatchPmt(std::uint16_t pid, std::uint16_t program);
  void PushPmt(std::uint16_t pid, const std::uint8_t* packet);

  [[nodiscard]] std::uint64_t CrcErrors() const;

 private:
  struct Decoders;
  std::unique_ptr<Decoders> decoders_;
};

}  // namespace kestrine::stream
