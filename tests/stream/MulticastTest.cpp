// Multicast only ever inside a network namespace this test makes itself: a group is not loopback, and out
// here a join or a send could reach the network.
#include <gtest/gtest.h>

#ifdef _WIN32
namespace kestrine::stream::test {
TEST(Multicast, TheSimulatorAndTheProbeAgreeOnAGroupAndOtherGroupsStayOut) {
  GTEST_SKIP() << "needs a network namespace of its own (Linux's unshare), which Windows does not have";
}
}  // namespace kestrine::stream::test
#else
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>

#include "platform/Ipv4Text.h"
#include "sim/EncoderFleet.h"
#include "sim/SimulatedEncoder.h"
#include "stream/StreamProbe.h"
#include "support/Eventually.h"

namespace kestrine::stream::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kNotPermitted = 77;

// A network namespace of this process's own, its loopback up and multicast routed to it; false (with the
// reason) where the system does not allow one.
bool EnterOwnNetwork(std::string& why) {
  if (::unshare(CLONE_NEWNET) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
    why = std::string("cannot make a network namespace (unshare: ") + std::strerror(errno) + ")";
    return false;
  }
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  ifreq lo{};
  std::strncpy(lo.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &lo) == 0;
  lo.ifr_flags = static_cast<short>(lo.ifr_flags | IFF_UP);
  up = up && ::ioctl(s, SIOCSIFFLAGS, &lo) == 0;
  rtentry route{};
  auto* destination = reinterpret_cast<sockaddr_in*>(&route.rt_dst);
  auto* mask = reinterpret_cast<sockaddr_in*>(&route.rt_genmask);
  destination->sin_family = mask->sin_family = AF_INET;
  destination->sin_addr.s_addr = htonl(0xE0000000);  // 224.0.0.0/4
  mask->sin_addr.s_addr = htonl(0xF0000000);
  route.rt_flags = RTF_UP;
  char device[] = "lo";
  route.rt_dev = device;
  const bool routed = up && ::ioctl(s, SIOCADDRT, &route) == 0;
  if (!routed) why = std::string("cannot set up the namespace's loopback: ") + std::strerror(errno);
  if (s >= 0) ::close(s);
  return routed;
}

void SendTo(sim::SimulatedEncoder encoder, const char* group, std::uint16_t port) {
  config::EncoderConfiguration record = encoder.Configuration();
  record.multicast_ip = platform::InetAddr(group);
  record.multicast_port = port;
  encoder.SetConfiguration(record);
  encoder.SetStreaming(true);
}

std::size_t DatagramsAt(const char* group, std::uint16_t port, std::ostream& report) {
  std::string error;
  std::optional<StreamReceiver> receiver =
      StreamReceiver::Open({platform::InetAddr(group), port, Framing::Udp}, "lo", error);
  if (!receiver) {
    report << "cannot listen at " << group << ": " << error << '\n';
    return 0;
  }
  std::size_t count = 0;
  receiver->ReceiveFor(400ms, [&](auto, auto) { ++count; }, {}, {});
  return count;
}

// Runs in the child: two encoders stream to two groups on one port; the probe of the first, joined on lo,
// must find its stream clean (so the second group's packets stayed out), and a third group gets nothing.
int StreamInOwnNetwork(std::ostream& report) {
  std::string why;
  if (!EnterOwnNetwork(why)) {
    report << why;
    return kNotPermitted;
  }
  sim::FleetOptions options = sim::FleetOptions::ForTests(2);
  options.multicastInterface = "lo";
  sim::EncoderFleet fleet(options);
  if (!fleet.Start(why)) {
    report << "the simulator did not start: " << why;
    return kFailed;
  }
  constexpr std::uint16_t kPort = 5004;
  SendTo(fleet.Encoder(0), "239.1.1.1", kPort);
  SendTo(fleet.Encoder(1), "239.1.1.2", kPort);
  for (std::size_t i = 0; i < 2; ++i) {
    if (!kestrine::test::Eventually([&] { return fleet.Encoder(i).Stream().sending; })) {
      report << "encoder " << i << " does not stream: " << fleet.Encoder(i).Stream().problem;
      return kFailed;
    }
  }
  ProbeOptions probe;
  probe.duration = 800ms;
  probe.interfaceName = "lo";
  const ProbeResult result = ProbeStream(fleet.Encoder(0).Configuration(), probe);
  for (const StreamFinding& f : result.findings) report << FindingKindName(f.kind) << ": " << f.text << '\n';
  const std::size_t other = DatagramsAt("239.1.1.2", kPort, report);
  const std::size_t none = DatagramsAt("239.1.1.3", kPort, report);
  report << "probe: " << SummaryText(result) << "; 239.1.1.2: " << other << " datagrams; 239.1.1.3: " << none;
  return result.Ok() && other > 0 && none == 0 ? kPassed : kFailed;
}

TEST(Multicast, TheSimulatorAndTheProbeAgreeOnAGroupAndOtherGroupsStayOut) {
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe[0]);
    std::ostringstream report;
    const int status = StreamInOwnNetwork(report);
    const std::string text = report.str();
    (void)!::write(pipe[1], text.data(), text.size());
    ::_exit(status);
  }
  ::close(pipe[1]);
  std::string text;
  char buffer[1024];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << text;
  if (WEXITSTATUS(status) == kNotPermitted) GTEST_SKIP() << text;
  EXPECT_EQ(WEXITSTATUS(status), kPassed) << text;
  std::cout << text << '\n';
}

}  // namespace
}  // namespace kestrine::stream::test
#endif
