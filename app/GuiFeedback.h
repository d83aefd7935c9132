#pragma once

#include <string_view>

#include "net/OperatorFeedback.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::app {

class CMainFrame;

// What an operation shows, shown by the desktop: modal boxes with their owners, the message log, the
// node images, the page and the wait cursor. Between the slices of every wait the window repaints, but
// takes no user input, so it never looks hung and no second command can start.
class GuiFeedback final : public net::OperatorFeedback {
 public:
  explicit GuiFeedback(CMainFrame& frame);

  void ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) override;
  void ClearLog() override;
  void AddLogLine(std::string_view text, net::LogLineKind kind) override;
  void SetNodeImage(int image) override;
  void RefreshPage() override;
  void BeginWait() override;
  void EndWait() override;
  void KeepAlive() override;

  // The record the running operation works on; the node images and the page follow it.
  void SetOperationEntry(config::EncoderConfiguration* entry) { entry_ = entry; }

 private:
  CMainFrame& frame_;
  config::EncoderConfiguration* entry_ = nullptr;
};

}  // namespace kestrine::app
