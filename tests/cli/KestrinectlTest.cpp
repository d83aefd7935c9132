#include "cli/Kestrinectl.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "cli/OptionFiles.h"
#include "cli/RecordPrinter.h"
#include "config/ConfigurationDocument.h"
#include "config/EncoderConfiguration.h"
#include "net/Protocol.h"
#include "platform/FileReplace.h"
#include "platform/Ipv4Text.h"
#include "sim/EncoderFleet.h"
#include "support/Eventually.h"
#include "support/Wine.h"
#include "tests/cli/InProcessRun.h"

namespace kestrine::cli {
namespace {

using Result = test::CommandResult;

// kestrinectl run in this process against a simulated fleet on loopback, with short waits.
class Kestrinectl : public ::testing::Test {
 protected:
  explicit Kestrinectl(std::size_t count = 3) : count_(count) {}

  void SetUp() override {
    fleet_ = std::make_unique<sim::EncoderFleet>(sim::FleetOptions::ForTests(count_));
    std::string error;
    ASSERT_TRUE(fleet_->Start(error)) << error;
  }

  Result Run(const std::vector<std::string>& args) { return test::RunAgainst(*fleet_, args); }

  sim::SimulatedEncoder Encoder(std::size_t index) { return fleet_->Encoder(index); }
  std::string Address(std::size_t index) { return Encoder(index).AddressText(); }

  // A name in the temporary folder that no other test run uses.
  static std::filesystem::path TemporaryFile(const std::string& stem) {
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    return std::filesystem::temp_directory_path() /
           (stem + std::to_string(run.random_seed()) + "-" + run.current_test_info()->name());
  }

  std::size_t count_;
  std::unique_ptr<sim::EncoderFleet> fleet_;
};

TEST_F(Kestrinectl, ReadWritesTheDocumentExactlyAsReceived) {
  const Result toStdout = Run({"read", Address(0)});
  EXPECT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, Encoder(0).ConfigurationDocument());

  const auto file = TemporaryFile("kestrinectl-read-");
  const Result toFile = Run({"read", Address(1), "-o", file.string()});
  EXPECT_EQ(toFile.status, 0);
  std::ostringstream content;
  content << std::ifstream(file, std::ios::binary).rdbuf();  // closed again before the file goes
  EXPECT_EQ(content.str(), Encoder(1).ConfigurationDocument());
  std::filesystem::remove(file);
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_GET_MESSAGE), 0u);  // no reachability check
}

TEST_F(Kestrinectl, ReadFailuresExitOneWithTheMessage) {
  Encoder(0).SetRefuseConnections(true);
  const Result refused = Run({"read", Address(0)});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Connect TAVRIX Failed !\n");
  EXPECT_TRUE(refused.out.empty());

  sim::ReplyFaults silent;
  silent.silent = true;
  Encoder(1).SetReplyFaults(net::CMD_GETXML, silent);
  EXPECT_EQ(Run({"read", Address(1)}).err, "Read Device Configuration Failed !\n");

  sim::ReplyFaults tooLong;
  tooLong.length = 10000;
  Encoder(2).SetReplyFaults(net::CMD_GETXML, tooLong);
  const Result bad = Run({"read", Address(2)});
  EXPECT_EQ(bad.status, 1);
  EXPECT_FALSE(bad.err.empty());
}

TEST_F(Kestrinectl, ShowPrintsTheRecordTheReaderFills) {
  const Result shown = Run({"show", Address(1)});
  EXPECT_EQ(shown.status, 0) << shown.err;
  config::EncoderConfiguration expected;
  expected.ipAddr = Encoder(1).Address();
  ASSERT_EQ(config::LoadConfigurationDocument(Encoder(1).ConfigurationDocument(), expected), 1);
  EXPECT_EQ(shown.out, FormatRecordLines(expected));
  EXPECT_NE(shown.out.find("ipAddr=" + Address(1) + "\n"), std::string::npos);

  Json entry = EncoderEntry(Address(1), true);
  PutRecordFields(entry, expected, false);
  EXPECT_EQ(Run({"show", "--json", Address(1)}).out, FormatJson(entry));
}

