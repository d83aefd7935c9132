#include "cli/ConsoleFeedback.h"

#include <utility>

#include "config/HumanText.h"

namespace kestrine::cli {

void JobOutput::Print(Stream stream, std::string_view prefix, std::string_view text) {
  // Some of the system's texts carry their own line feed; a line gets exactly one,
  // and any other control byte (an encoder's text passes here too) is shown escaped.
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  std::string line(prefix);
  line += config::HumanText(text);
  lines.push_back({stream, std::move(line)});
  if (stream != Stream::Err) return;
  if (!errorText.empty()) errorText += '\n';
  errorText += text;
}

ConsoleFeedback::ConsoleFeedback(JobOutput& output, std::string outPrefix, std::string errPrefix)
    : output_(output), outPrefix_(std::move(outPrefix)), errPrefix_(std::move(errPrefix)) {}

void ConsoleFeedback::ShowMessage(net::MessageStyle style, net::MessageOwner /*owner*/, std::string_view text) {
  if (style == net::MessageStyle::Tip) {
    Say(text);
  } else {
    Error(text);
  }
}

void ConsoleFeedback::AddLogLine(std::string_view text, net::LogLineKind /*kind*/) { Say(text); }

}  // namespace kestrine::cli
