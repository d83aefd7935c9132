// The transport stream's costs:
//   the analyser (kestrinectl probe's per-packet work) on 1 and 100 streams of 8 Mbit/s, as Mbit/s
//   analysed per CPU second, and the share of one core 100 streams (800 Mbit/s) take;
//   the generator alone, in packets per CPU second;
//   a simulated fleet of 100 encoders streaming at 4 Mbit/s to receivers on loopback: the simulator's
//   CPU (getrusage: the process less the thread that receives), as a share of one core.
// Run by hand: build/bench/stream/stream_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"
#include "platform/SocketPoll.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatedEncoder.h"
#include "stream/PacedStream.h"
#include "stream/StreamAnalyser.h"
#include "stream/StreamLayout.h"
#include "stream/StreamReceiver.h"
#include "stream/TransportStreamGenerator.h"

namespace {

using namespace kestrine;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Datagram {
  std::vector<std::uint8_t> bytes;
  Clock::time_point arrival;
};

// `seconds` of one encoder's stream at `kbps`, as datagrams with the times they are due.
std::vector<Datagram> Stream(int kbps, int seconds) {
  stream::StreamLayout layout;
  layout.muxBitsPerSecond = std::int64_t{kbps} * 1000;
  layout.videoBitsPerSecond = layout.muxBitsPerSecond;
  layout.serviceName = "Bench";
  layout.providerName = "Kestrine";
  std::string whyNot;
  std::optional<stream::TransportStreamGenerator> generator =
      stream::TransportStreamGenerator::Create(layout, {}, whyNot);
  std::vector<Datagram> datagrams;
  stream::PacedStream paced(std::move(*generator), stream::Framing::Udp, 1, Clock::time_point{});
  for (auto at = Clock::time_point{}; at <= Clock::time_point{} + std::chrono::seconds(seconds); at += 1ms) {
    paced.SendDue(at, [&](std::span<const std::uint8_t> d) { datagrams.push_back({{d.begin(), d.end()}, at}); });
  }
  return datagrams;
}

double ProcessCpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Takes in whatever arrives on the sockets for `duration`, handing each datagram to `take`.
template <typename Take>
void Drain(std::vector<platform::Socket>& sockets, std::chrono::milliseconds duration, Take&& take) {
  std::vector<platform::PollEntry> entries;
  for (const platform::Socket& s : sockets) entries.push_back({s.Native(), true});
  std::vector<std::byte> buffer(2048);
  const auto start = Clock::now();
  while (Clock::now() - start < duration) {
    for (auto& e : entries) e.readable = false;
    if (platform::PollSockets(entries, 20ms) <= 0) continue;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!entries[i].readable) continue;
      for (;;) {
        const platform::Received got = sockets[i].ReceiveFrom(buffer, 0ms, {});
        if (got.status != platform::ReceiveStatus::Data) break;
        take(i, std::span(reinterpret_cast<const std::uint8_t*>(buffer.data()), got.count));
      }
    }
  }
}