TEST_F(Kestrinectl, MessagesPrintsEachRingOldestFirstInTheOrderGiven) {
  Encoder(0).SetMessageRing(1, {"a0", "a1", "a2", "", "", "", "", "", "", ""});
  Encoder(2).SetMessageRing(0, {"c0", "", "", "", "", "", "", "", "", ""});
  const Result one = Run({"messages", Address(0)});
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.out, "a1\na2\na0\n");

  const Result two = Run({"--jobs", "2", "messages", Address(2), Address(0)});
  EXPECT_EQ(two.out, Address(2) + ": c0\n" + Address(0) + ": a1\n" + Address(0) + ": a2\n" + Address(0) + ": a0\n");
}

TEST_F(Kestrinectl, AnUnreachableEncoderFailsTheCommandButNotTheOthers) {
  Encoder(1).SetRefuseConnections(true);
  Encoder(0).SetMessageRing(0, {"a0", "", "", "", "", "", "", "", "", ""});
  const Result result = Run({"messages", Address(0), Address(1)});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, Address(0) + ": a0\n");
  EXPECT_NE(result.err.find(Address(1) + ": Connect device failed\n"), std::string::npos);
}

TEST_F(Kestrinectl, StartAndStopReachEveryEncoder) {
  EXPECT_EQ(Run({"start", Address(0), Address(2)}).status, 0);
  EXPECT_TRUE(test::Eventually([&] { return Encoder(0).IsStreaming() && Encoder(2).IsStreaming(); }));
  EXPECT_FALSE(Encoder(1).IsStreaming());
  const Result stop = Run({"stop", Address(0), Address(2)});
  EXPECT_EQ(stop.status, 0);
  EXPECT_TRUE(stop.out.empty());
  EXPECT_TRUE(test::Eventually([&] { return !Encoder(0).IsStreaming() && !Encoder(2).IsStreaming(); }));

  Encoder(1).SetRefuseConnections(true);
  const Result refused = Run({"start", Address(1)});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, Address(1) + ": Connect TAVRIX Failed !\n");
}

TEST_F(Kestrinectl, DiscoverListsEachEncoderOnceInOrderOfFirstReply) {
  sim::DiscoveryFaults twice;
  twice.repeat = 3;
  Encoder(1).SetDiscoveryFaults(twice);
  const Result result = Run({"discover", "127.255.255.255", "--window", "400"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, Address(0) + "\n" + Address(1) + "\n" + Address(2) + "\n");
}

TEST_F(Kestrinectl, DiscoverWithNobodyThereStillSucceeds) {
  sim::DiscoveryFaults silent;
  silent.mode = sim::DiscoveryReplyMode::Silent;
  for (std::size_t i = 0; i < count_; ++i) Encoder(i).SetDiscoveryFaults(silent);
  const Result result = Run({"discover", "127.0.0.255", "--window", "100"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.out.empty());
}

// ---- set ------------------------------------------------------------------------

TEST_F(Kestrinectl, SetChangesTheEncoderAndSendsTheDocumentThePageWould) {
  const std::string password = Encoder(0).Password();
  const std::string readBefore = Encoder(0).ConfigurationDocument();
  const Result result = Run({"set", Address(0), "--password", password, "sequence_number=7", "video_input=SDI",
                             "analog_left_volume=+6db", "sdi_opt_group=Group 2 A", "multicast_ip=239.2.2.2",
                             "prg_name=News <1> & \"2\""});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Address(0) + ": Set Configuration Success !\n");
  const config::EncoderConfiguration now = Encoder(0).Configuration();
  EXPECT_EQ(now.sequence_number, 7);
  EXPECT_EQ(now.video_input, 1);
  EXPECT_EQ(now.analog_left_volume, 4);
  EXPECT_EQ(now.sdi_opt_group, 2);
  EXPECT_EQ(platform::FormatIpv4(now.multicast_ip), "239.2.2.2");
  EXPECT_EQ(config::TextOf(now.prg_name), "News <1> & \"2\"");

  // Byte for byte: the document a page edit of the same values would have sent.
  const auto sent = Encoder(0).LastDocumentReceived();
  ASSERT_TRUE(sent);
  config::EncoderConfiguration expected;
  expected.ipAddr = Encoder(0).Address();
  ASSERT_EQ(config::LoadConfigurationDocument(readBefore, expected), 1);
  expected.sequence_number = 7;
  expected.video_input = 1;
  expected.analog_left_volume = 4;
  expected.sdi_opt_group = 2;
  expected.multicast_ip = platform::InetAddr("239.2.2.2");
  config::StoreText(expected.prg_name, "News <1> & \"2\"");
  config::StoreText(expected.new_password, password);
  EXPECT_EQ(*sent, config::BuildConfigurationDocument(expected));
}

TEST_F(Kestrinectl, SetRefusesAnEditWithThePagesTextAndSendsNothing) {
  const std::string password = Encoder(0).Password();
  const Result result = Run({"set", Address(0), Address(1), "--password", password, "sequence_number=5",
                             "pcr_pid=8191"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, Address(0) + ": Pcr_Pid value should be between 32 and 8190 !\n" + Address(1) +
                            ": Pcr_Pid value should be between 32 and 8190 !\n");
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_SENDXML), 0u);
  EXPECT_EQ(Encoder(1).RequestCount(net::CMD_SENDXML), 0u);
}

