#pragma once

// What the Windows twins in platform/ share; Windows builds only.

#include <string>
#include <string_view>
#include <system_error>

namespace kestrine::platform::windows {

// Win32 and Winsock error codes (GetLastError, WSAGetLastError) with the system's own
// texts (FormatMessage), in UTF-8.
[[nodiscard]] const std::error_category& ErrorCategory();
[[nodiscard]] std::error_code LastError();  // GetLastError() in that category

// UTF-16 to UTF-8, a lone surrogate as U+FFFD; UTF-8 to UTF-16, empty when it is not UTF-8.
[[nodiscard]] std::string Utf8FromWide(std::wstring_view wide);
[[nodiscard]] std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace kestrine::platform::windows
