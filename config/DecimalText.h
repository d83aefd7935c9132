#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrine::config {

// The C library's atoi, made total: optional leading blanks, an optional sign,
// then decimal digits up to the first other character; no digits gives 0. A
// value beyond 32 bits saturates at INT32_MAX / INT32_MIN instead of wrapping.
[[nodiscard]] std::int32_t Atoi(std::string_view text);

// Base 10 with a leading "-" for negative values, as _itoa(value, buf, 10).
[[nodiscard]] std::string FormatDecimal(std::int32_t value);

}  // namespace kestrine::config
