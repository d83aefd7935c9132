// What the desktop's stream check says, from a probe's result: the log's lines and the box.
#include <gtest/gtest.h>

#include "platform/Ipv4Text.h"
#include "stream/StreamCheckReport.h"
#include "stream/StreamProbe.h"

namespace kestrine::stream {
namespace {

ProbeResult Measured() {
  ProbeResult result;
  result.destination = {platform::HostToNetwork32(platform::kLoopbackHostOrder), 5004, Framing::Rtp};
  result.program.programNumber = 3;
  result.program.serviceName = "News\x1b[2J";
  result.program.providerName = "Kestrine";
  result.program.bitrateKbps = 4000.04;
  return result;
}

TEST(StreamCheckReport, ASoundStreamIsATipSayingWhatItIsAndLogsNothing) {
  const StreamCheckReport report = ReportStreamCheck("127.0.0.3", Measured());
  EXPECT_FALSE(report.warning);
  EXPECT_TRUE(report.notices.empty());
  EXPECT_EQ(report.boxText,
            "The stream from 127.0.0.3 is as configured:\n"
            "program 3 \"News\\x1b[2J\" (Kestrine), 4000.0 kbit/s, rtp 127.0.0.1:5004");
}

TEST(StreamCheckReport, EachFindingIsALogLineAndALineOfTheWarning) {
  ProbeResult result = Measured();
  result.findings = {{FindingKind::ContinuityCountError, "3 continuity errors on PID 256"},
                     {FindingKind::PrgName, "configured \"News\", measured \"News\x1b[2J\""}};
  const StreamCheckReport report = ReportStreamCheck("127.0.0.3", result);
  EXPECT_TRUE(report.warning);
  EXPECT_EQ(report.notices, (std::vector<std::string>{
                                "Stream from 127.0.0.3: continuity-count-error: 3 continuity errors on PID 256",
                                "Stream from 127.0.0.3: prg_name: configured \"News\", measured \"News\\x1b[2J\""}));
  EXPECT_EQ(report.boxText,
            "The stream from 127.0.0.3 is not as configured:\n"
            "continuity-count-error: 3 continuity errors on PID 256\n"
            "prg_name: configured \"News\", measured \"News\\x1b[2J\"");
}

}  // namespace
}  // namespace kestrine::stream
