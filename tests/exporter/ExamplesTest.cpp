#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "exporter/ExporterMetrics.h"
#include "exporter/ExporterTestTools.h"
#include "exporter/ProbeExposition.h"
#include "exporter/ProbeReport.h"
#include "platform/Ipv4Text.h"
#include "platform/Socket.h"
#include "support/Eventually.h"

namespace kestrine::test {
namespace {

using json = nlohmann::json;
using std::chrono::milliseconds;

const std::filesystem::path kExamples = KESTRINE_EXAMPLES_DIR;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Replaces every `from` in the text, failing the test when there is none (the example changed under the test).
void Replace(std::string& text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << "the example no longer holds " << from;
  for (; at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
}

// A probe with every part filled in, the way no single encoder would give it.
exporter::ProbeReport EverythingReport() {
  exporter::ProbeReport report;
  report.module = exporter::ProbeModule::Stream;
  report.up = true;
  report.record.emplace();
  report.drift = exporter::DriftReport{true, {{"mux_bitrate", "4000", "3000"}}};
  exporter::StreamReport stream;
  stream.received = true;
  stream.window = std::chrono::seconds(5);
  stream.bitrateBytesPerSecond = 500000;
  stream.errors[0] = 3;
  stream.videoBytesPerSecond = 450000;
  stream.audioBytesPerSecond = 24000;
  stream.mismatches.push_back("prg_name");
  report.stream = stream;
  report.failures.push_back({"stream", "PCR gap"});
  return report;
}

std::set<std::string> ExposedNames(const std::string& exposition) {
  std::set<std::string> names;
  std::istringstream lines(exposition);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    names.insert(line.substr(0, line.find_first_of("{ ")));
  }
  return names;
}

TEST(Examples, UseOnlyMetricsTheExporterGivesAndItsWholeExpositionPassesPromtool) {
  const std::string probe = exporter::ExposeProbe(EverythingReport());
  exporter::ExporterMetrics own;
  own.ProbeStarted();
  own.ProbeFinished(exporter::ProbeModule::Config, true, milliseconds(3000));
  std::set<std::string> names = ExposedNames(probe);
  names.merge(ExposedNames(own.Text()));

  const std::regex metric("kestrine_[a-z_]+");
  for (const char* example :
       {"prometheus/kestrine-alerts.yml", "prometheus/kestrine-alerts.test.yml", "prometheus/grafana-dashboard.json"}) {
    const std::string text = ReadFile(kExamples / example);
    ASSERT_FALSE(text.empty()) << example;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), metric); it != std::sregex_iterator(); ++it) {
      EXPECT_TRUE(names.count(it->str())) << example << " uses " << it->str() << ", which the exporter never gives";
    }
  }
  const json dashboard = json::parse(ReadFile(kExamples / "prometheus/grafana-dashboard.json"));
  EXPECT_FALSE(dashboard.at("panels").empty());

  const std::optional<std::filesystem::path> promtool = FindProgram("promtool");
  if (!promtool) GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
  const ProgramRun check = CheckMetrics(*promtool, probe);
  EXPECT_EQ(check.status, 0) << check.output << probe;
}

std::uint16_t FreeLoopbackPort() {
  platform::Socket probe = platform::Socket::CreateStream();
  probe.Bind(platform::HostToNetwork32(platform::kLoopbackHostOrder), 0);
  return probe.LocalPort();
}

// The port a program printed after "listening on ADDR:" (the simulator) or "listening on http://ADDR:" (the exporter).
std::string PortAfter(const std::string& output, const std::string& prefix) {
  const std::size_t at = output.find(prefix);
  if (at == std::string::npos) return {};
  const std::size_t start = at + prefix.size();
  return output.substr(start, output.find_first_not_of("0123456789", start) - start);
}

struct SimulatedSite {
  std::unique_ptr<ChildProcess> process;
  std::string port;
};

SimulatedSite StartSimulator(const TempFolder& folder, const std::string& name, std::vector<std::string> args) {
  args.insert(args.begin(), {KESTRINE_ENCODER_SIM, "--control-port", "0", "--no-discovery"});
  SimulatedSite site{std::make_unique<ChildProcess>(args, folder.Path() / (name + ".log")), {}};
  const std::string first = args[5];  // --bind's value
  const bool ready = site.process->AwaitOutput("on " + first + ":");
  EXPECT_TRUE(ready) << site.process->Output();
  site.port = PortAfter(site.process->Output(), first + ":");
  return site;
}

