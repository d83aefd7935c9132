#include "config/Gb18030Codec.h"

#include <iconv.h>

namespace kestrine::config::gb18030 {
namespace {

constexpr const char* kGb18030 = "GB18030";
constexpr const char* kUtf8 = "UTF-8";

// One conversion descriptor for one call: iconv keeps shift state in it, so it is never shared.
class Converter final {
 public:
  Converter(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
  ~Converter() {
    if (IsOpen()) ::iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  [[nodiscard]] bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can into `out`; answers false at a sequence it cannot convert,
  // with `in` then starting at that sequence.
  bool Convert(std::string_view& in, std::string& out) {
    // Four output bytes per input byte hold any GB18030 <-> UTF-8 conversion.
    std::string buffer(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());  // iconv's signature; the input is never written
    std::size_t inLeft = in.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t rc = ::iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    in.remove_prefix(in.size() - inLeft);
    return rc != static_cast<std::size_t>(-1) && inLeft == 0;
  }

 private:
  iconv_t handle_;
};

std::optional<std::string> ConvertStrictly(const char* to, const char* from, std::string_view text) {
  Converter converter(to, from);
  if (!converter.IsOpen()) return std::nullopt;
  std::string out;
  if (!converter.Convert(text, out)) return std::nullopt;
  return out;
}

}  // namespace

bool Available() { return Converter(kUtf8, kGb18030).IsOpen(); }

std::optional<std::string> ToUtf8(std::string_view gb18030) { return ConvertStrictly(kUtf8, kGb18030, gb18030); }

std::optional<std::string> FromUtf8(std::string_view utf8) { return ConvertStrictly(kGb18030, kUtf8, utf8); }

bool DecodeSome(std::string_view& in, std::string& out) {
  Converter converter(kUtf8, kGb18030);
  return converter.IsOpen() && converter.Convert(in, out);
}

}  // namespace kestrine::config::gb18030
