#include "platform/ProgramStart.h"

namespace kestrine::platform {

// Arguments are bytes already, and standard output has no text mode.
ProgramStart::ProgramStart(int argc, char** argv) : arguments_(argv, argv + argc) {
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
}

ProgramStart::~ProgramStart() = default;

}  // namespace kestrine::platform
