// kestrinectl's fleet commands (--json, show's masking, apply, audit) against simulated fleets on loopback.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>


#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "cli/Commands.h"
#include "cli/ConsoleFeedback.h"
#include "cli/FleetCommand.h"
#include "cli/Kestrinectl.h"
#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"
#include "sim/EncoderFleet.h"
#include "support/Eventually.h"
#include "support/Gb18030.h"
#include "tests/cli/InProcessRun.h"

namespace kestrine::cli {
namespace {

using nlohmann::json;

constexpr std::string_view kGbNews = "\xD0\xC2\xCE\xC5";       // GB2312 "新闻"
constexpr std::string_view kUtf8News = "\xE6\x96\xB0\xE9\x97\xBB";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

using Result = test::CommandResult;

bool Lists(const json& array, const json& value) { return std::find(array.begin(), array.end(), value) != array.end(); }

// Each job's lines come whole, in the order the encoders were given, whatever order the jobs end in.
TEST(FleetCommandOutput, EachJobsLinesInTheOrderGivenAndAThrowingJobFailsAlone) {
  GlobalOptions options;
  const std::vector<Target> targets{ParseTarget("10.0.0.1"), ParseTarget("10.0.0.2"), ParseTarget("10.0.0.3")};
  std::ostringstream out;
  std::ostringstream err;
  const FleetRun run =
      RunEncoderJobs(options, targets,
                     [](std::size_t index, JobOutput& output, Json&) {
                       std::this_thread::sleep_for(std::chrono::milliseconds(10 * (3 - static_cast<int>(index))));
                       if (index == 1) throw std::runtime_error("boom");
                       output.Print(Stream::Out, "", "job " + std::to_string(index));
                       output.Print(Stream::Err, "", "said\n");
                       return true;
                     },
                     {out, err});
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(out.str(), "job 0\njob 2\n");
  EXPECT_EQ(err.str(), "said\nboom\nsaid\n");  // a text's own line feed is not doubled
  EXPECT_EQ(run.entries[1]["error"], "boom");
}

class FleetCommands : public ::testing::Test {
 protected:
  void SetUp() override { StartFleet(4); }

  void StartFleet(std::size_t count) {
    fleet_ = std::make_unique<sim::EncoderFleet>(sim::FleetOptions::ForTests(count));
    std::string error;
    ASSERT_TRUE(fleet_->Start(error)) << error;
  }

  Result Run(const std::vector<std::string>& args) { return test::RunAgainst(*fleet_, args); }

  sim::SimulatedEncoder Encoder(std::size_t index) { return fleet_->Encoder(index); }
  std::string Address(std::size_t index) { return Encoder(index).AddressText(); }

  void Change(std::size_t index, const std::function<void(config::EncoderConfiguration&)>& edit) {
    config::EncoderConfiguration record = Encoder(index).Configuration();
    edit(record);
    Encoder(index).SetConfiguration(record);
  }

  std::filesystem::path TempFile(const std::string& name, std::string_view content) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kestrinectl-" + name + "-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path, std::ios::binary) << content;
    files_.push_back(path);
    return path;
  }

  void TearDown() override {
    for (const auto& file : files_) std::filesystem::remove(file);
  }

  std::unique_ptr<sim::EncoderFleet> fleet_;
  std::vector<std::filesystem::path> files_;
};

// ---- --json: one document per command, parsed back --------------------------------

