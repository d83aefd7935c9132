#pragma once

#include <QString>
#include <QTreeWidget>

#include "app/DeviceNode.h"

namespace kestrine::app {

// The list of known encoders, one node per address, and the context menu every device command starts
// from. Commands always name the selected node, never the one under the pointer.
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

 signals:
  // A node was selected (the record to show) or the selection went (null).
  void SelectionChangedTo(DeviceNode* node);
  // A command chosen from the context menu.
  void CommandChosen(int id);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnSelectionChanged();
  [[nodiscard]] QPoint KeyboardMenuPoint() const;
};

}  // namespace kestrine::app
