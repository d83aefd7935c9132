#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrine::stream {

struct ProbeResult;

// What a stream check tells an operator about one encoder's stream: a line for the log per finding, in report
// order, then one box, a tip saying what the stream is or a warning listing what is not as configured. Texts are
// UTF-8 with control bytes escaped: names come from the stream, and the stream from anyone.
struct StreamCheckReport {
  std::vector<std::string> notices;
  bool warning = false;
  std::string boxText;
};

// `encoder` names it as the operator knows it (its address).
[[nodiscard]] StreamCheckReport ReportStreamCheck(std::string_view encoder, const ProbeResult& result);

}  // namespace kestrine::stream