TEST_F(FleetCommands, EveryCommandPrintsOneJsonDocumentWithPerEncoderResults) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  Encoder(0).SetMessageRing(0, {std::string(kGbNews), "\xFFok", "", "", "", "", "", "", "", ""});
  Encoder(3).SetRefuseConnections(true);

  const Result messages = Run({"--json", "messages", Address(0), Address(3)});
  EXPECT_EQ(messages.status, 1);
  const json m = messages.Json();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0]["address"], Address(0));
  EXPECT_EQ(m[0]["ok"], true);
  EXPECT_EQ(m[0]["messages"], json::array({std::string(kUtf8News), std::string(kUtf8Replacement) + "ok"}));
  EXPECT_EQ(m[0]["undecodable"], true);  // reported, not dropped
  EXPECT_EQ(m[1]["ok"], false);
  EXPECT_FALSE(m[1]["error"].get<std::string>().empty());

  const Result discover = Run({"discover", "127.255.255.255", "--window", "300", "--json"});
  EXPECT_EQ(discover.status, 0);
  const json d = discover.Json();
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[1], json({{"address", Address(1)}}));

  Change(1, [](auto& r) { config::StoreText(r.prg_name, kGbNews); });
  const Result read = Run({"read", Address(1), "--json"});
  EXPECT_EQ(read.status, 0);
  const json r = read.Json();
  const std::string document = Encoder(1).ConfigurationDocument();
  EXPECT_EQ(r["length"], document.size());
  EXPECT_NE(r["document"].get<std::string>().find(std::string(kUtf8News)), std::string::npos);
  EXPECT_EQ(Run({"read", Address(3), "--json"}).Json()["ok"], false);

  const json s = Run({"show", Address(1), "--json"}).Json();
  EXPECT_EQ(s["prg_name"], std::string(kUtf8News));
  EXPECT_EQ(s["sequence_number"], 2);
  EXPECT_EQ(s["ipAddr"], Address(1));

  const Result set = Run({"--json", "set", Address(1), Address(3), "--password", Encoder(1).Password(), "cvbs_hue=9"});
  EXPECT_EQ(set.status, 1);
  EXPECT_EQ(set.Json(), json::parse(R"([{"address": ")" + Address(1) + R"(", "ok": true},
      {"address": ")" + Address(3) + R"(", "ok": false, "error": "Connect TAVRIX Failed !"}])"));

  for (const std::string command : {"start", "stop"}) {
    const json j = Run({"--json", command, Address(2)}).Json();
    EXPECT_EQ(j, json::array({{{"address", Address(2)}, {"ok", true}}})) << command;
  }
}

TEST_F(FleetCommands, ShowKeepsThePasswordsBackUnlessAsked) {
  const Result plain = Run({"show", Address(0)});
  EXPECT_NE(plain.out.find("\nold_password=********\nnew_password=********\n"), std::string::npos);
  EXPECT_EQ(plain.out.find(Encoder(0).Password()), std::string::npos);
  const json masked = Run({"show", Address(0), "--json"}).Json();
  EXPECT_TRUE(masked["old_password"].is_null());
  EXPECT_TRUE(masked["new_password"].is_null());

  EXPECT_NE(Run({"show", Address(0), "--show-passwords"}).out.find("\nold_password=" + Encoder(0).Password() + "\n"),
            std::string::npos);
  EXPECT_EQ(Run({"show", Address(0), "--json", "--show-passwords"}).Json()["old_password"], Encoder(0).Password());
  // read is the backup format: the document exactly as received, password and all.
  EXPECT_EQ(Run({"read", Address(0)}).out, Encoder(0).ConfigurationDocument());
}

// ---- apply ------------------------------------------------------------------------

