// kestrine-exporter under the load Prometheus puts on it:
//   a fleet of 1000 simulated encoders on 127.0.0.1 ... 127.0.3.232, each scraped
//   (module config) every 30 s, the scrapes spread evenly over the interval as
//   Prometheus spreads them, with the encoders' default 3 s exchange delay. The
//   exporter runs as its own process, so its CPU time (from /proc) and resident
//   memory are its own; the fleet and the scrapers run in this one.
//   Counters: scrapes per second, the exporter's CPU (% of one core and ms per
//   scrape), probe latency, failed scrapes, probes in flight at the peak.
// Also the cost of one answer's exposition alone.
// Run by hand: build/bench/exporter/exporter_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "exporter/ExporterTestTools.h"
#include "exporter/ProbeExposition.h"
#include "exporter/ProbeReport.h"
#include "sim/EncoderFleet.h"

namespace {

using namespace kestrine;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

// utime + stime of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));  // after the command name
  std::string field;
  double ticks = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);
    if (i == 15) break;
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The number on a line of /proc/PID/status (memory in KiB).
double StatusNumber(pid_t pid, const std::string& name) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(name + ":", 0) == 0) return std::stod(line.substr(name.size() + 1));
  }
  return 0;
}

void BM_ThousandEncodersEveryThirtySeconds(benchmark::State& state) {
  const std::size_t encoders = static_cast<std::size_t>(state.range(0));
  const milliseconds interval(state.range(1));
  const int rounds = static_cast<int>(state.range(2));
  RaiseOpenFileLimit();
  sim::FleetOptions options = sim::FleetOptions::ForTests(encoders);
  options.discovery = false;
  sim::EncoderFleet fleet(options);
  std::string error;
  if (!fleet.Start(error)) return state.SkipWithError(error.c_str());
  std::vector<std::string> targets;
  for (std::size_t i = 0; i < encoders; ++i) targets.push_back(fleet.Encoder(i).AddressText());

  test::TempFolder folder("exporter-bench");
  test::ChildProcess exporter(
      {KESTRINE_EXPORTER_PROGRAM, "--listen", "127.0.0.1:0", "--port", std::to_string(fleet.Encoder(0).ControlPort())},
      folder.Path() / "exporter.log");
  if (!exporter.AwaitOutput("listening on")) return state.SkipWithError("the exporter did not start");
  const std::string output = exporter.Output();
  const auto port = static_cast<std::uint16_t>(std::stoi(output.substr(output.rfind(':') + 1)));
  const pid_t pid = exporter.Pid();

  for (auto _ : state) {
    const std::size_t jobs = encoders * static_cast<std::size_t>(rounds);
    const auto spacing = std::chrono::duration_cast<Clock::duration>(interval) / encoders;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> failed{0};
    std::atomic<int> inFlight{0};
    std::atomic<int> peak{0};
    std::mutex lock;
    std::vector<double> latencies;
    latencies.reserve(jobs);
    const double cpuBefore = CpuSeconds(pid);
    const auto start = Clock::now();
    std::vector<std::thread> scrapers;
    // Enough scrapers that a free one waits for every scrape's turn.
    for (int w = 0; w < 256; ++w) {
      scrapers.emplace_back([&] {
        for (std::size_t job = next++; job < jobs; job = next++) {
          std::this_thread::sleep_until(start + spacing * job);
          const int now = ++inFlight;
          for (int seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
          }
          const auto begun = Clock::now();
          const test::HttpAnswer answer =
              test::HttpGet(port, "/probe?target=" + targets[job % encoders],
                            {{"X-Prometheus-Scrape-Timeout-Seconds", "10"}}, milliseconds(10000));
          const double seconds = std::chrono::duration<double>(Clock::now() - begun).count();
          --inFlight;
          if (answer.status != 200 || answer.body.find("\nkestrine_up 1\n") == std::string::npos) ++failed;
          const std::lock_guard<std::mutex> hold(lock);
          latencies.push_back(seconds);
        }
      });
    }
    for (std::thread& scraper : scrapers) scraper.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds(pid) - cpuBefore;
    state.SetIterationTime(wall);

    std::sort(latencies.begin(), latencies.end());
    const auto percentile = [&](double p) { return latencies[static_cast<std::size_t>(p * (latencies.size() - 1))]; };
    state.counters["scrapes_per_s"] = static_cast<double>(jobs) / wall;
    state.counters["exporter_cpu_pct"] = 100.0 * cpu / wall;
    state.counters["cpu_ms_per_scrape"] = 1000.0 * cpu / static_cast<double>(jobs);
    state.counters["p50_s"] = percentile(0.5);
    state.counters["p99_s"] = percentile(0.99);
    state.counters["failed"] = static_cast<double>(failed.load());
    state.counters["peak_in_flight"] = peak.load();
  }
  state.counters["exporter_rss_mib"] = StatusNumber(pid, "VmHWM") / 1024.0;
  state.counters["exporter_threads"] = StatusNumber(pid, "Threads");
}
BENCHMARK(BM_ThousandEncodersEveryThirtySeconds)
    ->ArgNames({"encoders", "interval_ms", "rounds"})
    ->Args({1000, 30000, 2})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void BM_Exposition(benchmark::State& state) {
  exporter::ProbeReport report;
  report.up = true;
  report.record.emplace();
  report.drift = exporter::DriftReport{true, {{"mux_bitrate", "4000", "3000"}}};
  for (auto _ : state) benchmark::DoNotOptimize(exporter::ExposeProbe(report));
}
BENCHMARK(BM_Exposition);

}  // namespace

BENCHMARK_MAIN();
