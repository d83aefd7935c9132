#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QString>

#include "app/ConfigurationPage.h"
#include "app/ShellSettings.h"

class QAction;
class QLabel;
class QToolBar;

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::app {

class CDeviceTreeCtrl;
class CMessageLogWnd;
class CPaneSplitter;
class DeviceNode;
class GuiFeedback;
class MessageBoxPresenter;

// The main window: menus, toolbar and status bar around the device tree on the left and, on the right,
// the configuration page above the message log. Every device command runs here, one at a time.
class CMainFrame final : public QMainWindow, private EditWarningSink {
  Q_OBJECT

 public:
  explicit CMainFrame(ShellSettings settings, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Message boxes go through `boxes` from now on (tests record them); the real ones by default.
  void SetMessageBoxes(MessageBoxPresenter& boxes);
  [[nodiscard]] MessageBoxPresenter& Boxes() const { return *boxes_; }

  [[nodiscard]] CDeviceTreeCtrl& DeviceTree() const { return *deviceTree_; }
  [[nodiscard]] CMessageLogWnd& MessageLog() const { return *messageLog_; }
  [[nodiscard]] ConfigurationPage& Page() const { return *page_; }
  [[nodiscard]] CPaneSplitter& OuterSplitter() const { return *outerSplitter_; }
  [[nodiscard]] CPaneSplitter& InnerSplitter() const { return *innerSplitter_; }
  [[nodiscard]] QToolBar& ToolBar() const { return *toolBar_; }
  [[nodiscard]] QString StatusText() const;
  [[nodiscard]] QAction* Action(int id) const;

  // Runs a device command (context menus of the tree and the log). Ignored while another runs.
  void RunDeviceCommand(int id);
  [[nodiscard]] bool IsBusy() const { return busy_; }

  // The window's side of the waits: paint, let timers run, take no user input.
  void KeepAlive();
  // Called on every turn of KeepAlive, so a probe can see how long the window went without one.
  void SetKeepAliveObserver(std::function<void()> observer) { keepAliveObserver_ = std::move(observer); }

  // The page shows `entry` again when it is the selected node's record.
  void ShowRecordIfSelected(const config::EncoderConfiguration& entry);

 signals:
  // A device command has run to its end (tests wait for this).
  void CommandFinished(int id);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class CommandScope;

  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void CreatePanes();
  void OnFrameCommand(int id);
  void OnItemCommand(int id);
  void OnSelectionChanged(DeviceNode* node);
  void SetStatusText(const QString& text);
  void ShowEditWarning(std::string_view text) override;

  void SearchEncoders();
  void AddEncoder();
  void DeleteEncoder(DeviceNode& node);
  void ReadConfiguration(DeviceNode& node);
  void WriteConfiguration(DeviceNode& node);
  void StartStreaming(DeviceNode& node, bool start);
  void ReadDeviceMessages(DeviceNode& node);

  ShellSettings settings_;
  MessageBoxPresenter* boxes_;
  std::unique_ptr<GuiFeedback> feedback_;
  CPaneSplitter* outerSplitter_ = nullptr;
  CPaneSplitter* innerSplitter_ = nullptr;
  CDeviceTreeCtrl* deviceTree_ = nullptr;
  ConfigurationPage* page_ = nullptr;
  CMessageLogWnd* messageLog_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* messagePane_ = nullptr;
  std::function<void()> keepAliveObserver_;
  bool busy_ = false;
  bool closeRequested_ = false;
};

}  // namespace kestrine::app
