#include "config/FleetAudit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using platform::InetAddr;

// A configuration no check objects to; encoder n gets its own address, group and device number.
AuditedEncoder SoundEncoder(int n) {
  EncoderConfiguration r;
  r.ipAddr = InetAddr(("10.0.0." + std::to_string(n + 1)).c_str());
  r.multicast_ip = InetAddr(("239.1.1." + std::to_string(n + 1)).c_str());
  r.multicast_port = 1234;
  r.sequence_number = n + 1;
  r.pmt_pid = 256;
  r.pcr_pid = 257;
  r.video_pid = 258;
  r.audio_pid = 0;  // unset PIDs take part in no check
  r.analog_channel_mode = 0;
  r.analog_bitrate = 192;
  r.video_bitrate = 3608;
  r.TS_bitrate = 3800;
  return {r.ipAddr, r, {}};
}

std::vector<AuditedEncoder> SoundFleet(int count) {
  std::vector<AuditedEncoder> fleet;
  for (int n = 0; n < count; ++n) fleet.push_back(SoundEncoder(n));
  return fleet;
}

struct Seen {
  std::string_view severity;
  std::string_view kind;
  std::vector<std::size_t> encoders;
  std::string text;
  friend bool operator==(const Seen&, const Seen&) = default;
};

std::vector<Seen> Summary(const std::vector<AuditFinding>& findings) {
  std::vector<Seen> seen;
  for (const AuditFinding& f : findings) {
    seen.push_back({SeverityName(f.severity), FindingKindName(f.kind), f.encoders, f.text});
  }
  return seen;
}

TEST(FleetAudit, ASoundFleetHasNoFinding) {
  const auto fleet = SoundFleet(5);
  EXPECT_TRUE(AuditFleet(fleet).empty());
  EXPECT_FALSE(HasErrorFinding(AuditFleet(fleet)));
}

TEST(FleetAudit, ReportsEveryKindErrorsFirstWithTheEncodersInvolved) {
  auto fleet = SoundFleet(9);
  fleet[6].record->sequence_number = 2;                            // same device number as encoder 1
  fleet[5].record->ipAddr = InetAddr("10.0.0.50");                 // not where it was reached
  fleet[0].record->multicast_ip = fleet[3].record->multicast_ip;   // same group and port
  fleet[1].record->multicast_ip = InetAddr("240.1.1.1");
  fleet[2].record->ipAddr = fleet[4].record->ipAddr;               // also reached elsewhere than it reports
  fleet[3].record->audio_pid = 257;
  fleet[4].record->video_pid = 8191;
  fleet[4].record->TS_bitrate = 3700;
  fleet[7].record->analog_channel_mode = 3;                        // 192 is offered in single mode, 224 is not
  fleet[7].record->analog_bitrate = 224;
  fleet[7].record->TS_bitrate = 4000;
  fleet[8].record.reset();
  fleet[8].failure = "Connect TAVRIX Failed !";

  const auto findings = AuditFleet(fleet);
  EXPECT_TRUE(HasErrorFinding(findings));
  const std::vector<Seen> expected{
      {"error", "multicast-collision", {0, 3}, "all send to 239.1.1.4:1234"},
      {"error", "multicast-address", {1}, "multicast_ip 240.1.1.1 is in the reserved block 240.0.0.0/4"},
      {"error", "duplicate-ip", {2, 4}, "all report ipAddr 10.0.0.5"},
      {"error", "pid-clash", {3}, "pcr_pid and audio_pid are both 257"},
      {"error", "pid-range", {4}, "video_pid 8191 is outside 32..8190"},
      {"error", "bitrate-budget", {4}, "TS_bitrate 3700 is below video_bitrate 3608 + analog_bitrate 192"},
      {"error", "audio-bitrate", {7}, "analog_bitrate 224 is not offered for analog_channel_mode 3 (single)"},
      {"error", "unreadable", {8}, "Connect TAVRIX Failed !"},
      {"warning", "address-mismatch", {2}, "reports ipAddr 10.0.0.5, not the address it was reached at"},
      {"warning", "address-mismatch", {5}, "reports ipAddr 10.0.0.50, not the address it was reached at"},
      {"warning", "duplicate-device-number", {1, 6}, "all report sequence_number 2"},
  };
  EXPECT_EQ(Summary(findings), expected);
}

TEST(FleetAudit, ForbiddenDestinationBoundsAndSharedPids) {
  // A unicast destination is a point-to-point stream; no stream goes to 0.0.0.0, a broadcast, the
  // control block or the reserved block.
  const std::vector<std::pair<const char*, bool>> cases{
      {"0.0.0.0", false},        {"0.0.0.1", true},    {"10.1.1.1", true},         {"127.0.0.1", true},
      {"223.255.255.255", true}, {"224.0.0.1", false}, {"224.0.0.255", false},     {"224.0.1.0", true},
      {"239.255.255.255", true}, {"240.0.0.0", false}, {"255.255.255.254", false}, {"255.255.255.255", false}};
  for (const auto& [address, sound] : cases) {
    auto fleet = SoundFleet(1);
    fleet[0].record->multicast_ip = InetAddr(address);
    EXPECT_EQ(AuditFleet(fleet).empty(), sound) << address;
  }
  auto broadcast = SoundFleet(1);  // inside 240.0.0.0/4 too, but said as what it is
  broadcast[0].record->multicast_ip = InetAddr("255.255.255.255");
  EXPECT_EQ(AuditFleet(broadcast)[0].text, "multicast_ip 255.255.255.255 is the limited broadcast address");
  auto fleet = SoundFleet(1);
  fleet[0].record->audio_pid = 256;
  fleet[0].record->video_pid = 256;
  const auto findings = Summary(AuditFleet(fleet));
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].text, "pmt_pid, video_pid and audio_pid are all 256");
}

}  // namespace
}  // namespace kestrine::config
