#pragma once

#include <functional>

#include <QObject>

namespace kestrine::ui {

// Lets an item, which is not a QObject, watch the events of the editor widget it owns. The relay is a
// child of the watched widget and goes with it.
class CEditorEventRelay final : public QObject {
  Q_OBJECT

 public:
  // The handler answers true to stop the event.
  using Handler = std::function<bool(QObject* watched, QEvent* event)>;

  CEditorEventRelay(QObject* watched, Handler handler);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Handler handler_;
};

// True for a focus change to or from a popup (an opened list, a context menu), which keeps an edit going.
[[nodiscard]] bool IsPopupFocusChange(const QEvent* event);

}  // namespace kestrine::ui