TEST_F(FleetCommands, ApplyCopiesTheSettingsAndKeepsTheTargetsIdentity) {
  KESTRINE_SKIP_WITHOUT_GB18030();
  const config::EncoderConfiguration target = Encoder(1).Configuration();
  Change(0, [&](auto& r) {
    r.video_pid = target.audio_pid;  // the target's PIDs swapped: fine as a whole, refused edit by edit
    r.audio_pid = target.video_pid;
    r.analog_channel_mode = 3;       // single, 64 kbit/s: the mode switch alone would reset it to 96
    r.analog_bitrate = 64;
    r.cvbs_hue = 77;
    config::StoreText(r.prg_name, kGbNews);
  });
  const auto saved = TempFile("saved", Run({"read", Address(0)}).out);

  const Result dry = Run({"apply", Address(1), "--password", Encoder(1).Password(), "--from", saved.string(),
                          "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find(Address(1) + ": cvbs_hue: " + std::to_string(target.cvbs_hue) + " -> 77\n"),
            std::string::npos);
  EXPECT_EQ(dry.out.find("ipAddr"), std::string::npos);
  EXPECT_EQ(Encoder(1).RequestCount(net::CMD_SENDXML), 0u);

  const Result applied = Run({"apply", Address(1), "--password", Encoder(1).Password(), "--from", saved.string(),
                              "--json"});
  EXPECT_EQ(applied.status, 0) << applied.err;
  const json a = applied.Json();
  EXPECT_EQ(a[0]["ok"], true);
  EXPECT_TRUE(Lists(a[0]["changes"], {{"field", "cvbs_hue"}, {"from", target.cvbs_hue}, {"to", 77}}));
  EXPECT_TRUE(Lists(a[0]["changes"], {{"field", "prg_name"}, {"from", "Kestrine 2"}, {"to", kUtf8News}}));

  const config::EncoderConfiguration now = Encoder(1).Configuration();
  EXPECT_EQ(now.ipAddr, target.ipAddr);
  EXPECT_EQ(now.multicast_ip, target.multicast_ip);
  EXPECT_EQ(now.sequence_number, target.sequence_number);
  EXPECT_EQ(now.video_pid, target.audio_pid);
  EXPECT_EQ(now.audio_pid, target.video_pid);
  EXPECT_EQ(now.analog_channel_mode, 3);
  EXPECT_EQ(now.analog_bitrate, 64);
  EXPECT_EQ(config::TextOf(now.prg_name), kGbNews);
  EXPECT_EQ(Encoder(1).Password(), target.old_password.data());
}

TEST_F(FleetCommands, ApplyWithTheNetworkSettingsNeverWritesToAnyAddressButTheOneNamed) {
  const auto saved = TempFile("network", Run({"read", Address(0)}).out);
  const std::string password = Encoder(2).Password();
  const Result dry = Run({"apply", Address(2), "--password", password, "--from", saved.string(), "--include-network",
                          "--dry-run"});
  EXPECT_NE(dry.out.find(Address(2) + ": ipAddr: " + Address(2) + " -> " + Address(0) + "\n"), std::string::npos);
  const std::string from = std::to_string(Encoder(2).Configuration().multicast_port);
  const std::string to = std::to_string(Encoder(0).Configuration().multicast_port);
  EXPECT_NE(dry.out.find(Address(2) + ": multicast_port: " + from + " -> " + to + "\n"), std::string::npos);

  const Result applied = Run({"apply", Address(2), "--password", password, "--from", saved.string(),
                              "--include-network"});
  EXPECT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_SENDXML), 0u);
  EXPECT_EQ(Encoder(2).RequestCount(net::CMD_SENDXML), 1u);
  EXPECT_EQ(std::to_string(Encoder(2).Configuration().multicast_port), to);
}

TEST_F(FleetCommands, ApplyRefusesBadFilesBeforeContactAndBadValuesPerEncoder) {
  const std::string password = Encoder(0).Password();
  const auto malformed = TempFile("malformed", "<tavrix><system>");
  const auto missing = std::filesystem::temp_directory_path() / "kestrinectl-no-such-file.xml";
  for (const auto& file : {malformed, missing}) {
    const Result refused = Run({"apply", Address(0), "--password", password, "--from", file.string()});
    EXPECT_EQ(refused.status, 2) << file;
    EXPECT_NE(refused.err.find(file.string()), std::string::npos);
  }
  EXPECT_TRUE(Encoder(0).ReceivedCommands().empty());

  config::EncoderConfiguration bad = Encoder(2).Configuration();
  bad.pcr_pid = 8191;
  std::string document = config::BuildConfigurationDocument(bad);
  const auto badFile = TempFile("bad", document);
  const Result refused = Run({"apply", Address(0), Address(1), "--password", password, "--from", badFile.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, Address(0) + ": pcr_pid: Pcr_Pid value should be between 32 and 8190 !\n" + Address(1) +
                             ": pcr_pid: Pcr_Pid value should be between 32 and 8190 !\n");
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_SENDXML), 0u);
  EXPECT_EQ(Encoder(1).RequestCount(net::CMD_SENDXML), 0u);

  const Result wrongPassword = Run({"apply", Address(0), "--password", "LLLLLLLL", "--from", badFile.string()});
  EXPECT_EQ(wrongPassword.err, Address(0) + ": Password is incorrect!\n");
}

// The document with one element's text replaced, or (nullopt) the element gone.
std::string WithElement(std::string document, const std::string& element, std::optional<std::string> text) {
  const std::size_t start = document.find("<" + element + ">");
  const std::string close = "</" + element + ">";
  const std::size_t end = document.find(close, start);
  if (start == std::string::npos || end == std::string::npos) throw std::logic_error(element + " not in the document");
  if (text) return document.replace(start + element.size() + 2, end - start - element.size() - 2, *text);
  return document.erase(start, end + close.size() - start);
}

