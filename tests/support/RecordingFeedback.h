#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "net/OperatorFeedback.h"

namespace kestrine::test {

// An operator that writes down everything an operation shows, in order.
class RecordingFeedback final : public net::OperatorFeedback {
 public:
  struct Message {
    net::MessageStyle style;
    net::MessageOwner owner;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
  };
  struct LogLine {
    std::string text;
    net::LogLineKind kind;
  };

  void ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) override {
    messages.push_back({style, owner, std::string(text)});
    timeline.push_back("message:" + std::string(text));
  }
  void ExplainFailure(std::string_view detail) override {
    details.emplace_back(detail);
    timeline.push_back("detail:" + std::string(detail));
  }
  void ClearLog() override {
    log.clear();
    timeline.push_back("clear-log");
  }
  // The log puts every line on top.
  void AddLogLine(std::string_view text, net::LogLineKind kind) override {
    log.push_front({std::string(text), kind});
    timeline.push_back("log:" + std::string(text));
  }
  // Node images as the device tree sets them: 0 answered, 1 did not.
  void EncoderAnswered(const config::EncoderConfiguration& entry, bool answered) override {
    images.push_back(answered ? 0 : 1);
    entries.push_back(&entry);
    timeline.push_back("image:" + std::to_string(images.back()));
  }
  void RecordChanged(const config::EncoderConfiguration& entry) override {
    ++refreshes;
    entries.push_back(&entry);
    timeline.push_back("refresh");
  }
  void BeginWait() override {
    ++waitDepth;
    ++waits;
  }
  void EndWait() override { --waitDepth; }
  void KeepAlive() override { ++keepAlives; }
  void Pause(std::chrono::milliseconds duration) override {
    pauses.push_back(duration);
    timeline.push_back("pause:" + std::to_string(duration.count()));
    net::OperatorFeedback::Pause(duration);
  }

  [[nodiscard]] std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages) texts.push_back(m.text);
    return texts;
  }
  // The log as the pane shows it, top line first.
  [[nodiscard]] std::vector<std::string> LogTopFirst() const {
    std::vector<std::string> texts;
    for (const LogLine& line : log) texts.push_back(line.text);
    return texts;
  }

  std::vector<Message> messages;
  std::vector<std::string> details;
  std::deque<LogLine> log;
  std::vector<int> images;
  std::vector<const config::EncoderConfiguration*> entries;  // named by the image and refresh calls
  std::vector<std::chrono::milliseconds> pauses;
  std::vector<std::string> timeline;
  int refreshes = 0;
  int waitDepth = 0;
  int waits = 0;
  long keepAlives = 0;
};

}  // namespace kestrine::test
