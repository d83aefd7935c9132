#pragma once

// The simulator's headers name a member `slots`: they come before any Qt header defines it away.
#include "sim/EncoderFleet.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ConfigurationPage.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/ShellSettings.h"

class QDialog;
class QMenu;

namespace kestrine::app {
class DeviceNode;
}

namespace kestrine::test {

// Writes down every message box instead of showing it, so no test waits on a modal box.
class RecordingBoxes final : public app::MessageBoxPresenter {
 public:
  struct Box {
    QString text;
    QString caption;
    QMessageBox::Icon icon;
    QString owner;  // the owning window's object name
  };
  void Show(const app::MessageBoxRequest& request) override;
  [[nodiscard]] QStringList Texts() const;

  std::vector<Box> boxes;
};

// Steps to take, in order, as soon as a popup menu or a modal dialog is up: they run from inside the
// menu's or dialog's own event loop, the way an operator's clicks would arrive.
class UiScript final : public QObject {
  Q_OBJECT

 public:
  UiScript();
  void OnPopup(std::function<void(QMenu&)> act);
  void OnModal(std::function<void(QDialog&)> act);
  [[nodiscard]] bool Done() const { return steps_.empty(); }

 private:
  struct Step {
    bool popup;
    std::function<void(QWidget&)> act;
  };
  void Poll();

  std::deque<Step> steps_;
  QTimer timer_;
};

// Picks an item of an open menu with the keyboard, as an operator would.
void Choose(QMenu& menu, const char* actionObjectName);
// Saves a picture of the widget under build/screenshots/app/.
void SaveScreenshot(QWidget& widget, const QString& name);
// Loopback timings short enough for tests, long enough for a loaded host.
net::Timings ShortTimings();

// A main window pointed at a simulated fleet on loopback, with boxes recorded and its own document folder.
class ShellTest : public ::testing::Test {
 protected:
  explicit ShellTest(std::size_t fleetSize = 1) : fleetSize_(fleetSize) {}
  void SetUp() override;
  void TearDown() override;
  // A main window on settings_, shown, active and recording its boxes (SetUp opens the first one).
  void OpenFrame();

  // Opens the device tree's context menu over `node` (or empty space) and chooses the item; `inDialog`
  // then acts in the dialog the command opens.
  void ChooseFromTree(const char* actionObjectName, app::DeviceNode* over = nullptr,
                      std::function<void(QDialog&)> inDialog = {});
  void ChooseFromLog(const char* actionObjectName);
  void RightClickTree(QPoint at = QPoint(30, 30));
  void Select(app::DeviceNode& node);
  // Opens the page row's editor with a click, types over what it holds and presses Enter.
  void TypeIntoPage(int id, const QString& text);
  // What the page's text row shows.
  [[nodiscard]] QString PageText(int id) const;
  [[nodiscard]] app::DeviceNode* NodeFor(std::size_t encoderIndex) const;
  [[nodiscard]] std::filesystem::path Document(const char* name) const { return folder_ / name; }

  std::size_t fleetSize_;
  std::unique_ptr<sim::EncoderFleet> fleet_;
  app::ShellSettings settings_;
  std::filesystem::path folder_;
  RecordingBoxes boxes_;
  std::unique_ptr<app::CMainFrame> frame_;
  UiScript script_;
};

}  // namespace kestrine::test
