#include "sim/FleetCore.h"

#include <array>

#include "platform/Ipv4Text.h"

namespace kestrine::sim {

void FleetCore::WakeServingThread() {
  const std::array<std::byte, 1> poke{std::byte{1}};
  // Unsent, the poke only costs time: the serving thread looks at the core at least once a second anyway.
  (void)wakeSender.SendTo(poke, platform::HostToNetwork32(platform::kLoopbackHostOrder), wakePort);
}

void FleetCore::ApplyChanges(std::unique_lock<std::mutex>& lock) {
  if (!running) return;
  const std::uint64_t mine = ++changesRequested;
  WakeServingThread();
  changesApplied.wait(lock, [&] { return changesDone >= mine || !running; });
}

}  // namespace kestrine::sim
