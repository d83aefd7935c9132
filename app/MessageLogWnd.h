#pragma once

#include <functional>

#include <QFrame>
#include <QString>

class QTreeWidget;

namespace kestrine::app {

// The lower right pane: the selected encoder's message ring and our notices about it, newest on top.
class CMessageLogWnd final : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kListId = 10001;
  // The second column's header is centred by blanks, as the operators know it.
  static constexpr const char* kMessageHeader = "                                             Message";

  explicit CMessageLogWnd(QWidget* parent = nullptr);

  // kind 0: an encoder's message; 1: a notice of ours. The new line goes on top.
  void AddLine(int kind, const QString& text);
  void Clear();

  [[nodiscard]] int LineCount() const;
  [[nodiscard]] QString LineText(int row) const;
  [[nodiscard]] int LineKind(int row) const;
  [[nodiscard]] QTreeWidget& List() const { return *list_; }

  // Whether a device node is selected: the context menu opens only then.
  void SetNodeSelectedQuery(std::function<bool()> query) { nodeSelected_ = std::move(query); }
  void OpenContextMenu(const QPoint& globalPos);

 signals:
  void CommandChosen(int id);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidget* list_;
  std::function<bool()> nodeSelected_;
};

}  // namespace kestrine::app
