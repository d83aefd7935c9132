#pragma once

#include <chrono>
#include <string_view>

namespace kestrine::net {

// How a message is put before the operator: caption "Warning" with the
// exclamation icon, caption "Tip", or the application's title.
enum class MessageStyle { Warning, Tip, Plain };

// The window a message box belongs to.
enum class MessageOwner { MainWindow, DeviceTree };

// Lines of the message log: an encoder's own message, or one of ours.
enum class LogLineKind { DeviceMessage = 0, ProgramNotice = 1 };

// Node images of the device tree.
inline constexpr int kImageAnswered = 0;
inline constexpr int kImageUnanswered = 1;

// Everything an operation shows or changes outside the record goes through
// here. The desktop shell implements it with message boxes, the log pane and
// the wait cursor; the command line with stdout/stderr; tests with a recorder.
class OperatorFeedback {
 public:
  virtual ~OperatorFeedback() = default;

  virtual void ShowMessage(MessageStyle style, MessageOwner owner, std::string_view text) = 0;
  virtual void ClearLog() = 0;
  virtual void AddLogLine(std::string_view text, LogLineKind kind) = 0;
  virtual void SetNodeImage(int image) = 0;
  // Show the selected node's record on the configuration page.
  virtual void RefreshPage() = 0;
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;

  // Called between the slices of every blocking wait; a window repaints here.
  virtual void KeepAlive() {}
  // A fixed pause of the protocol. The default sleeps in slices, calling KeepAlive.
  virtual void Pause(std::chrono::milliseconds duration);
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
