#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/OperatorFeedback.h"

namespace kestrine::cli {

enum class Stream { Out, Err };

// What one encoder's job printed, kept until it is its turn to be shown.
struct JobOutput {
  struct Line {
    Stream stream;
    std::string text;  // as printed: the prefix, then the text
  };
  std::vector<Line> lines;
  // What the job said on stderr, the texts as given without prefix, one per line: its --json "error".
  std::string errorText;

  void Print(Stream stream, std::string_view prefix, std::string_view text);
};

// The operations' messages as lines: tips and log lines on stdout, warnings and
// plain messages on stderr, each behind its stream's prefix ("ADDR: " or nothing).
class ConsoleFeedback final : public net::UnattendedFeedback {
 public:
  ConsoleFeedback(JobOutput& output, std::string outPrefix, std::string errPrefix);

  void ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) override;
  void ExplainFailure(std::string_view detail) override { Error(detail); }
  void AddLogLine(std::string_view text, net::LogLineKind kind) override;

  void Error(std::string_view text) { output_.Print(Stream::Err, errPrefix_, text); }
  void Say(std::string_view text) { output_.Print(Stream::Out, outPrefix_, text); }

 private:
  JobOutput& output_;
  std::string outPrefix_;
  std::string errPrefix_;
};

}  // namespace kestrine::cli
