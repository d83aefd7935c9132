#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/ShellSettings.h"

class QWidget;

namespace kestrine::config {
struct AuditFinding;
}

namespace kestrine::app {

class CAuditDlg;
class CDeviceTreeCtrl;
class CMessageLogWnd;
class ConfigurationPage;
class DeviceNode;
class EncoderListFiles;
class GuiFeedback;
class MessageBoxPresenter;

// The device commands of the context menus and the File menu's encoder lists, run one at a time. While one runs the
// shell is busy: further commands and page commits are dropped, the status bar says what runs, and a
// close of the window waits for the command's end.
class DeviceCommands final : public QObject {
  Q_OBJECT

 public:
  // `window` owns the dialogs and boxes of the commands and is closed after a close it deferred.
  DeviceCommands(ShellSettings settings, CDeviceTreeCtrl& tree, CMessageLogWnd& log, ConfigurationPage& page,
                 QWidget& window);
  ~DeviceCommands() override;

  // Dialogs and operations show their boxes through `boxes` from now on.
  void SetMessageBoxes(MessageBoxPresenter& boxes);

  // Runs a device command. Ignored while another runs.
  void Run(int id);
  [[nodiscard]] bool IsBusy() const { return busy_; }

  // The hook every command of the window passes: an item's commit is judged against the selected
  // node's record and the page shows that record again, whatever the id.
  void ApplyPropertyEdit(int id);

  // True when a command runs: the window is closed once it has ended, and must stay open meanwhile.
  [[nodiscard]] bool DeferClose();

 signals:
  // What the status bar's message pane says.
  void StatusChanged(const QString& text);
  // A device command has run to its end.
  void CommandFinished(int id);

 private:
  class CommandScope;

  void Dispatch(int id);
  void SearchEncoders();
  void AddEncoder();
  void ReadConfiguration(DeviceNode& node);
  void WriteConfiguration(DeviceNode& node);
  void StartStreaming(DeviceNode& node, bool start);
  void ReadDeviceMessages(DeviceNode& node);
  void AuditEncoders();
  void CheckStream(DeviceNode& node);
  void ShowAuditFindings(const QStringList& addresses, const std::vector<config::AuditFinding>& findings);
  void SelectEncoder(const QString& address);
  // The status bar says `activity`, with %1 the address the command works on.
  void ShowStatus(const QString& activity, const QString& address);

  ShellSettings settings_;
  CDeviceTreeCtrl& tree_;
  CMessageLogWnd& log_;
  ConfigurationPage& page_;
  QWidget& window_;
  MessageBoxPresenter* boxes_;
  std::unique_ptr<GuiFeedback> feedback_;
  std::unique_ptr<EncoderListFiles> lists_;
  QPointer<CAuditDlg> auditDialog_;  // the last audit's findings, while open
  bool busy_ = false;
  std::atomic<bool> closeRequested_{false};  // also asked by a stream check's thread
};

}  // namespace kestrine::app
