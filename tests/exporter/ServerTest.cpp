#include <gtest/gtest.h>

#include <future>

#include "exporter/ExporterFixture.h"
#include "support/Eventually.h"
#include "support/UdpPorts.h"

namespace kestrine::test {
namespace {

using std::chrono::milliseconds;

// How long a probe of the silent encoder waits for its reply: an age beside a loopback exchange.
constexpr milliseconds kSlowReceive{3000};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Server : public ExporterFixture {
 protected:
  void SetUp() override { StartFleet(2); }

  // Encoder 0 takes the request and never answers.
  void SilenceEncoder0() {
    sim::ReplyFaults silent;
    silent.silent = true;
    Encoder(0).SetReplyFaultsForAll(silent);
  }

  bool InFlight(int probes) {
    return Has(Get("/metrics").body, "\nkestrine_exporter_probes_in_flight " + std::to_string(probes) + "\n");
  }
};

TEST_F(Server, TargetsOutsideTheAllowListAreForbiddenAndBadRequestsSayWhatIsWrong) {
  StartExporter([](auto& s) { s.allow = exporter::AllowList({*exporter::AddressRange::Parse("127.0.0.2/32")}); });
  const HttpAnswer outside = Probe(0);
  EXPECT_EQ(outside.status, 403);
  EXPECT_TRUE(Has(outside.body, "127.0.0.2/32")) << outside.body;
  EXPECT_EQ(Encoder(0).RequestCount(net::CMD_GETXML), 0u);  // never contacted
  EXPECT_EQ(Probe(1).status, 200);

  EXPECT_EQ(Get("/probe").status, 400);
  EXPECT_EQ(Get("/probe?target=encoder.example").status, 400);
  EXPECT_EQ(Get("/probe?target=" + std::string(100, '1')).status, 400);
  EXPECT_EQ(Get("/probe?target=" + Address(1) + "&module=video").status, 400);
  EXPECT_EQ(Get("/elsewhere").status, 404);
  EXPECT_EQ(HttpRequest(server_->Port(), "POST", "/probe?target=" + Address(1)).status, 405);
  const HttpAnswer landing = Get("/");
  EXPECT_EQ(landing.status, 200);
  EXPECT_TRUE(Has(landing.body, "/metrics"));
  EXPECT_TRUE(Has(Get("/metrics").body, "kestrine_exporter_rejected_scrapes_total{reason=\"forbidden\"} 1"));
}

TEST_F(Server, ASilentEncoderIsReportedDownWithinTheScrapeTimeout) {
  SilenceEncoder0();
  // Left alone, these waits would hold the probe for 3 s and then 10 s more.
  StartExporter([](auto& s) {
    s.prober.timings.exchangeDelay = milliseconds(3000);
    s.prober.timings.receiveTimeout = milliseconds(10000);
  });
  // Prometheus gives up after its scrape timeout: so does this client.
  const HttpAnswer answer = HttpGet(server_->Port(), "/probe?target=" + Address(0),
                                    {{"X-Prometheus-Scrape-Timeout-Seconds", "1.5"}}, milliseconds(1500));
  ASSERT_EQ(answer.status, 200) << "no answer within the scrape timeout";
  EXPECT_TRUE(Has(answer.body, "\nkestrine_up 0\n")) << answer.body;
  EXPECT_TRUE(Has(answer.body, "Read Device Configuration Failed !")) << answer.body;
}

TEST_F(Server, AStreamIsListenedForOnlyAsLongAsTheScrapeTimeoutLeaves) {
  config::EncoderConfiguration record = Encoder(1).Configuration();
  record.multicast_port = FreeUdpPort();  // where nothing is sent
  Encoder(1).SetConfiguration(record);
  StartExporter([](auto& s) { s.prober.streamWindow = milliseconds(60000); });
  const HttpAnswer answer = HttpGet(server_->Port(), "/probe?target=" + Address(1) + "&module=stream",
                                    {{"X-Prometheus-Scrape-Timeout-Seconds", "2"}}, milliseconds(2000));
  ASSERT_EQ(answer.status, 200) << "no answer within the scrape timeout";
  EXPECT_TRUE(Has(answer.body, "\nkestrine_stream_received 0\n")) << answer.body;
  EXPECT_TRUE(Has(answer.body, "reason=\"no stream received at 127.0.0.1:")) << answer.body;
}

TEST_F(Server, OneSlowEncoderHoldsUpNoOtherScrape) {
  SilenceEncoder0();
  StartExporter([](auto& s) { s.prober.timings.receiveTimeout = kSlowReceive; });
  auto slow = std::async(std::launch::async, [&] { return Probe(0); });
  ASSERT_TRUE(Eventually([&] { return InFlight(1); }));  // /metrics answers while it waits

  const HttpAnswer quick = Probe(1);
  EXPECT_TRUE(Has(quick.body, "\nkestrine_up 1\n")) << quick.body;
  EXPECT_EQ(slow.wait_for(milliseconds(0)), std::future_status::timeout) << "the quick probe waited for the slow one";
  EXPECT_TRUE(Has(slow.get().body, "\nkestrine_up 0\n"));
}

TEST_F(Server, ProbesBeyondTheBoundAreRefusedAtOnce) {
  SilenceEncoder0();
  StartExporter([](auto& s) {
    s.maxConcurrent = 1;
    s.prober.timings.receiveTimeout = kSlowReceive;
  });
  auto slow = std::async(std::launch::async, [&] { return Probe(0); });
  ASSERT_TRUE(Eventually([&] { return InFlight(1); }));
  const HttpAnswer refused = Probe(1);
  EXPECT_EQ(refused.status, 503);
  EXPECT_TRUE(Has(refused.body, "--max-concurrent")) << refused.body;
  EXPECT_EQ(slow.get().status, 200);
  EXPECT_EQ(Probe(1).status, 200);  // the slot came back
  EXPECT_TRUE(Has(Get("/metrics").body, "kestrine_exporter_rejected_scrapes_total{reason=\"busy\"} 1"));
}

}  // namespace
}  // namespace kestrine::test
