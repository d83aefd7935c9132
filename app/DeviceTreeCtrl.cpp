#include "app/DeviceTreeCtrl.h"

#include <array>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/CommandIds.h"
#include "app/PaintedIcons.h"

namespace kestrine::app {
namespace {

struct MenuEntry {
  int id;  // 0: a separator
  const char* text;
  const char* objectName;
  bool needsNode;
};

constexpr std::array kContextMenu{
    MenuEntry{ID_SEARCH_ENCODER, "Search Encoder", "searchEncoderAction", false},
    MenuEntry{ID_ADD_ENCODER, "Add Encoder", "addEncoderAction", false},
    MenuEntry{ID_DEL_ENCODER, "Del Encoder", "delEncoderAction", true},
    MenuEntry{0, nullptr, nullptr, false},
    MenuEntry{ID_READ_CONFIGURATION, "Read Configuration", "readConfigurationAction", true},
    MenuEntry{ID_WRITE_CONFIGURATION, "Write Configuration", "writeConfigurationAction", true},
    MenuEntry{0, nullptr, nullptr, false},
    MenuEntry{ID_START_TS_IP, "Start TS -> IP", "startTsIpAction", true},
    MenuEntry{ID_STOP_TS_IP, "Stop TS -> IP", "stopTsIpAction", true},
};

}  // namespace

CDeviceTreeCtrl::CDeviceTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("deviceTree");
  setAccessibleName("Encoders");
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(DesignSize(Picture::EncoderAnswered));
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  // The selection stays visible when the tree does not have the focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CDeviceTreeCtrl::OnSelectionChanged);
}

CDeviceTreeCtrl::~CDeviceTreeCtrl() {
  blockSignals(true);
  while (DeviceNode* node = NodeAt(0)) DeleteDevice(node);
}

DeviceNode* CDeviceTreeCtrl::NodeAt(int index) const {
  QTreeWidgetItem* item = topLevelItem(index);
  return item != nullptr && item->type() == DeviceNode::kType ? static_cast<DeviceNode*>(item) : nullptr;
}

DeviceNode* CDeviceTreeCtrl::AddDevice(const QString& addressText) {
  if (DeviceNode* existing = FindDeviceNode(topLevelItem(0), addressText)) return existing;
  auto* node = new DeviceNode(addressText);
  addTopLevelItem(node);
  return node;
}

DeviceNode* CDeviceTreeCtrl::FindDeviceNode(QTreeWidgetItem* start, const QString& addressText) const {
  if (start == nullptr) start = topLevelItem(0);
  if (start == nullptr) return nullptr;
  for (QTreeWidgetItemIterator it(start); *it != nullptr; ++it) {
    if ((*it)->type() == DeviceNode::kType && (*it)->text(0) == addressText) return static_cast<DeviceNode*>(*it);
  }
  return nullptr;
}

void CDeviceTreeCtrl::DeleteDevice(DeviceNode* node) {
  if (node == nullptr) return;
  setCurrentItem(nullptr);
  clearSelection();
  delete node;  // the node takes its record with it
}

DeviceNode* CDeviceTreeCtrl::SelectedNode() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (selected.isEmpty() || selected.front()->type() != DeviceNode::kType) return nullptr;
  return static_cast<DeviceNode*>(selected.front());
}

DeviceNode* CDeviceTreeCtrl::NodeOwning(const config::EncoderConfiguration& entry) const {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    DeviceNode* node = NodeAt(i);
    if (node != nullptr && &node->Entry() == &entry) return node;
  }
  return nullptr;
}

void CDeviceTreeCtrl::OnSelectionChanged() { emit SelectionChangedTo(SelectedNode()); }

void CDeviceTreeCtrl::OpenContextMenu(const QPoint& globalPos) {
  QMenu menu(this);
  menu.setObjectName("deviceMenu");
  menu.setAccessibleName("Device commands");
  const bool nodeSelected = SelectedNode() != nullptr;
  for (const MenuEntry& entry : kContextMenu) {
    if (entry.id == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(entry.text);
    action->setObjectName(entry.objectName);
    action->setData(entry.id);
    action->setEnabled(!entry.needsNode || nodeSelected);
  }
  const QAction* chosen = menu.exec(globalPos);
  if (chosen != nullptr) emit CommandChosen(chosen->data().toInt());
}

// The right button opens the menu where it is pressed and, unlike Qt's default, leaves the selection alone.
void CDeviceTreeCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    OpenContextMenu(event->globalPosition().toPoint());
    return;
  }
  QTreeWidget::mousePressEvent(event);
}

void CDeviceTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
  // Mouse menus open on the press; only the keyboard's Menu key arrives here.
  if (event->reason() == QContextMenuEvent::Keyboard) OpenContextMenu(KeyboardMenuPoint());
}

void CDeviceTreeCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    OpenContextMenu(KeyboardMenuPoint());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

QPoint CDeviceTreeCtrl::KeyboardMenuPoint() const {
  const DeviceNode* node = SelectedNode();
  const QRect item = node != nullptr ? visualItemRect(node) : QRect();
  return viewport()->mapToGlobal(item.isValid() ? item.bottomLeft() : QPoint(0, 0));
}

}  // namespace kestrine::app
