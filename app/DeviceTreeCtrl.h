#pragma once

#include <vector>

#include <QString>
#include <QTreeWidget>

#include "app/DeviceNode.h"

namespace kestrine::app {

// The list of known encoders, one node per address, and the context menu every device command starts
// from. Commands always name the selected node; a right-click on a node selects it before the menu
// opens, so that is the node under the pointer. While the list is empty it says where the commands are.
class CDeviceTreeCtrl final : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CDeviceTreeCtrl(QWidget* parent = nullptr);
  ~CDeviceTreeCtrl() override;

  // The node for this dotted address; an address already listed adds nothing.
  DeviceNode* AddDevice(const QString& addressText);
  // The first node, from `start` on in tree order, whose text is `addressText`.
  [[nodiscard]] DeviceNode* FindDeviceNode(QTreeWidgetItem* start, const QString& addressText) const;
  void DeleteDevice(DeviceNode* node);

  [[nodiscard]] DeviceNode* SelectedNode() const;
  // The node whose record `entry` is (identity, not address), or none.
  [[nodiscard]] DeviceNode* NodeOwning(const config::EncoderConfiguration& entry) const;
  [[nodiscard]] int NodeCount() const { return topLevelItemCount(); }
  [[nodiscard]] DeviceNode* NodeAt(int index) const;

  // Opens the context menu with its top-left corner at `globalPos` and dispatches the chosen command.
  void OpenContextMenu(const QPoint& globalPos);

  // The grey line the empty list shows.
  static constexpr const char* kEmptyListHint = "Right-click to search for encoders or add one";

 signals:
  // A node was selected (the record to show) or the selection went (null).
  void SelectionChangedTo(DeviceNode* node);
  // A command chosen from the context menu.
  void CommandChosen(int id);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateCommandActions();
  void EnableCommandActions();
  void OnSelectionChanged();
  [[nodiscard]] QPoint KeyboardMenuPoint() const;

  std::vector<QAction*> commandActions_;  // the menu's items in its order, null for a separator; the tree's
  bool menuOpen_ = false;
};

}  // namespace kestrine::app
