#include "exporter/ExporterTestTools.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "platform/Ipv4Text.h"
#include "platform/Socket.h"
#include "platform/Wait.h"

extern char** environ;

namespace kestrine::test {
namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Starts argv with stdout and stderr into `log` (and stdin from `input` when given).
pid_t Spawn(const std::vector<std::string>& argv, const std::filesystem::path& log, const std::filesystem::path& input,
            const std::vector<std::string>& environment = {}) {
  std::vector<char*> variables;  // ours first: a name given twice is looked up from the front
  for (const std::string& v : environment) variables.push_back(const_cast<char*>(v.c_str()));
  for (char** v = environ; *v != nullptr; ++v) variables.push_back(*v);
  variables.push_back(nullptr);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, input.empty() ? "/dev/null" : input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &files, nullptr, args.data(), variables.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

}  // namespace

HttpAnswer HttpRequest(std::uint16_t port, const std::string& method, const std::string& target,
                       const std::map<std::string, std::string>& headers, std::chrono::milliseconds limit) {
  HttpAnswer answer;
  const platform::Deadline deadline(limit);
  platform::Socket socket = platform::Socket::CreateStream();
  const std::uint32_t loopback = platform::HostToNetwork32(platform::kLoopbackHostOrder);
  if (!socket.IsValid() || !socket.Connect(loopback, port, limit, {})) return answer;
  std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
  for (const auto& [name, value] : headers) request += name + ": " + value + "\r\n";
  request += "\r\n";
  socket.Send(std::as_bytes(std::span(request.data(), request.size())));
  std::string reply;
  std::array<std::byte, 16384> buffer{};
  while (!deadline.Expired()) {
    const platform::Received got = socket.Receive(buffer, deadline.Remaining(), {});
    if (got.status != platform::ReceiveStatus::Data) break;
    reply.append(reinterpret_cast<const char*>(buffer.data()), got.count);
  }
  const std::size_t headerEnd = reply.find("\r\n\r\n");
  if (reply.rfind("HTTP/1.", 0) != 0 || headerEnd == std::string::npos || reply.size() < 12) return answer;
  answer.status = std::atoi(reply.substr(9, 3).c_str());
  answer.body = reply.substr(headerEnd + 4);
  return answer;
}

std::optional<std::filesystem::path> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& input,
                      const std::vector<std::string>& environment) {
  const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                    ("kestrine-run-" + std::to_string(::getpid()) + "-" +
                                     std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id())));
  ProgramRun run;
  const pid_t pid = Spawn(argv, log, input, environment);
  if (pid > 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  }
  run.output = ReadWhole(log);
  std::filesystem::remove(log);
  return run;
}

ProgramRun CheckMetrics(const std::filesystem::path& promtool, const std::string& exposition) {
  TempFolder folder("metrics");
  const std::filesystem::path file = folder.Path() / "exposition.txt";
  std::ofstream(file, std::ios::binary) << exposition;
  return RunProgram({promtool.string(), "check", "metrics"}, file);
}

TempFolder::TempFolder(const std::string& name) {
  std::string pattern = (std::filesystem::temp_directory_path() / ("kestrine-" + name + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, std::filesystem::path log)
    : pid_(Spawn(argv, log, {})), log_(std::move(log)) {}

ChildProcess::~ChildProcess() { Stop(); }

std::string ChildProcess::Output() const { return ReadWhole(log_); }

bool ChildProcess::AwaitOutput(const std::string& text, std::chrono::milliseconds limit) {
  const platform::Deadline deadline(limit);
  while (!deadline.Expired()) {
    if (Output().find(text) != std::string::npos) return true;
    if (AwaitExit(std::chrono::milliseconds(0)) != -1 || exited_) return Output().find(text) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

int ChildProcess::AwaitExit(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  const platform::Deadline deadline(limit);
  while (!exited_) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exited_ = true;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (deadline.Expired()) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return status_;
}

void ChildProcess::Stop() {
  if (pid_ <= 0 || exited_) return;
  ::kill(pid_, SIGTERM);
  if (AwaitExit(std::chrono::seconds(10)) == -1 && !exited_) {
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    exited_ = true;
  }
}

}  // namespace kestrine::test
