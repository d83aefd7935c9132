#include "app/MessageLogWnd.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

#include "app/CommandIds.h"

namespace kestrine::app {
namespace {

constexpr int kKindRole = Qt::UserRole + 1;

}  // namespace

CMessageLogWnd::CMessageLogWnd(QWidget* parent) : QFrame(parent), list_(new QTreeWidget(this)) {
  setObjectName("messageLog");
  setAccessibleName("Message log");
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  list_->setObjectName("messageList");
  list_->setAccessibleName("Encoder messages");
  list_->setProperty("childId", kListId);
  list_->setFrameStyle(QFrame::NoFrame);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSortingEnabled(false);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("I"), QString::fromLatin1(kMessageHeader)});
  list_->header()->setSectionsClickable(false);
  list_->header()->setStretchLastSection(false);
  list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->headerItem()->setTextAlignment(0, Qt::AlignHCenter | Qt::AlignVCenter);
  list_->setColumnWidth(0, 20);
  list_->setColumnWidth(1, 800);
  list_->viewport()->installEventFilter(this);
  list_->installEventFilter(this);
}

void CMessageLogWnd::AddLine(int kind, const QString& text) {
  auto* line = new QTreeWidgetItem();
  line->setData(0, kKindRole, kind);  // the kind has no picture: the column stays empty
  line->setText(1, text);
  list_->insertTopLevelItem(0, line);
}

void CMessageLogWnd::Clear() { list_->clear(); }

int CMessageLogWnd::LineCount() const { return list_->topLevelItemCount(); }

QString CMessageLogWnd::LineText(int row) const { return list_->topLevelItem(row)->text(1); }

int CMessageLogWnd::LineKind(int row) const { return list_->topLevelItem(row)->data(0, kKindRole).toInt(); }

void CMessageLogWnd::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  list_->setGeometry(contentsRect());
}

void CMessageLogWnd::OpenContextMenu(const QPoint& globalPos) {
  if (!nodeSelected_ || !nodeSelected_()) return;
  QMenu menu(this);
  menu.setObjectName("messageLogMenu");
  menu.setAccessibleName("Message log commands");
  QAction* read = menu.addAction(QStringLiteral("Read Device Message"));
  read->setObjectName("readDeviceMessageAction");
  read->setData(static_cast<int>(ID_READ_DEVICE_MESSAGE));
  if (menu.exec(globalPos) == read) emit CommandChosen(ID_READ_DEVICE_MESSAGE);
}

bool CMessageLogWnd::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && watched == list_->viewport()) {
    // The list reports a right click when the button comes up; the menu opens where the pointer is.
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      OpenContextMenu(mouse->globalPosition().toPoint());
      return true;
    }
  }
  if (event->type() == QEvent::ContextMenu) {
    const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    if (menuEvent->reason() == QContextMenuEvent::Keyboard) {
      const QTreeWidgetItem* current = list_->currentItem();
      const QRect item = current != nullptr ? list_->visualItemRect(current) : QRect();
      OpenContextMenu(list_->viewport()->mapToGlobal(item.isValid() ? item.bottomLeft() : QPoint(0, 0)));
    }
    return true;
  }
  if (event->type() == QEvent::KeyPress && watched == list_) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
      OpenContextMenu(list_->viewport()->mapToGlobal(QPoint(0, 0)));
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace kestrine::app
