#include "app/DeviceTreeCtrl.h"

#include <array>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "app/CommandIds.h"
#include "app/PaintedIcons.h"

namespace kestrine::app {
namespace {

// What an item needs to be enabled.
enum class Needs { Nothing, SelectedNode, ListedNode };

struct MenuEntry {
  int id;  // 0: a separator
  const char* text;
  const char* objectName;
  Needs needs;
  Qt::Key key = Qt::Key_unknown;  // the item's key anywhere in the window, shown in the menu; none if unknown
};

// F3 finds and F5 refreshes, as in the desktop's other programs. Items of our own follow the others.
constexpr std::array kContextMenu{
    MenuEntry{ID_SEARCH_ENCODER, "Search Encoder", "searchEncoderAction", Needs::Nothing, Qt::Key_F3},
    MenuEntry{ID_ADD_ENCODER, "Add Encoder", "addEncoderAction", Needs::Nothing},
    MenuEntry{ID_DEL_ENCODER, "Del Encoder", "delEncoderAction", Needs::SelectedNode},
    MenuEntry{0, nullptr, nullptr, Needs::Nothing},
    MenuEntry{ID_READ_CONFIGURATION, "Read Configuration", "readConfigurationAction", Needs::SelectedNode, Qt::Key_F5},
    MenuEntry{ID_WRITE_CONFIGURATION, "Write Configuration", "writeConfigurationAction", Needs::SelectedNode},
    MenuEntry{0, nullptr, nullptr, Needs::Nothing},
    MenuEntry{ID_START_TS_IP, "Start TS -> IP", "startTsIpAction", Needs::SelectedNode},
    MenuEntry{ID_STOP_TS_IP, "Stop TS -> IP", "stopTsIpAction", Needs::SelectedNode},
    MenuEntry{0, nullptr, nullptr, Needs::Nothing},
    MenuEntry{ID_AUDIT_ENCODERS, "Audit Encoders", "auditEncodersAction", Needs::ListedNode},
    MenuEntry{0, nullptr, nullptr, Needs::Nothing},
    MenuEntry{ID_CHECK_STREAM, "Check Stream", "checkStreamAction", Needs::SelectedNode},
};

constexpr int kHintMargin = 8;

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
  CreateCommandActions();
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CDeviceTreeCtrl::OnSelectionChanged);
  // The hint comes and goes with the first node: the whole list is drawn again.
  connect(model(), &QAbstractItemModel::rowsInserted, viewport(), qOverload<>(&QWidget::update));
  connect(model(), &QAbstractItemModel::rowsRemoved, viewport(), qOverload<>(&QWidget::update));
}

// The items live with the tree, so their keys work while the menu is closed; the menu shows them.
void CDeviceTreeCtrl::CreateCommandActions() {
  for (const MenuEntry& entry : kContextMenu) {
    if (entry.id == 0) {
      commandActions_.push_back(nullptr);
      continue;
    }
    auto* action = new QAction(QString::fromLatin1(entry.text), this);
    action->setObjectName(entry.objectName);
    action->setData(entry.id);
    if (entry.key != Qt::Key_unknown) {
      action->setShortcut(QKeySequence(entry.key));
      action->setShortcutContext(Qt::WindowShortcut);
      addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, id = entry.id] {
      if (!menuOpen_) emit CommandChosen(id);
    });
    commandActions_.push_back(action);
  }
  EnableCommandActions();
}

void CDeviceTreeCtrl::EnableCommandActions() {
  const bool nodeSelected = SelectedNode() != nullptr;
  const bool nodeListed = NodeCount() > 0;
  for (std::size_t i = 0; i < kContextMenu.size(); ++i) {
    if (commandActions_[i] == nullptr) continue;
    const Needs needs = kContextMenu[i].needs;
    commandActions_[i]->setEnabled(needs == Needs::Nothing || (needs == Needs::SelectedNode && nodeSelected) ||
                                   (needs == Needs::ListedNode && nodeListed));
  }
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

void CDeviceTreeCtrl::OnSelectionChanged() {
  EnableCommandActions();
  emit SelectionChangedTo(SelectedNode());
}

// The chosen command runs once the menu has closed, not from inside the menu's own loop.
void CDeviceTreeCtrl::OpenContextMenu(const QPoint& globalPos) {
  QMenu menu(this);
  menu.setObjectName("deviceMenu");
  menu.setAccessibleName("Device commands");
  EnableCommandActions();
  for (QAction* action : commandActions_) {
    if (action == nullptr) {
      menu.addSeparator();
    } else {
      menu.addAction(action);
    }
  }
  menuOpen_ = true;
  const QAction* chosen = menu.exec(globalPos);
  menuOpen_ = false;
  if (chosen != nullptr) emit CommandChosen(chosen->data().toInt());
}

// The right button selects the node under it, as the left one would (the page follows), and then opens
// the menu where it was pressed; over empty space the selection stays.
void CDeviceTreeCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) setCurrentItem(item);
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

void CDeviceTreeCtrl::paintEvent(QPaintEvent* event) {
  QTreeWidget::paintEvent(event);
  if (topLevelItemCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(kHintMargin, kHintMargin, -kHintMargin, -kHintMargin),
                   Qt::AlignCenter | Qt::TextWordWrap, QString::fromLatin1(kEmptyListHint));
}

QPoint CDeviceTreeCtrl::KeyboardMenuPoint() const {
  const DeviceNode* node = SelectedNode();
  const QRect item = node != nullptr ? visualItemRect(node) : QRect();
  return viewport()->mapToGlobal(item.isValid() ? item.bottomLeft() : QPoint(0, 0));
}

}  // namespace kestrine::app
