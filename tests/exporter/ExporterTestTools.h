#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace kestrine::test {

struct HttpAnswer {
  int status = 0;  // 0: no answer within the limit
  std::string body;
};

// One HTTP/1.0 request to 127.0.0.1:port, read until the server closes or `limit` passes.
[[nodiscard]] HttpAnswer HttpRequest(std::uint16_t port, const std::string& method, const std::string& target,
                                     const std::map<std::string, std::string>& headers = {},
                                     std::chrono::milliseconds limit = std::chrono::seconds(20));
[[nodiscard]] inline HttpAnswer HttpGet(std::uint16_t port, const std::string& target,
                                        const std::map<std::string, std::string>& headers = {},
                                        std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  return HttpRequest(port, "GET", target, headers, limit);
}

// A program on PATH, as the shell would find it.
[[nodiscard]] std::optional<std::filesystem::path> FindProgram(const std::string& name);

struct ProgramRun {
  int status = -1;
  std::string output;  // stdout and stderr together
};
// Runs a program to its end, its input from `input` (a file) when given, with
// `environment` ("NAME=value") added to this process's own.
[[nodiscard]] ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& input = {},
                                    const std::vector<std::string>& environment = {});

// `promtool check metrics` on the text; the run's status 0 means the exposition is sound.
[[nodiscard]] ProgramRun CheckMetrics(const std::filesystem::path& promtool, const std::string& exposition);

// A folder of its own under the test's temporary folder, removed with it.
class TempFolder final {
 public:
  explicit TempFolder(const std::string& name);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A program running beside the test, its output (stdout and stderr) in a file;
// stopped with SIGTERM (then SIGKILL) when it goes.
class ChildProcess final {
 public:
  ChildProcess(const std::vector<std::string>& argv, std::filesystem::path log);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] bool Started() const { return pid_ > 0; }
  [[nodiscard]] pid_t Pid() const { return pid_; }
  [[nodiscard]] std::string Output() const;
  // Waits until the output holds `text`; false when the program ended or the limit passed first.
  bool AwaitOutput(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Waits for the program to end on its own; its exit status, or -1 when the limit passed.
  int AwaitExit(std::chrono::milliseconds limit);
  void Stop();

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::filesystem::path log_;
};

}  // namespace kestrine::test
