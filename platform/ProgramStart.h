#pragma once

#include <string>
#include <vector>

namespace kestrine::platform {

// What a command-line program does first, from its main(). Its arguments become UTF-8
// (on Windows taken from the UTF-16 command line: the ANSI code page would turn what it
// cannot show into '?'), and standard output and error pass every byte through as it is
// (Windows would make each LF a CR LF), so a document goes out exactly as it came and
// both systems print the same bytes. A Windows console shows that UTF-8 while the
// program runs.
class ProgramStart final {
 public:
  ProgramStart(int argc, char** argv);
  ~ProgramStart();
  ProgramStart(const ProgramStart&) = delete;
  ProgramStart& operator=(const ProgramStart&) = delete;

  [[nodiscard]] int Argc() const { return static_cast<int>(arguments_.size()); }
  // NULL-terminated like main()'s, valid while this object lives.
  [[nodiscard]] char** Argv() { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;
  [[maybe_unused]] unsigned consoleCodePage_ = 0;  // the console's own, put back at the end (Windows only)
};

}  // namespace kestrine::platform