TEST(Examples, PrometheusScrapesASimulatedFleetThroughTheExporter) {
  const std::optional<std::filesystem::path> prometheus = FindProgram("prometheus");
  if (!prometheus) GTEST_SKIP() << "prometheus is not installed (Debian package prometheus)";
  TempFolder folder("prometheus");
  const SimulatedSite good = StartSimulator(folder, "good", {"--bind", "127.0.77.1", "--count", "3"});
  const SimulatedSite bad = StartSimulator(folder, "bad", {"--bind", "127.0.77.9", "--refuse"});
  ChildProcess exporter(
      {KESTRINE_EXPORTER_PROGRAM, "--listen", "127.0.0.1:0", "--exchange-delay", "20", "--receive-timeout", "500"},
      folder.Path() / "exporter.log");
  ASSERT_TRUE(exporter.AwaitOutput("listening on")) << exporter.Output();
  const std::string exporterPort = PortAfter(exporter.Output(), "http://127.0.0.1:");

  // The example as it is, with the fleet for targets, its exporter, and one scrape a second.
  std::string config = ReadFile(kExamples / "prometheus/prometheus.yml");
  Replace(config, "127.0.0.1:29115", "127.0.0.1:" + exporterPort);
  Replace(config, "scrape_interval: 30s", "scrape_interval: 1s");
  Replace(config, "scrape_timeout: 10s", "scrape_timeout: 1s");
  Replace(config, "scrape_interval: 60s", "scrape_interval: 1s");
  Replace(config, "scrape_timeout: 15s", "scrape_timeout: 1s");
  WriteFile(folder.Path() / "prometheus.yml", config);
  std::filesystem::copy_file(kExamples / "prometheus/kestrine-alerts.yml", folder.Path() / "kestrine-alerts.yml");
  std::filesystem::create_directory(folder.Path() / "targets");
  WriteFile(folder.Path() / "targets/lab.yml", "- targets: [127.0.77.1:" + good.port + ", 127.0.77.2:" + good.port +
                                                   ", 127.0.77.3:" + good.port + ", 127.0.77.9:" + bad.port +
                                                   "]\n  labels:\n    site: lab\n");

  const std::uint16_t port = FreeLoopbackPort();
  ChildProcess server({prometheus->string(), "--config.file=" + (folder.Path() / "prometheus.yml").string(),
                       "--storage.tsdb.path=" + (folder.Path() / "data").string(),
                       "--web.listen-address=127.0.0.1:" + std::to_string(port), "--web.enable-lifecycle"},
                      folder.Path() / "prometheus.log");
  std::map<std::string, std::string> up;  // instance -> value
  HttpAnswer answer;
  const bool scraped = Eventually(
      [&] {
        answer = HttpGet(port, "/api/v1/query?query=kestrine_up%7Bjob%3D%22kestrine%22%7D");
        if (answer.status != 200) return false;
        up.clear();
        const json reply = json::parse(answer.body);
        for (const json& series : reply["data"]["result"]) {
          EXPECT_EQ(series["metric"]["site"], "lab");
          up[series["metric"]["instance"].get<std::string>()] = series["value"][1].get<std::string>();
        }
        return up.size() == 4;
      },
      std::chrono::seconds(60));
  ASSERT_TRUE(scraped) << answer.status << " " << answer.body << "\n" << server.Output();
  EXPECT_EQ(up["127.0.77.1:" + good.port], "1");
  EXPECT_EQ(up["127.0.77.2:" + good.port], "1");
  EXPECT_EQ(up["127.0.77.3:" + good.port], "1");
  EXPECT_EQ(up["127.0.77.9:" + bad.port], "0");

  EXPECT_EQ(HttpRequest(port, "POST", "/-/quit").status, 200);
  EXPECT_EQ(server.AwaitExit(std::chrono::seconds(30)), 0) << server.Output();
}

// changed=N of every host in the play recap.
std::vector<int> ChangedCounts(const std::string& output) {
  std::vector<int> counts;
  const std::regex recap(R"(\S+\s+: ok=\d+\s+changed=(\d+))");
  for (auto it = std::sregex_iterator(output.begin(), output.end(), recap); it != std::sregex_iterator(); ++it) {
    counts.push_back(std::stoi((*it)[1].str()));
  }
  return counts;
}

