// kestrine-encoder-sim's options, and the program itself.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "EncoderClient.h"
#include "platform/Ipv4Text.h"
#include "sim/SimulatorCommandLine.h"
#include "support/HostileDocumentFiles.h"

namespace kestrine::sim::test {
namespace {

struct Parsed {
  std::optional<int> status;
  SimulatorSettings settings;
  std::string out;
  std::string err;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kestrine-encoder-sim");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  Parsed parsed;
  std::ostringstream out;
  std::ostringstream err;
  parsed.status = ParseSimulatorCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.settings, out, err);
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(SimulatorCommandLine, DefaultsServeOneEncoderOnTheEncoderPorts) {
  const Parsed parsed = Parse({});
  ASSERT_FALSE(parsed.status);
  EXPECT_EQ(platform::FormatIpv4(parsed.settings.fleet.firstAddress), "127.0.0.1");
  EXPECT_EQ(parsed.settings.fleet.controlPort, 9999);
  EXPECT_EQ(parsed.settings.fleet.discoveryPort, 8888);
  EXPECT_TRUE(parsed.settings.fleet.discovery);
  EXPECT_FALSE(parsed.settings.fleet.password);
  EXPECT_FALSE(parsed.settings.faultCommand);
}

TEST(SimulatorCommandLine, FaultFlagsBecomeReplyFaults) {
  const Parsed parsed = Parse({"--bind", "127.0.1.1", "--count", "5", "--password", "LLLLRRRR", "--no-discovery",
                               "--delay", "250", "--segment", "100", "--gap", "20", "--close-after", "108",
                               "--reply-len", "-1", "--reply-cmd", "1005", "--write-result", "PASSWORD ERR",
                               "--write-result-nul", "--fault-command", "1003", "--discovery-reply", "too-short",
                               "--refuse"});
  ASSERT_FALSE(parsed.status) << parsed.err;
  const SimulatorSettings& s = parsed.settings;
  EXPECT_EQ(platform::FormatIpv4(s.fleet.firstAddress), "127.0.1.1");
  EXPECT_EQ(s.fleet.count, 5u);
  EXPECT_EQ(s.fleet.password, "LLLLRRRR");
  EXPECT_FALSE(s.fleet.discovery);
  EXPECT_EQ(s.faults.delay, 250ms);
  EXPECT_EQ(s.faults.segmentSize, 100u);
  EXPECT_EQ(s.faults.segmentGap, 20ms);
  EXPECT_EQ(s.faults.closeAfterBytes, 108u);
  EXPECT_EQ(s.faults.length, -1);
  EXPECT_EQ(s.faults.cmd, 1005u);
  EXPECT_EQ(s.faults.writeResultText, std::string("PASSWORD ERR\0", 13));
  EXPECT_EQ(s.faultCommand, 1003u);
  EXPECT_EQ(s.discovery.mode, DiscoveryReplyMode::TooShort);
  EXPECT_TRUE(s.refuse);
}

TEST(SimulatorCommandLine, StreamFaultsGoToEveryEncoderOrToTheOnesNamed) {
  const Parsed parsed = Parse({"--count", "4", "--streaming", "--multicast-interface", "lo", "--stream-fault",
                               "2:no-pat", "--stream-fault", "pcr-gap=80", "--stream-fault", "2,3:bitrate-offset=-10",
                               "--stream-fault", "3:stop-after=2000", "--stream-fault", "4:no-sdt", "--stream-fault",
                               "4:swap-pids", "--stream-fault", "4:continuity-errors"});
  ASSERT_FALSE(parsed.status) << parsed.err;
  const SimulatorSettings& s = parsed.settings;
  EXPECT_TRUE(s.streaming);
  EXPECT_EQ(s.fleet.multicastInterface, "lo");
  stream::StreamFaults every;
  every.pcrInterval = 80ms;
  stream::StreamFaults second = every;
  second.noPat = true;
  second.bitrateOffsetPercent = -10;
  stream::StreamFaults third = every;
  third.bitrateOffsetPercent = -10;
  third.stopAfter = 2000ms;
  stream::StreamFaults fourth = every;
  fourth.noSdt = fourth.swapPids = fourth.continuityErrors = true;
  EXPECT_EQ(s.StreamFaultsOf(1), every);
  EXPECT_EQ(s.StreamFaultsOf(2), second);
  EXPECT_EQ(s.StreamFaultsOf(3), third);
  EXPECT_EQ(s.StreamFaultsOf(4), fourth);
  for (const char* bad : {"3:no-pat", "0:no-pat", "x:no-pat", "no-pats", "no-pat=1", "pcr-gap", "pcr-gap=0",
                          "pcr-gap=2.5", "bitrate-offset=-60", "stop-after=soon"}) {
    const Parsed refused = Parse({"--count", "2", "--stream-fault", bad});
    EXPECT_EQ(refused.status, 2) << bad;
    EXPECT_NE(refused.err.find("--stream-fault " + std::string(bad) + ": "), std::string::npos) << refused.err;
  }
}

TEST(SimulatorCommandLine, BadOptionsAreRefusedWithStatusTwoAndAMessage) {
  const std::vector<std::vector<std::string>> bad{
      {"--bind", "127.0.0"},        {"--bind", "localhost"},      {"--count", "0"},
      {"--control-port", "70000"},  {"--password", ""},           {"--password", std::string(20, 'U')},
      {"--fault-command", "1002"},  {"--discovery-reply", "odd"}, {"--config", "/nonexistent/encoder.xml"},
      {"--unknown-option"},         {"--delay", "soon"},
  };
  for (const std::vector<std::string>& args : bad) {
    const Parsed parsed = Parse(args);
    EXPECT_EQ(parsed.status, 2) << args[0];
    EXPECT_NE(parsed.err.find("kestrine-encoder-sim: "), std::string::npos) << args[0];
  }
  const Parsed help = Parse({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--control-port"), std::string::npos);
}

TEST(SimulatorCommandLine, AConfigFileMustHoldAConfigurationDocument) {
  const std::string path = ::testing::TempDir() + "sim_config_test.xml";
  std::ofstream(path, std::ios::binary) << "<other>1</other>";
  EXPECT_EQ(Parse({"--config", path}).status, 2);

  StartedFleet fleet;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << fleet.Encoder().ConfigurationDocument();
  const Parsed parsed = Parse({"--config", path});
  ASSERT_FALSE(parsed.status) << parsed.err;
  EXPECT_EQ(parsed.settings.fleet.startingDocument, fleet.Encoder().ConfigurationDocument());
  std::remove(path.c_str());
}

TEST(SimulatorCommandLine, AConfigFileNoEncoderCouldHaveSentIsRefused) {
  StartedFleet fleet;
  const kestrine::test::HostileDocumentFiles hostile(fleet.Encoder().ConfigurationDocument());
  for (const kestrine::test::HostileFile& file : hostile.Files()) {
    const Parsed parsed = Parse({"--config", file.path});
    EXPECT_EQ(parsed.status, 2) << file.what;
    EXPECT_EQ(parsed.err, "kestrine-encoder-sim: --config: cannot read " + file.path + ": " + file.reason +
                              "\nRun with --help for the options.\n")
        << file.what;
  }
}

#ifdef _WIN32
// The program runs in a child made with fork() and exec(), and stops on SIGTERM: Windows has
// neither (scripts/windows-check.sh runs the Windows programs against the simulator instead).
constexpr const char* kNoForkHere = "needs fork(), exec() and SIGTERM, which Windows does not have";

TEST(SimulatorProgram, ServesWhatItPrintsAndEndsCleanlyOnSigterm) { GTEST_SKIP() << kNoForkHere; }
TEST(SimulatorProgram, ABadOptionExitsWithStatusTwo) { GTEST_SKIP() << kNoForkHere; }
#else
// The program in a child process, its standard output on a pipe.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(std::vector<std::string> args) {
    args.insert(args.begin(), KESTRINE_ENCODER_SIM);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    output_ = fdopen(fds[0], "r");
  }
  ~SimulatorProcess() {
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (output_) fclose(output_);
  }

  std::string ReadLine() {
    char line[256];
    return output_ && fgets(line, sizeof line, output_) ? std::string(line) : std::string();
  }

  // Exit status after SIGTERM; -1 when it did not exit normally.
  int Terminate() {
    kill(pid_, SIGTERM);
    return Wait();
  }

  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
  bool waited_ = false;
};

TEST(SimulatorProgram, ServesWhatItPrintsAndEndsCleanlyOnSigterm) {
  SimulatorProcess program({"--control-port", "0", "--discovery-port", "0", "--count", "2", "--password", "DDDDUUUU"});
  const std::regex listening(R"(listening on (127\.0\.0\.[12]):(\d+)\n)");
  std::smatch match;
  const std::string first = program.ReadLine();
  ASSERT_TRUE(std::regex_match(first, match, listening)) << first;
  EXPECT_EQ(match[1], "127.0.0.1");
  const auto port = static_cast<std::uint16_t>(std::stoi(match[2]));
  const std::string second = program.ReadLine();
  ASSERT_TRUE(std::regex_match(second, match, listening)) << second;
  EXPECT_EQ(match[1], "127.0.0.2");
  EXPECT_EQ(program.ReadLine(), "127.0.0.1 streams to udp://127.0.0.1:5000 after 1005\n");
  EXPECT_EQ(program.ReadLine(), "127.0.0.2 streams to udp://127.0.0.1:5001 after 1005\n");
  EXPECT_NE(program.ReadLine().find("answering discovery on UDP 0.0.0.0:"), std::string::npos);

  platform::Socket client = platform::Socket::CreateStream();
  ASSERT_TRUE(client.Connect(platform::HostToNetwork32(0x7F000002), port, kPatience, {}));
  ASSERT_EQ(client.Send(net::EncodeRequest(net::CMD_GETXML, "")), 8u);
  std::string reply;
  std::array<std::byte, 4096> buffer{};
  while (reply.find("</tavrix>") == std::string::npos) {
    const platform::Received got = client.Receive(buffer, kPatience, {});
    ASSERT_EQ(got.status, platform::ReceiveStatus::Data);
    reply += net::AsText(std::span(buffer).first(got.count));
  }
  EXPECT_NE(reply.find("<old_password>DDDDUUUU</old_password>"), std::string::npos);

  EXPECT_EQ(program.Terminate(), 0);
}

TEST(SimulatorProgram, ABadOptionExitsWithStatusTwo) {
  SimulatorProcess program({"--count", "none"});
  EXPECT_EQ(program.Wait(), 2);
}
#endif

}  // namespace
}  // namespace kestrine::sim::test