TEST_F(FleetCommands, ApplyKeepsWhatTheFileDoesNotCarry) {
  Change(1, [](auto& r) {
    r.cvbs_contrast = 99;
    r.analog_left_volume = 3;
    r.pmt_pid = 300;
  });
  const config::EncoderConfiguration target = Encoder(1).Configuration();
  std::string document = Run({"read", Address(0)}).out;
  for (const std::string element : {"cvbs_contrast", "analog_left_volume", "pmt_pid", "prg_name"}) {
    document = WithElement(document, element, std::nullopt);
  }
  const auto partial = TempFile("partial", WithElement(document, "cvbs_hue", "77"));
  const std::string password = Encoder(1).Password();

  const Result dry = Run({"apply", Address(1), "--password", password, "--from", partial.string(), "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find(": cvbs_hue: "), std::string::npos) << dry.out;
  for (const std::string field : {"cvbs_contrast", "analog_left_volume", "pmt_pid", "prg_name"}) {
    EXPECT_EQ(dry.out.find(": " + field + ": "), std::string::npos) << dry.out;
  }
  const Result applied = Run({"apply", Address(1), "--password", password, "--from", partial.string()});
  EXPECT_EQ(applied.status, 0) << applied.err;
  const config::EncoderConfiguration now = Encoder(1).Configuration();
  EXPECT_EQ(now.cvbs_hue, 77);
  EXPECT_EQ(now.cvbs_contrast, 99);
  EXPECT_EQ(now.analog_left_volume, 3);
  EXPECT_EQ(now.pmt_pid, 300);
  EXPECT_EQ(config::TextOf(now.prg_name), config::TextOf(target.prg_name));
}

TEST_F(FleetCommands, ApplyRefusesACopiedAddressThatCannotBeBeforeContact) {
  const std::string document = Run({"read", Address(0)}).out;
  const std::vector<std::pair<std::string, std::string>> cases{{"ipMask", ""},
                                                               {"ipGate", "10.0.0.x"},
                                                               {"ipAddr", "0.0.0.0"},
                                                               {"ipMask", "255.255.255.255"},
                                                               {"multicast_ip", "239.1.1.300"}};
  for (const auto& [element, text] : cases) {
    const auto file = TempFile("address-" + element, WithElement(document, element, text));
    const Result refused =
        Run({"apply", Address(2), "--password", Encoder(2).Password(), "--from", file.string(), "--include-network"});
    EXPECT_EQ(refused.status, 2) << element << "=" << text << "\n" << refused.err;
    EXPECT_NE(refused.err.find(file.string() + ": " + element), std::string::npos) << refused.err;
  }
  EXPECT_TRUE(Encoder(2).ReceivedCommands().empty());
}

// ---- audit ------------------------------------------------------------------------

TEST_F(FleetCommands, AuditOfASoundFleetFindsNothing) {
  const Result clean = Run({"audit", Address(0), Address(1), Address(2), Address(3)});
  EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
  EXPECT_TRUE(clean.out.empty());
  const json j = Run({"audit", Address(0), Address(1), "--json"}).Json();
  EXPECT_EQ(j["findings"], json::array());
  EXPECT_EQ(j["encoders"][1], json({{"address", Address(1)}, {"ok", true}}));
}

TEST_F(FleetCommands, AuditReportsEachFindingWithTheEncodersInvolved) {
  StartFleet(7);
  const auto destination = Encoder(0).Configuration();
  Change(1, [&](auto& r) {
    r.multicast_ip = destination.multicast_ip;
    r.multicast_port = destination.multicast_port;
  });
  Change(2, [](auto& r) {
    r.multicast_ip = platform::InetAddr("224.0.0.9");
    r.pcr_pid = r.video_pid;
    r.audio_pid = 9000;
  });
  Change(3, [&](auto& r) {
    r.ipAddr = Encoder(4).Address();  // reports another's address
    r.TS_bitrate = 100;
    r.analog_channel_mode = 3;
    r.analog_bitrate = 384;
    r.sequence_number = 5;
  });
  Encoder(6).SetRefuseConnections(true);

  std::vector<std::string> args{"audit"};
  for (std::size_t i = 0; i < 7; ++i) args.push_back(Address(i));
  const Result result = Run(args);
  EXPECT_EQ(result.status, 1);
  const std::string a = Address(0), b = Address(1), c = Address(2), d = Address(3), e = Address(4), g = Address(6);
  const std::string collision = "127.0.0.1:" + std::to_string(destination.multicast_port);
  const std::string video = std::to_string(Encoder(3).Configuration().video_bitrate);
  EXPECT_EQ(result.out,
            "error multicast-collision: " + a + ", " + b + ": all send to " + collision + "\n"
            "error multicast-address: " + c +
                ": multicast_ip 224.0.0.9 is in the link-local control block 224.0.0.0/24\n"
            "error duplicate-ip: " + d + ", " + e + ": all report ipAddr " + e + "\n"
            "error pid-clash: " + c + ": pcr_pid and video_pid are both 258\n"
            "error pid-range: " + c + ": audio_pid 9000 is outside 32..8190\n"
            "error bitrate-budget: " + d + ": TS_bitrate 100 is below video_bitrate " + video + " + analog_bitrate 384\n"
            "error audio-bitrate: " + d + ": analog_bitrate 384 is not offered for analog_channel_mode 3 (single)\n"
            "error unreadable: " + g + ": Connect TAVRIX Failed !\n"
            "warning address-mismatch: " + d + ": reports ipAddr " + e + ", not the address it was reached at\n"
            "warning duplicate-device-number: " + d + ", " + e + ": all report sequence_number 5\n");
  EXPECT_TRUE(result.err.empty());

  args.push_back("--json");
  const json j = Run(args).Json();
  EXPECT_EQ(j["encoders"].size(), 7u);
  EXPECT_EQ(j["encoders"][6]["ok"], false);
  EXPECT_EQ(j["findings"].size(), 10u);
  EXPECT_EQ(j["findings"][0], json({{"severity", "error"}, {"kind", "multicast-collision"}, {"addresses", {a, b}},
                                    {"text", "all send to " + collision}}));
  EXPECT_EQ(j["findings"][9]["severity"], "warning");
}

// ---- the encoders named ------------------------------------------------------------

// 127.0.0.2 as 127.000.000.002: the same address in other words.
std::string ZeroPadded(const std::string& address) {
  std::string padded;
  std::istringstream octets(address);
  for (std::string octet; std::getline(octets, octet, '.');) {
    if (!padded.empty()) padded += '.';
    padded += std::string(3 - octet.size(), '0') + octet;
  }
  return padded;
}

TEST_F(FleetCommands, AnAddressGivenTwiceIsWorkedOnAndReportedOnce) {
  const Result audit = Run({"audit", Address(0), Address(1), ZeroPadded(Address(0)), Address(0)});
  EXPECT_EQ(audit.status, 0) << audit.out;
  EXPECT_TRUE(audit.out.empty()) << audit.out;
  EXPECT_EQ(audit.err, "kestrinectl: " + Address(0) + " given more than once; worked on once\n");
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_GETXML), 1u);

  const Result start = Run({"--json", "start", Address(3), Address(3)});
  EXPECT_EQ(start.Json().size(), 1u);
}

