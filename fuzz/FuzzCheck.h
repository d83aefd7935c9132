#pragma once

#include <cstdio>
#include <cstdlib>

namespace kestrine::fuzz {

// A broken promise of the code under test: say which, then stop so the engine keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

}  // namespace kestrine::fuzz
