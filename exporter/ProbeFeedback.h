#pragma once

#include <string>
#include <string_view>

#include "net/OperatorFeedback.h"

namespace kestrine::exporter {

// Nobody watches a probe: the first message an operation would have put before
// the operator, or explained where the desktop has none, becomes the probe's
// failure reason; the rest is dropped.
class ProbeFeedback final : public net::UnattendedFeedback {
 public:
  void ShowMessage(net::MessageStyle /*style*/, net::MessageOwner /*owner*/, std::string_view text) override {
    if (firstMessage_.empty()) firstMessage_ = text;
  }
  void ExplainFailure(std::string_view detail) override {
    if (firstMessage_.empty()) firstMessage_ = detail;
  }

  [[nodiscard]] const std::string& FirstMessage() const { return firstMessage_; }

 private:
  std::string firstMessage_;
};

}  // namespace kestrine::exporter