TEST_F(Kestrinectl, SetChecksThePasswordsWithThePagesRules) {
  const Result wrong = Run({"set", Address(0), "--password", "LLLLLLLL", "sequence_number=5"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, Address(0) + ": Password is incorrect!\n");

  const Result lower = Run({"set", Address(0), "--password", "uuuuuuuu"});
  EXPECT_EQ(lower.err, Address(0) + ": Password should be selected from LUDR !\n");

  const Result newTooShort = Run({"set", Address(0), "--password", Encoder(0).Password(), "--new-password", "UDLR"});
  EXPECT_EQ(newTooShort.err, Address(0) + ": Password length should be 8 !\n");
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_SENDXML), 0u);

  const Result changed = Run({"set", Address(0), "--password", Encoder(0).Password(), "--new-password", "RRDDLLUU"});
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(Encoder(0).Password(), "RRDDLLUU");
}

TEST_F(Kestrinectl, SetReportsAnEncodersPasswordError) {
  sim::ReplyFaults faults;
  faults.writeResultText = "PASSWORD ERR";
  Encoder(2).SetReplyFaults(net::CMD_SENDXML, faults);
  const Result result = Run({"set", Address(2), "--password", Encoder(2).Password()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, Address(2) + ": Password Error !\n");
}

TEST_F(Kestrinectl, SetReadsAgainAfterABitrateChange) {
  const Result result = Run({"set", Address(1), "--password", Encoder(1).Password(), "analog_channel_mode=single"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Address(1) + ": Set Configuration Success !\n" + Address(1) +
                            ": Bitrate have been modified,read the device again !\n");
  EXPECT_EQ(Encoder(1).RequestCount(net::CMD_GETXML), 2u);
  EXPECT_EQ(Encoder(1).Configuration().analog_channel_mode, 3);
  EXPECT_EQ(Encoder(1).Configuration().analog_bitrate, 96);
}

TEST_F(Kestrinectl, UsageErrorsExitTwoBeforeAnythingIsSent) {
  const std::string password = Encoder(0).Password();
  const std::vector<std::vector<std::string>> cases{
      {"set", Address(0), "--password", password, "TS_bitrate=5"},
      {"set", Address(0), "--password", password, "no_such_field=5"},
      {"set", Address(0), "--password", password, "video_input=HDMI"},
      {"set", Address(0), "sequence_number=5"},
      {"set", Address(0), "--password", "", "sequence_number=5"},
      {"set", "--password", password, "sequence_number=5"},
      {"set", "10.0.0.300", "--password", password},
      {"messages"},
      {"read", "not-an-address"},
      {"frobnicate", Address(0)},
      {"--jobs", "0", "messages", Address(0)},
      {},
  };
  for (const auto& args : cases) {
    const Result result = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(result.status, 2) << joined;
    EXPECT_FALSE(result.err.empty()) << joined;
  }
  for (std::size_t i = 0; i < count_; ++i) {
    for (const std::uint32_t cmd : {net::CMD_GETXML, net::CMD_SENDXML, net::CMD_GET_MESSAGE}) {
      EXPECT_EQ(Encoder(i).RequestCount(cmd), 0u);
    }
  }
}

TEST_F(Kestrinectl, GlobalOptionsMayFollowTheCommand) {
  Encoder(0).SetMessageRing(0, {"late", "", "", "", "", "", "", "", "", ""});
  const Result result = Run({"messages", Address(0), "--jobs", "1", "--connect-timeout", "2000"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "late\n");
}

// ---- What a hostile encoder or a hostile place cannot make the command line do ----

// Standard output on a full disk: every write fails.
class FullDisk final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(Kestrinectl, SetWritesToTheAddressNamedNotTheOneTheDocumentReports) {
  config::EncoderConfiguration lying = Encoder(0).Configuration();
  lying.ipAddr = Encoder(2).Address();
  Encoder(0).SetConfiguration(lying);
  const Result result = Run({"set", Address(0), "--password", Encoder(0).Password(), "analog_channel_mode=single"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_SENDXML), 1u);
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_GETXML), 2u);  // the re-read after the bitrate change too
  EXPECT_EQ(Encoder(2).RequestCount(net::CMD_SENDXML) + Encoder(2).RequestCount(net::CMD_GETXML), 0u);
}

TEST_F(Kestrinectl, SetCountsOnlyAWholeAnswerAsSuccess) {
  sim::ReplyFaults cut;
  cut.writeResultText = "OK";
  cut.length = 40;
  Encoder(0).SetReplyFaults(net::CMD_SENDXML, cut);
  sim::ReplyFaults otherCommand;
  otherCommand.writeResultText = "OK";
  otherCommand.cmd = net::CMD_GETXML;
  Encoder(1).SetReplyFaults(net::CMD_SENDXML, otherCommand);
  const Result result = Run({"set", Address(0), Address(1), "--password", Encoder(0).Password()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.out.empty()) << result.out;
  EXPECT_EQ(result.err, Address(0) + ": Recv sendxml ret failed !\n" + Address(0) + ": Set Configuration Failed !\n" +
                            Address(1) + ": Recv sendxml cmd failed !\n" + Address(1) + ": Set Configuration Failed !\n");
}

TEST_F(Kestrinectl, EncoderTextNeverForgesLinesOrSteersTheTerminal) {
  Encoder(0).SetMessageRing(0, {"\x1b]0;owned\x07\x1b[2J", "one\nADDR: forged", "tab\there \x7f\xb2\xe2", "", "", "",
                                 "", "", "", ""});
  const Result messages = Run({"messages", Address(0)});
  EXPECT_EQ(messages.status, 0);
  EXPECT_EQ(messages.out, "\\x1b]0;owned\\x07\\x1b[2J\none\\nADDR: forged\ntab\\there \\x7f\xb2\xe2\n");

  std::string document = Encoder(1).ConfigurationDocument();
  const std::string name = "<prg_name>";
  document.insert(document.find(name) + name.size(), "News&#10;old_password=LLLLLLLL&#13;");
  sim::ReplyFaults hostile;
  hostile.rawReply = net::EncodeConfigurationReply(document);
  Encoder(1).SetReplyFaults(net::CMD_GETXML, hostile);
  const Result shown = Run({"show", Address(1)});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("\nprg_name=News\\nold_password=LLLLLLLL\\r"), std::string::npos) << shown.out;
  EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'), 39);
  EXPECT_NE(Run({"show", "--json", Address(1)}).out.find("\"News\\nold_password=LLLLLLLL\\r"), std::string::npos);
}

TEST_F(Kestrinectl, OutputThatCannotBeWrittenFailsTheCommand) {
  FullDisk full;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"show", Address(0)},
                                               std::vector<std::string>{"read", Address(0)},
                                               std::vector<std::string>{"set", Address(0), "--password",
                                                                        Encoder(0).Password()}}) {
    std::vector<std::string> all{"kestrinectl", "--port", std::to_string(Encoder(0).ControlPort()),
                                 "--exchange-delay", "5", "--receive-timeout", "1000"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<const char*> argv;
    for (const std::string& arg : all) argv.push_back(arg.c_str());
    std::ostream out(&full);
    std::ostringstream err;
    EXPECT_EQ(RunKestrinectl(static_cast<int>(argv.size()), argv.data(), out, err), 1) << args[0];
    EXPECT_NE(err.str().find("kestrinectl: standard output could not be written"), std::string::npos) << err.str();
  }
}

