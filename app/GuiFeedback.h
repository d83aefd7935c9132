#pragma once

#include <string_view>

#include <QString>

#include "app/InputGuard.h"
#include "net/OperatorFeedback.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::app {

class CDeviceTreeCtrl;
class CMessageLogWnd;
class ConfigurationPage;
class MessageBoxPresenter;

// What an operation shows, shown by the desktop: modal boxes owned by the main window or the device
// tree, the message log, the node images, the page and the wait cursor. Between the slices of every
// wait the window repaints, and input given meanwhile is dropped (not kept for later), so the window
// never looks hung and nothing the operator did during the wait acts after it. Calls about one encoder
// name its record, which is mapped to the node owning it (a read may change the record's address).
class GuiFeedback final : public net::OperatorFeedback {
 public:
  GuiFeedback(CDeviceTreeCtrl& tree, CMessageLogWnd& log, ConfigurationPage& page, MessageBoxPresenter& boxes);

  void SetMessageBoxes(MessageBoxPresenter& boxes) { boxes_ = &boxes; }
  // How the running command words a failure that has no box of its own: a program notice in the log,
  // %1 the reason ("Configuration from 10.0.0.3 could not be read: %1"). Empty: the reason alone.
  void SetFailureNotice(QString notice) { failureNotice_ = std::move(notice); }

  void ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) override;
  void ExplainFailure(std::string_view detail) override;
  void ClearLog() override;
  void AddLogLine(std::string_view text, net::LogLineKind kind) override;
  void EncoderAnswered(const config::EncoderConfiguration& entry, bool answered) override;
  void RecordChanged(const config::EncoderConfiguration& entry) override;
  void BeginWait() override;
  void EndWait() override;
  void KeepAlive() override;

 private:
  CDeviceTreeCtrl& tree_;
  CMessageLogWnd& log_;
  ConfigurationPage& page_;
  MessageBoxPresenter* boxes_;
  InputGuard guard_;
  QString failureNotice_;
  int waits_ = 0;  // nested BeginWait calls not yet ended
};

}  // namespace kestrine::app
