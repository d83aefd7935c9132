#pragma once

#include <iosfwd>

namespace kestrine::cli {

// The whole command line program; returns its exit status. Streams are passed
// in so the program can be run inside a test.
int RunKestrinectl(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace kestrine::cli