TEST_F(Kestrinectl, ReadKeepsTheDocumentToItsOwnerAndSaysWhyItCannot) {
  if (test::UnderWine()) GTEST_SKIP() << test::kWineKeepsNoAccessList;
  const auto file = TemporaryFile("kestrinectl-private-");
  std::ofstream(file) << "old";
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read | std::filesystem::perms::others_read);
#ifndef _WIN32
  const ::mode_t umask = ::umask(0);
#endif
  const Result result = Run({"read", Address(0), "-o", file.string()});
#ifndef _WIN32
  ::umask(umask);
#endif
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(platform::IsOwnerOnly(file));
  std::filesystem::remove(file);

  const Result missing = Run({"read", Address(0), "-o", (file / "in.xml").string()});
  EXPECT_EQ(missing.status, 1);
  const std::string reason = std::make_error_code(std::errc::no_such_file_or_directory).message();
  EXPECT_EQ(missing.err.rfind("Cannot write " + (file / "in.xml").string() + ": ", 0), 0u) << missing.err;
#ifndef _WIN32
  EXPECT_EQ(missing.err, "Cannot write " + (file / "in.xml").string() + ": " + reason + "\n");
#endif
}

TEST_F(Kestrinectl, ReadWritesThroughWhatIsNotARegularFile) {
  const Result dash = Run({"read", Address(0), "-o", "-"});
  EXPECT_EQ(dash.status, 0) << dash.err;
  EXPECT_EQ(dash.out, Encoder(0).ConfigurationDocument());
  EXPECT_FALSE(std::filesystem::exists("-"));
  std::filesystem::remove("-");
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs and /dev/fd, the other targets tried here, are POSIX's";
#else

  const auto fifo = std::filesystem::temp_directory_path() / ("kestrinectl-fifo-" + std::to_string(::getpid()));
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  const Result through = Run({"read", Address(1), "-o", fifo.string()});
  EXPECT_EQ(through.status, 0) << through.err;
  std::string received(20000, '\0');
  const ssize_t n = ::read(reader, received.data(), received.size());
  received.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  ::close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  std::filesystem::remove(fifo);
  EXPECT_EQ(received, Encoder(1).ConfigurationDocument());

  // What /dev/stdout leads to is this process's own output: printed there, as a shell set it up.
  EXPECT_EQ(Run({"read", Address(2), "-o", "/dev/fd/1"}).out, Encoder(2).ConfigurationDocument());
#endif
}

