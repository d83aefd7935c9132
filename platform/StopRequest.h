#pragma once

namespace kestrine::platform {

// The operator's request to end a program that serves until told to stop: Ctrl+C, or
// on POSIX a SIGTERM, on Windows Ctrl+Break or the console window closing. Create it
// first in main(), before any thread starts, so that a request made while the program
// is still starting up ends it cleanly too; then Await() returns once one came.
class StopRequest final {
 public:
  StopRequest();
  ~StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Await();
};

}  // namespace kestrine::platform
