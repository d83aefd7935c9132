#include "stream/StreamCheckReport.h"

#include "config/HumanText.h"
#include "stream/StreamProbe.h"

namespace kestrine::stream {

StreamCheckReport ReportStreamCheck(std::string_view encoder, const ProbeResult& result) {
  const std::string name = config::HumanText(encoder);
  StreamCheckReport report;
  report.warning = !result.Ok();
  if (!report.warning) {
    report.boxText = "The stream from " + name + " is as configured:\n" + config::HumanText(SummaryText(result));
    return report;
  }
  report.boxText = "The stream from " + name + " is not as configured:";
  for (const StreamFinding& finding : result.findings) {
    const std::string line = std::string(FindingKindName(finding.kind)) + ": " + config::HumanText(finding.text);
    report.notices.push_back("Stream from " + name + ": " + line);
    report.boxText += "\n" + line;
  }
  return report;
}

}  // namespace kestrine::stream