// The environment variable for one test, gone again whatever the test does.
class ScopedEnvironment final {
 public:
#ifdef _WIN32
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) { ::_putenv_s(name, value.c_str()); }
  ~ScopedEnvironment() { ::_putenv_s(name_, ""); }
#else
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) { ::setenv(name, value.c_str(), 1); }
  ~ScopedEnvironment() { ::unsetenv(name_); }
#endif
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
};

TEST_F(Kestrinectl, ThePasswordMayComeFromAFileOrTheEnvironment) {
  const auto folder = std::filesystem::temp_directory_path() / ("kestrinectl-passwords-" + Address(0));
  std::filesystem::create_directories(folder);
  const auto write = [&](const std::string& name, const std::string& content) {
    std::ofstream(folder / name, std::ios::binary) << content;
    return (folder / name).string();
  };
  const std::string current = write("current", Encoder(0).Password() + "\nsecond line\n");
  const std::string next = write("next", "RRDDLLUU\r\n");
  const std::string empty = write("empty", "\n");

  const Result fromFiles = Run({"set", Address(0), "--password-file", current, "--new-password-file", next});
  EXPECT_EQ(fromFiles.status, 0) << fromFiles.err;
  EXPECT_EQ(Encoder(0).Password(), "RRDDLLUU");
  {
    const ScopedEnvironment password("KESTRINE_PASSWORD", Encoder(1).Password());
    const Result fromEnvironment = Run({"set", Address(1), "cvbs_hue=9"});
    EXPECT_EQ(fromEnvironment.status, 0) << fromEnvironment.err;
    EXPECT_EQ(Encoder(1).Configuration().cvbs_hue, 9);
    // The command line comes first.
    EXPECT_EQ(Run({"set", Address(1), "--password", "LLLLLLLL"}).err, Address(1) + ": Password is incorrect!\n");
  }
  for (const auto& args :
       {std::vector<std::string>{"set", Address(2), "--password", "UUUUUUUU", "--password-file", current},
        std::vector<std::string>{"set", Address(2), "--password-file", empty},
        std::vector<std::string>{"apply", Address(2), "--password-file", (folder / "none").string(), "--from",
                                 current}}) {
    const Result refused = Run(args);
    EXPECT_EQ(refused.status, 2) << args[4];
    EXPECT_FALSE(refused.err.empty());
  }
  EXPECT_EQ(Encoder(2).RequestCount(net::CMD_GETXML), 0u);
  std::filesystem::remove_all(folder);
  EXPECT_NE(Run({"set", "--help"}).out.find("KESTRINE_PASSWORD"), std::string::npos);
}

