#include "platform/WindowsApi.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <array>

namespace kestrine::platform::windows {
namespace {

// The codes this program meets: the portable condition callers compare against, and a
// name to show where the system has no text for it (Wine has none for Winsock's).
struct KnownCode {
  int code;
  std::errc condition;
  const char* name;
};
constexpr std::array<KnownCode, 16> kKnownCodes{{
    {ERROR_FILE_NOT_FOUND, std::errc::no_such_file_or_directory, "ERROR_FILE_NOT_FOUND"},
    {ERROR_PATH_NOT_FOUND, std::errc::no_such_file_or_directory, "ERROR_PATH_NOT_FOUND"},
    {ERROR_ACCESS_DENIED, std::errc::permission_denied, "ERROR_ACCESS_DENIED"},
    {ERROR_FILE_EXISTS, std::errc::file_exists, "ERROR_FILE_EXISTS"},
    {ERROR_ALREADY_EXISTS, std::errc::file_exists, "ERROR_ALREADY_EXISTS"},
    {ERROR_DISK_FULL, std::errc::no_space_on_device, "ERROR_DISK_FULL"},
    {ERROR_HANDLE_DISK_FULL, std::errc::no_space_on_device, "ERROR_HANDLE_DISK_FULL"},
    {ERROR_SHARING_VIOLATION, std::errc::device_or_resource_busy, "ERROR_SHARING_VIOLATION"},
    {WSAECONNREFUSED, std::errc::connection_refused, "WSAECONNREFUSED"},
    {WSAECONNRESET, std::errc::connection_reset, "WSAECONNRESET"},
    {WSAETIMEDOUT, std::errc::timed_out, "WSAETIMEDOUT"},
    {WSAEADDRINUSE, std::errc::address_in_use, "WSAEADDRINUSE"},
    {WSAEADDRNOTAVAIL, std::errc::address_not_available, "WSAEADDRNOTAVAIL"},
    {WSAEWOULDBLOCK, std::errc::operation_would_block, "WSAEWOULDBLOCK"},
    {WSAEMFILE, std::errc::too_many_files_open, "WSAEMFILE"},
    {WSAENETUNREACH, std::errc::network_unreachable, "WSAENETUNREACH"},
}};

const KnownCode* Find(int code) {
  const auto* known =
      std::find_if(kKnownCodes.begin(), kKnownCodes.end(), [code](const KnownCode& entry) { return entry.code == code; });
  return known == kKnownCodes.end() ? nullptr : known;
}

class SystemErrorCategory final : public std::error_category {
 public:
  [[nodiscard]] const char* name() const noexcept override { return "windows"; }

  [[nodiscard]] std::error_condition default_error_condition(int code) const noexcept override {
    if (const KnownCode* known = Find(code)) return std::make_error_condition(known->condition);
    return std::error_condition(code, *this);
  }

  [[nodiscard]] std::string message(int code) const override {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
    if (text != nullptr) ::LocalFree(text);
    // The system's texts end with a full stop and a line break; ours go on after them.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
      message.pop_back();
    }
    if (!message.empty()) return message;
    const KnownCode* known = Find(code);
    return (known != nullptr ? std::string(known->name) : std::string("error")) + " (" + std::to_string(code) + ")";
  }
};

}  // namespace

const std::error_category& ErrorCategory() {
  static const SystemErrorCategory category;
  return category;
}

std::error_code LastError() { return std::error_code(static_cast<int>(::GetLastError()), ErrorCategory()); }

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), units);
  return wide;
}

}  // namespace kestrine::platform::windows
