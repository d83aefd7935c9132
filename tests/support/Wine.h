#pragma once

namespace kestrine::test {

// Whether the tests run under Wine (scripts/windows-check.sh), which lacks a few things
// Windows has; a test that needs one of them skips there and says which.
[[nodiscard]] bool UnderWine();

// Why an owner-only file cannot be checked there.
inline constexpr const char* kWineKeepsNoAccessList =
    "Wine keeps no access list a file was created with: it makes one up from the Unix mode";

}  // namespace kestrine::test