TEST_F(Kestrinectl, TheReplyLimitIsAnOption) {
  sim::ReplyFaults trickle;
  trickle.segmentSize = 8;
  trickle.segmentGap = std::chrono::milliseconds(40);
  Encoder(0).SetReplyFaults(net::CMD_GETXML, trickle);
  const Result cut = Run({"read", Address(0), "--reply-limit", "200"});
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("the document ends after "), std::string::npos) << cut.err;
  EXPECT_NE(Run({"--help"}).out.find("--reply-limit"), std::string::npos);
}

// A file an option names can neither fill memory nor keep the command waiting.
TEST(OptionFiles, AreReadWithinTheirBoundWhateverTheyAre) {
#ifdef _WIN32
  GTEST_SKIP() << "/dev/zero, FIFOs and pipes named by /dev/fd are POSIX's";
#else
  EXPECT_THROW((void)ReadOptionFile("/dev/zero", 100), UsageError);

  const auto fifo = std::filesystem::temp_directory_path() / ("kestrinectl-nobody-" + std::to_string(::getpid()));
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW((void)ReadOptionFile(fifo.string(), 100, std::chrono::milliseconds(50)), UsageError);  // nobody writes
  std::filesystem::remove(fifo);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "UUUU", 4), 4);  // and the writer keeps it open
  try {
    (void)ReadOptionFile("/dev/fd/" + std::to_string(ends[0]), 100, std::chrono::milliseconds(50));
    ADD_FAILURE() << "a silent writer was waited for without end";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find("nothing more came"), std::string::npos) << e.what();
  }
  ::close(ends[0]);
  ::close(ends[1]);
#endif
}

#ifndef _WIN32
// Nobody can be asked when no socket can be had: not the same as nobody answering.
[[noreturn]] void DiscoverWithoutAnyFileLeft() {
  const rlimit none{0, 0};
  ::setrlimit(RLIMIT_NOFILE, &none);
  const std::vector<const char*> argv{"kestrinectl", "discover", "127.255.255.255", "--window", "50"};
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunKestrinectl(static_cast<int>(argv.size()), argv.data(), out, err);
  std::cerr << err.str();
  std::exit(status);
}
#endif

// The sanitizers' runtime opens files of its own to check memory, which an exhausted process cannot.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRINE_TEST_UNDER_SANITIZERS
#endif
#endif

TEST(KestrinectlDiscover, ARequestThatCannotBeSentFailsWithItsReason) {
#ifdef KESTRINE_TEST_UNDER_SANITIZERS
  GTEST_SKIP() << "no file descriptor left is no place for the sanitizers' runtime";
#endif
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no open-file limit to exhaust, so every socket can be had";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DiscoverWithoutAnyFileLeft(), ::testing::ExitedWithCode(1),
              "Search request could not be sent to 127.255.255.255:8888: .+");
#endif
}

}  // namespace
}  // namespace kestrine::cli