// Mbit_per_cpu_s: what one core analyses in a second; core_share_at_800Mbit: the part of one core that
// 800 Mbit/s (100 streams of 8 Mbit/s) take. Each iteration is one second of every stream, fed datagram by
// datagram in arrival order across the streams, each stream to its own analyser.
void BM_AnalyseStreams(benchmark::State& state) {
  const auto streams = static_cast<std::size_t>(state.range(0));
  const std::vector<Datagram> one = Stream(8000, 1);
  std::vector<std::unique_ptr<stream::StreamAnalyser>> analysers;
  for (std::size_t i = 0; i < streams; ++i) analysers.push_back(std::make_unique<stream::StreamAnalyser>());
  std::size_t bytes = 0;
  Clock::duration offset{};
  for (auto _ : state) {
    for (const Datagram& d : one) {
      for (auto& analyser : analysers) analyser->Feed(d.bytes, d.arrival + offset);
    }
    offset += 1s;
    bytes += one.size() * one.front().bytes.size() * streams;
  }
  benchmark::DoNotOptimize(analysers.front()->Measure());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["Mbit_per_cpu_s"] =
      benchmark::Counter(static_cast<double>(bytes) * 8 / 1e6, benchmark::Counter::kIsRate);
  // CPU seconds per second of 800 Mbit/s: the CPU time over the seconds of 800 Mbit/s that were analysed.
  state.counters["core_share_at_800Mbit"] = benchmark::Counter(
      static_cast<double>(bytes) * 8 / 800e6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnalyseStreams)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// As kestrinectl probe does it, with the sockets: 100 streams of 8 Mbit/s sent on loopback by another thread,
// received and analysed by one. receiver_cpu_share: that thread's CPU over the wall time;
// at_800Mbit: the same scaled to 800 Mbit/s (the sender may not manage all of it on a loaded host).
void BM_ReceiveAndAnalyse(benchmark::State& state) {
  const auto streams = static_cast<std::size_t>(state.range(0));
  const std::vector<Datagram> one = Stream(8000, 1);
  std::vector<platform::Socket> sockets;
  std::vector<std::unique_ptr<stream::StreamAnalyser>> analysers;
  for (std::size_t i = 0; i < streams; ++i) {
    platform::Socket socket = platform::Socket::CreateDatagram();
    socket.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), 0);
    (void)socket.SetReceiveBufferSize(4 << 20);
    sockets.push_back(std::move(socket));
    analysers.push_back(std::make_unique<stream::StreamAnalyser>());
  }
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    platform::Socket out = platform::Socket::CreateDatagram();
    const auto start = Clock::now();
    std::size_t next = 0;
    while (sending) {
      // Each datagram of the second goes to every stream when it is due.
      const auto due =
          start + (one[next % one.size()].arrival - Clock::time_point{}) + std::chrono::seconds(next / one.size());
      if (Clock::now() < due) {
        std::this_thread::sleep_for(200us);
        continue;
      }
      const auto& bytes = one[next % one.size()].bytes;
      for (const platform::Socket& s : sockets) {
        (void)out.SendTo(std::as_bytes(std::span(bytes)), platform::HostToNetwork32(platform::kLoopbackHostOrder),
                         s.LocalPort());
      }
      ++next;
    }
  });
  std::size_t bytes = 0;
  double wall = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double before = ProcessCpuSeconds(RUSAGE_THREAD);
    const auto start = Clock::now();
    Drain(sockets, 2s, [&](std::size_t i, std::span<const std::uint8_t> datagram) {
      analysers[i]->Feed(datagram, Clock::now());
      bytes += datagram.size();
    });
    wall += std::chrono::duration<double>(Clock::now() - start).count();
    cpu += ProcessCpuSeconds(RUSAGE_THREAD) - before;
  }
  sending = false;
  sender.join();
  const double mbits = static_cast<double>(bytes) * 8 / 1e6 / wall;
  state.counters["received_Mbit_per_s"] = mbits;
  state.counters["receiver_cpu_share"] = cpu / wall;
  state.counters["at_800Mbit"] = cpu / wall * 800 / mbits;
}
BENCHMARK(BM_ReceiveAndAnalyse)->Arg(100)->Iterations(2)->Unit(benchmark::kMillisecond);

// The whole result once the datagrams are in: tables, PCR pairs, rates (5 s of one stream).
void BM_MeasureAfterFiveSeconds(benchmark::State& state) {
  const std::vector<Datagram> five = Stream(8000, 5);
  stream::StreamAnalyser analyser;
  for (const Datagram& d : five) analyser.Feed(d.bytes, d.arrival);
  for (auto _ : state) benchmark::DoNotOptimize(analyser.Measure());
}
BENCHMARK(BM_MeasureAfterFiveSeconds)->Unit(benchmark::kMicrosecond);

void BM_GeneratePackets(benchmark::State& state) {
  stream::StreamLayout layout;
  std::string whyNot;
  std::optional<stream::TransportStreamGenerator> generator =
      stream::TransportStreamGenerator::Create(layout, {}, whyNot);
  stream::Packet packet;
  for (auto _ : state) {
    generator->NextPacket(packet);
    benchmark::DoNotOptimize(packet);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeneratePackets);

// sim_cpu_share: the simulator's CPU over the wall time, one core being 1; datagrams_per_s: what the
// receivers took in (100 encoders at 4 Mbit/s send 100 * 4e6 / (1316 * 8) = 38,000 a second).
void BM_SimulatorStreams(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  sim::EncoderFleet fleet(sim::FleetOptions::ForTests(count));
  std::string error;
  if (!fleet.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::vector<platform::Socket> sockets;
  for (std::size_t i = 0; i < count; ++i) {
    platform::Socket socket = platform::Socket::CreateDatagram();
    socket.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), 0);
    (void)socket.SetReceiveBufferSize(1 << 20);
    config::EncoderConfiguration record = fleet.Encoder(i).Configuration();
    record.multicast_port = socket.LocalPort();
    fleet.Encoder(i).SetConfiguration(record);
    fleet.Encoder(i).SetStreaming(true);
    sockets.push_back(std::move(socket));
  }
  double simCpu = 0;
  double wall = 0;
  std::size_t datagrams = 0;
  for (auto _ : state) {
    const double processBefore = ProcessCpuSeconds(RUSAGE_SELF);
    const double mineBefore = ProcessCpuSeconds(RUSAGE_THREAD);
    const auto start = Clock::now();
    Drain(sockets, 2s, [&](std::size_t, std::span<const std::uint8_t>) { ++datagrams; });
    wall += std::chrono::duration<double>(Clock::now() - start).count();
    simCpu += (ProcessCpuSeconds(RUSAGE_SELF) - processBefore) - (ProcessCpuSeconds(RUSAGE_THREAD) - mineBefore);
  }
  state.counters["sim_cpu_share"] = simCpu / wall;
  state.counters["datagrams_per_s"] = static_cast<double>(datagrams) / wall;
  state.counters["expected_per_s"] = static_cast<double>(count) * 4e6 / (1316 * 8);
}
BENCHMARK(BM_SimulatorStreams)->Arg(100)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
