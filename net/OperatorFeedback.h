#pragma once

#include <chrono>
#include <string_view>

namespace kestrine::config {
struct EncoderConfiguration;
}  // namespace kestrine::config

namespace kestrine::net {

// How a message is put before the operator: caption "Warning" with the
// exclamation icon, caption "Tip", or the application's title.
enum class MessageStyle { Warning, Tip, Plain };

// The window a message box belongs to.
enum class MessageOwner { MainWindow, DeviceTree };

// Lines of the message log: an encoder's own message, or one of ours.
enum class LogLineKind { DeviceMessage = 0, ProgramNotice = 1 };

// Everything an operation shows or changes outside the record goes through
// here. The desktop shell implements it with message boxes, the log pane and
// the wait cursor; the command line with stdout/stderr; tests with a recorder.
// Calls about one encoder pass the very record the operation was given: a read
// may replace its address, so it is the record, not the address, that names it.
class OperatorFeedback {
 public:
  virtual ~OperatorFeedback() = default;

  virtual void ShowMessage(MessageStyle style, MessageOwner owner, std::string_view text) = 0;
  // Why an operation failed where the desktop has no message of its own for it (a reply that was no
  // answer, a document the reader refused): the desktop passes over it as it always has, the command
  // line prints it, so a script learns the reason once, from the operation that knows it.
  virtual void ExplainFailure(std::string_view detail) = 0;
  virtual void ClearLog() = 0;
  virtual void AddLogLine(std::string_view text, LogLineKind kind) = 0;
  // The encoder answered the reachability check or did not (the device tree's node images 0 / 1).
  virtual void EncoderAnswered(const config::EncoderConfiguration& entry, bool answered) = 0;
  // Show this encoder's record again wherever it is shown.
  virtual void RecordChanged(const config::EncoderConfiguration& entry) = 0;
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;

  // Called between the slices of every blocking wait; a window repaints here.
  virtual void KeepAlive() {}
  // A fixed pause of the protocol. The default sleeps in slices, calling KeepAlive.
  virtual void Pause(std::chrono::milliseconds duration);
};

// Feedback with no window behind it (a script, a probe, an audit in the background): the calls that only
// change what a window shows do nothing; what the operations say is the subclass's to keep.
class UnattendedFeedback : public OperatorFeedback {
 public:
  void ClearLog() override {}
  void AddLogLine(std::string_view /*text*/, LogLineKind /*kind*/) override {}
  void EncoderAnswered(const config::EncoderConfiguration& /*entry*/, bool /*answered*/) override {}
  void RecordChanged(const config::EncoderConfiguration& /*entry*/) override {}
  void BeginWait() override {}
  void EndWait() override {}
};

// Shows the wait cursor for as long as it lives.
class WaitScope final {
 public:
  explicit WaitScope(OperatorFeedback& feedback) : feedback_(feedback) { feedback_.BeginWait(); }
  ~WaitScope() { feedback_.EndWait(); }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  OperatorFeedback& feedback_;
};

}  // namespace kestrine::net