TEST_F(FleetCommands, TargetsMayComeFromAFileAfterThoseOnTheLine) {
  const auto list =
      TempFile("targets", "# studio A\n" + Address(2) + "\n\n  " + Address(1) + "  # spare\n" + Address(0) + "\n");
  const Result messages = Run({"--json", "--targets", list.string(), "messages", Address(0)});
  EXPECT_EQ(messages.status, 0) << messages.err;
  const json m = messages.Json();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0]["address"], Address(0));
  EXPECT_EQ(m[1]["address"], Address(2));
  EXPECT_EQ(m[2]["address"], Address(1));
  EXPECT_EQ(messages.err, "kestrinectl: " + Address(0) + " given more than once; worked on once\n");

  const auto bad = TempFile("bad-targets", Address(1) + "\n10.0.0.300\n");
  const Result refused = Run({"audit", "--targets", bad.string()});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find(bad.string() + ":2: "), std::string::npos) << refused.err;
  EXPECT_EQ(Encoder(1).RequestCount(net::CMD_GETXML), 0u);
}

// ---- how many at once -------------------------------------------------------------

TEST_F(FleetCommands, AFleetLargerThanTheOpenFileLimitAllowsIsWorkedOnInRounds) {
  StartFleet(12);
  GlobalOptions options;
  options.network.controlPort = Encoder(0).ControlPort();
  options.network.timings.exchangeDelay = std::chrono::milliseconds(5);
  options.freeDescriptors = 16 + 5;  // room for 5 sockets beside the program's own files
  std::vector<Target> targets;
  for (std::size_t i = 0; i < 12; ++i) targets.push_back(ParseTarget(Address(i)));
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunMessages(options, targets, {out, err}), 0) << err.str();
  EXPECT_EQ(err.str(),
            "kestrinectl: the open-file limit allows 5 encoders at once; working on 12 in 3 rounds (raise it with "
            "ulimit -n)\n");
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(Encoder(i).RequestCount(net::CMD_GET_MESSAGE), 1u);
}

}  // namespace
}  // namespace kestrine::cli