TEST(Examples, ThePlaybookBacksUpAppliesAndAuditsAndASecondRunChangesNothing) {
  const std::optional<std::filesystem::path> playbook = FindProgram("ansible-playbook");
  if (!playbook) GTEST_SKIP() << "ansible-playbook is not installed (Debian package ansible-core)";
  if (RunProgram({KESTRINECTL_PROGRAM, "apply", "--help"}).output.find("--password-file") == std::string::npos) {
    GTEST_SKIP() << "this kestrinectl takes no --password-file, which the playbook passes the password with";
  }
  TempFolder folder("ansible");
  const SimulatedSite fleet = StartSimulator(folder, "fleet", {"--bind", "127.0.78.1", "--count", "3"});
  std::filesystem::copy(kExamples / "ansible", folder.Path() / "play", std::filesystem::copy_options::recursive);
  WriteFile(folder.Path() / "inventory.yml",
            "all:\n  vars: {ansible_connection: local}\n  children:\n    sites:\n      children:\n"
            "        east:\n          vars: {site: east}\n          hosts:\n"
            "            east-1: {encoder_address: 127.0.78.1}\n            east-2: {encoder_address: 127.0.78.2}\n"
            "        west:\n          vars: {site: west}\n          hosts:\n"
            "            west-1: {encoder_address: 127.0.78.3}\n");
  const std::filesystem::path password = folder.Path() / "password";
  WriteFile(password, "UUUUUUUU\n");
  std::filesystem::permissions(password, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::filesystem::path backups = folder.Path() / "backups";
  const json vars = {{"kestrinectl", KESTRINECTL_PROGRAM},
                     {"kestrinectl_options", {"--port", fleet.port, "--exchange-delay", "20"}},
                     {"kestrine_password_file", password.string()},
                     {"backup_dir", backups.string()}};
  WriteFile(folder.Path() / "vars.json", vars.dump());
  const std::vector<std::string> environment{
      "ANSIBLE_HOME=" + (folder.Path() / "home").string(), "ANSIBLE_LOCAL_TEMP=" + (folder.Path() / "tmp").string(),
      "ANSIBLE_NOCOLOR=1", "ANSIBLE_CONFIG=" + (folder.Path() / "play/ansible.cfg").string()};
  const auto play = [&](std::vector<std::string> extra) {
    std::vector<std::string> argv{playbook->string(),
                                  "-i",
                                  (folder.Path() / "inventory.yml").string(),
                                  (folder.Path() / "play/site.yml").string(),
                                  "-e",
                                  "@" + (folder.Path() / "vars.json").string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return RunProgram(argv, {}, environment);
  };
  const auto muxBitrate = [&](const char* address) {
    const ProgramRun show =
        RunProgram({KESTRINECTL_PROGRAM, "--port", fleet.port, "--exchange-delay", "20", "show", address, "--json"});
    return json::parse(show.output).value("mux_bitrate", -1);
  };
  const int before = muxBitrate("127.0.78.1");
  ASSERT_NE(before, 6000);

  const ProgramRun check = play({"--check"});
  ASSERT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(muxBitrate("127.0.78.1"), before) << "--check wrote to an encoder";
  EXPECT_FALSE(std::filesystem::exists(backups / "127.0.78.1.xml")) << "--check kept a backup";

  const ProgramRun first = play({});
  ASSERT_EQ(first.status, 0) << first.output;
  for (const int changed : ChangedCounts(first.output)) EXPECT_GT(changed, 0) << first.output;
  for (const char* address : {"127.0.78.1", "127.0.78.2", "127.0.78.3"}) {
    EXPECT_EQ(muxBitrate(address), 6000) << address;
    // The backup now holds what the profile made of the encoder: the exporter's baseline.
    EXPECT_NE(ReadFile(backups / (std::string(address) + ".xml")).find("<bitrate>6000</bitrate>"), std::string::npos);
  }

  const ProgramRun second = play({});
  ASSERT_EQ(second.status, 0) << second.output;
  const std::vector<int> changed = ChangedCounts(second.output);
  EXPECT_EQ(changed, std::vector<int>(3, 0)) << second.output;
}

}  // namespace
}  // namespace kestrine::test
