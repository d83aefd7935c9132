#pragma once

#include <QMainWindow>
#include <QString>

#include "app/ShellSettings.h"

class QAction;
class QLabel;
class QToolBar;

namespace kestrine::app {

class CDeviceTreeCtrl;
class CMessageLogWnd;
class CPaneSplitter;
class ConfigurationPage;
class DeviceCommands;
class DeviceNode;
class MessageBoxPresenter;

// The main window: menus, toolbar and status bar around the device tree on the left and, on the right,
// the configuration page above the message log. The device commands run in DeviceCommands; this class
// lays the window out and wires its parts together.
class CMainFrame final : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(ShellSettings settings, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Message boxes go through `boxes` from now on (tests record them); the real ones by default.
  void SetMessageBoxes(MessageBoxPresenter& boxes);

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
  [[nodiscard]] bool IsBusy() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateStatusBar();
  void CreatePanes();
  void ConnectPanes();
  void OnFrameCommand(int id);
  void OnSelectionChanged(DeviceNode* node);
  void SetStatusText(const QString& text);

  CPaneSplitter* outerSplitter_ = nullptr;
  CPaneSplitter* innerSplitter_ = nullptr;
  CDeviceTreeCtrl* deviceTree_ = nullptr;
  ConfigurationPage* page_ = nullptr;
  CMessageLogWnd* messageLog_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* messagePane_ = nullptr;
  DeviceCommands* commands_ = nullptr;  // a child of the window
};

}  // namespace kestrine::app
