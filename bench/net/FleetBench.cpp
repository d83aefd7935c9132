// Fleet-sized work against simulated encoders on loopback:
//   discovery of a 1000-encoder fleet replying at once, and kestrinectl's
//   messages and set over many encoders, with and without the encoders' 3 s delay;
//   the kestrinectl program itself (its own process: wall time and peak resident
//   memory) for messages and audit over 1 and 1000 encoders at its default concurrency.
// Run by hand: build/bench/net/net_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Kestrinectl.h"
#include "net/Discovery.h"
#include "net/OperatorFeedback.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "platform/Wait.h"
#include "sim/EncoderFleet.h"

namespace {

using namespace kestrine;

void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

std::unique_ptr<sim::EncoderFleet> StartFleet(std::size_t count, benchmark::State& state) {
  RaiseOpenFileLimit();
  auto fleet = std::make_unique<sim::EncoderFleet>(sim::FleetOptions::ForTests(count));
  std::string error;
  if (!fleet->Start(error)) {
    state.SkipWithError(("fleet did not start: " + error).c_str());
    return nullptr;
  }
  return fleet;
}

class QuietFeedback final : public net::UnattendedFeedback {
 public:
  void ShowMessage(net::MessageStyle, net::MessageOwner, std::string_view) override {}
  void ExplainFailure(std::string_view) override {}
};

// found/sent: how many of the fleet's replies the search handed on; last_reply_ms:
// when the last of them arrived, from the request.
void BM_DiscoverFleet(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  auto fleet = StartFleet(count, state);
  if (!fleet) return;
  net::NetworkSettings settings;
  settings.discoveryPort = fleet->DiscoveryPort();
  settings.timings.discoveryWindow = std::chrono::milliseconds(1500);
  QuietFeedback feedback;
  double found = 0;
  double lastReplyMs = 0;
  for (auto _ : state) {
    std::size_t accepted = 0;
    const auto started = std::chrono::steady_clock::now();
    net::SearchDevices(0x7FFFFFFF, settings, feedback, [&](const std::string&) {
      ++accepted;
      lastReplyMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    });
    found = static_cast<double>(accepted);
  }
  state.counters["sent"] = static_cast<double>(count);
  state.counters["found"] = found;
  state.counters["last_reply_ms"] = lastReplyMs;
}
BENCHMARK(BM_DiscoverFleet)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int RunCli(std::vector<std::string> args) {
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  return cli::RunKestrinectl(static_cast<int>(argv.size()), argv.data(), out, err);
}

std::vector<std::string> FleetArguments(sim::EncoderFleet& fleet, std::int64_t delayMs, std::int64_t jobs) {
  return {"kestrinectl",      "--port", std::to_string(fleet.Encoder(0).ControlPort()), "--exchange-delay",
          std::to_string(delayMs), "--jobs", std::to_string(jobs)};
}

void AppendAddresses(std::vector<std::string>& args, sim::EncoderFleet& fleet, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) args.push_back(fleet.Encoder(i).AddressText());
}

// kestrinectl messages over the whole fleet: args are (encoders, exchange delay ms, jobs).
void BM_MessagesOverFleet(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  auto fleet = StartFleet(count, state);
  if (!fleet) return;
  std::vector<std::string> args = FleetArguments(*fleet, state.range(1), state.range(2));
  args.push_back("messages");
  AppendAddresses(args, *fleet, count);
  for (auto _ : state) {
    if (RunCli(args) != 0) state.SkipWithError("messages failed");
  }
  state.counters["encoders"] = static_cast<double>(count);
}
BENCHMARK(BM_MessagesOverFleet)
    ->Args({1000, 0, 64})
    ->Args({1000, 0, 1000})
    ->Args({1, 3000, 64})
    ->Args({1000, 3000, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// kestrinectl set (read, judge, write) over a fleet: args are (encoders, exchange delay ms, jobs).
void BM_SetOverFleet(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  auto fleet = StartFleet(count, state);
  if (!fleet) return;
  std::vector<std::string> args = FleetArguments(*fleet, state.range(1), state.range(2));
  args.insert(args.end(), {"set", "--password", fleet->Encoder(0).Password(), "sequence_number=9"});
  AppendAddresses(args, *fleet, count);
  for (auto _ : state) {
    if (RunCli(args) != 0) state.SkipWithError("set failed");
  }
  state.counters["encoders"] = static_cast<double>(count);
}
BENCHMARK(BM_SetOverFleet)
    ->Args({1, 0, 64})
    ->Args({100, 0, 64})
    ->Args({1, 3000, 64})
    ->Args({100, 3000, 64})
    ->Args({100, 3000, 100})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// kestrinectl as its own process, stdout and stderr to /dev/null; returns its exit status and peak RSS.
struct ProgramRun {
  int status = -1;
  double peakRssMb = 0;
};

ProgramRun RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1);  // not the fleet's sockets
  pid_t child = 0;
  ProgramRun run;
  if (posix_spawn(&child, KESTRINECTL_PROGRAM, &files, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.peakRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  }
  posix_spawn_file_actions_destroy(&files);
  return run;
}

// kestrinectl COMMAND over the fleet with the encoders' own 3000 ms exchange delay and no --jobs:
// args are (encoders, command: 0 messages, 1 audit). The figure to compare is 1000 against 1.
void BM_ProgramOverFleet(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  auto fleet = StartFleet(count, state);
  if (!fleet) return;
  std::vector<std::string> args{KESTRINECTL_PROGRAM, "--port", std::to_string(fleet->Encoder(0).ControlPort()),
                                state.range(1) == 0 ? "messages" : "audit"};
  AppendAddresses(args, *fleet, count);
  ProgramRun run;
  for (auto _ : state) {
    run = RunProgram(args);
    // audit exits 1 for error findings; a fleet this large repeats device numbers, which are warnings only.
    if (run.status != 0) state.SkipWithError("kestrinectl failed");
  }
  state.counters["encoders"] = static_cast<double>(count);
  state.counters["peak_rss_mb"] = run.peakRssMb;
}
BENCHMARK(BM_ProgramOverFleet)
    ->ArgNames({"encoders", "audit"})
    ->Args({1, 0})
    ->Args({1000, 0})
    ->Args({1, 1})
    ->Args({1000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
