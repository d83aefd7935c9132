#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "exporter/AllowList.h"
#include "exporter/ExporterCommandLine.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeRequest.h"
#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

using std::chrono::milliseconds;

std::uint32_t Address(const char* text) {
  std::uint32_t address = 0;
  EXPECT_TRUE(platform::ParseDottedQuad(text, address));
  return address;
}

TEST(ProbeBudget, FollowsTheScrapeTimeoutLessTheMarginAndNeverPassesTheLimit) {
  const BudgetRule rule{milliseconds(10000), milliseconds(500)};
  EXPECT_EQ(ProbeBudget("2", rule), milliseconds(1500));
  EXPECT_EQ(ProbeBudget("2.5", rule), milliseconds(2000));
  EXPECT_EQ(ProbeBudget("60", rule), milliseconds(9500));
  EXPECT_EQ(ProbeBudget("0.6", rule), milliseconds(300));  // the margin would leave nothing: half of it
  for (const char* unusable : {"", "abc", "-3", "0", "nan", "inf", "1e400", "2s"}) {
    EXPECT_EQ(ProbeBudget(unusable, rule), milliseconds(10000)) << unusable;
  }
}

TEST(ProbeBudget, FittedWaitsEndWithinTheBudgetEvenWhenEveryStageTakesAllItMay) {
  const net::Timings defaults;  // 3000 ms pause, 500 ms receives, 5 s connect, 30 s reply
  for (long long ms : {1LL, 7LL, 100LL, 900LL, 1500LL, 3400LL, 4000LL, 9500LL, 60000LL}) {
    const net::Timings fitted = FitTimings(defaults, milliseconds(ms));
    EXPECT_LE((fitted.connectTimeout + fitted.exchangeDelay + fitted.replyLimit).count(), std::max(ms, 3LL)) << ms;
    EXPECT_GT(fitted.connectTimeout.count(), 0) << ms;
    EXPECT_GT(fitted.receiveTimeout.count(), 0) << ms;
  }
  const net::Timings roomy = FitTimings(defaults, milliseconds(9500));
  EXPECT_EQ(roomy.exchangeDelay, milliseconds(3000));
  EXPECT_EQ(roomy.receiveTimeout, milliseconds(500));
  EXPECT_EQ(roomy.connectTimeout, milliseconds(5000));
  EXPECT_EQ(roomy.replyLimit, milliseconds(1500));

  // The pause no longer fits: what is left of it is waited for in the first receive.
  const net::Timings tight = FitTimings(defaults, milliseconds(2000));
  EXPECT_LT(tight.exchangeDelay, milliseconds(3000));
  EXPECT_EQ(tight.receiveTimeout, tight.replyLimit);
}

TEST(AllowList, HoldsLoopbackOnlyUntilToldOtherwise) {
  const AllowList loopback;
  EXPECT_TRUE(loopback.Allows(Address("127.0.0.1")));
  EXPECT_TRUE(loopback.Allows(Address("127.255.3.4")));
  EXPECT_FALSE(loopback.Allows(Address("10.0.0.1")));
  EXPECT_FALSE(loopback.Allows(Address("128.0.0.1")));

  const AllowList sites({*AddressRange::Parse("10.20.0.0/16"), *AddressRange::Parse("192.168.1.7")});
  EXPECT_TRUE(sites.Allows(Address("10.20.255.1")));
  EXPECT_TRUE(sites.Allows(Address("192.168.1.7")));
  EXPECT_FALSE(sites.Allows(Address("192.168.1.8")));
  EXPECT_FALSE(sites.Allows(Address("127.0.0.1")));  // the list replaces the default
  EXPECT_TRUE(AllowList({*AddressRange::Parse("0.0.0.0/0")}).Allows(Address("203.0.113.9")));

  for (const char* refused : {"10.20.0.1/16", "10.0.0.0/33", "10.0.0.0/", "10.0.0/8", "10.0.0.0/8x", "any"}) {
    EXPECT_FALSE(AddressRange::Parse(refused)) << refused;
  }
}

TEST(ProbeRequest, TargetsAreAddressesWithAnOptionalPortAndModulesAreNamed) {
  const auto plain = ParseTarget("127.0.0.5", 9999);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->AddressText(), "127.0.0.5");
  EXPECT_EQ(plain->port, 9999);
  const auto ported = ParseTarget("127.0.0.5:4100", 9999);
  ASSERT_TRUE(ported);
  EXPECT_EQ(ported->port, 4100);
  for (const char* refused : {"", "localhost", "127.0.0.5:", "127.0.0.5:0", "127.0.0.5:65536", "127.0.0.5:1:2", "127.1",
                              "../127.0.0.5", "127.0.0.5 "}) {
    EXPECT_FALSE(ParseTarget(refused, 9999)) << refused;
  }
  EXPECT_EQ(ParseModule("config"), ProbeModule::Config);
  EXPECT_EQ(ParseModule("stream"), ProbeModule::Stream);
  EXPECT_FALSE(ParseModule("Stream"));
}

struct Parsed {
  std::optional<int> status;
  ExporterSettings settings;
  std::string err;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kestrine-exporter");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  Parsed parsed;
  std::ostringstream out;
  std::ostringstream err;
  parsed.status = ParseExporterCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.settings, out, err);
  parsed.err = err.str();
  return parsed;
}

TEST(ExporterCommandLine, DefaultsListenOnLoopbackAndTakeKestrinectlsTimings) {
  const Parsed defaults = Parse({});
  ASSERT_FALSE(defaults.status) << defaults.err;
  EXPECT_EQ(defaults.settings.listenAddress, "127.0.0.1");
  EXPECT_EQ(defaults.settings.listenPort, kDefaultListenPort);
  EXPECT_EQ(defaults.settings.prober.timings.exchangeDelay, milliseconds(3000));
  EXPECT_FALSE(defaults.settings.allow.Allows(Address("10.0.0.1")));

  const Parsed given = Parse({"--listen", "0.0.0.0:0", "--allow", "10.0.0.0/8", "172.16.0.0/12", "--exchange-delay", "50",
                              "--receive-timeout", "70", "--timeout", "4000", "--max-concurrent", "8"});
  ASSERT_FALSE(given.status) << given.err;
  EXPECT_EQ(given.settings.listenAddress, "0.0.0.0");
  EXPECT_EQ(given.settings.listenPort, 0);
  EXPECT_TRUE(given.settings.allow.Allows(Address("172.20.1.1")));
  EXPECT_EQ(given.settings.prober.timings.exchangeDelay, milliseconds(50));
  EXPECT_EQ(given.settings.prober.timings.receiveTimeout, milliseconds(70));
  EXPECT_EQ(given.settings.budget.limit, milliseconds(4000));
  EXPECT_EQ(given.settings.maxConcurrent, 8u);

  for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--listen", "29115"},
                                                {"--listen", "example.org:80"}, {"--listen", "[::1]:80"},
                                                {"--allow", "10.0.0.1/8"},
                                                {"--baseline", "/nonexistent/folder"},
                                                {"--max-concurrent", "0"}}) {
    const Parsed refused = Parse(wrong);
    EXPECT_EQ(refused.status, 2) << wrong[0] << " " << wrong[1];
    EXPECT_NE(refused.err.find(wrong[0]), std::string::npos) << refused.err;
  }
}

}  // namespace
}  // namespace kestrine::exporter
