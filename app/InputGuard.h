#pragma once

#include <QObject>

class QEvent;

namespace kestrine::app {

// While an operation runs, what the operator clicks or types is dropped: it acts neither during the
// operation nor once it is over, so a click given behind a read cannot select another node afterwards
// and a menu choice cannot start a second command seconds later. A modal box the operation shows still
// takes its input, and everything that is not input (repaints, timers) goes on.
class InputGuard final : public QObject {
  Q_OBJECT

 public:
  explicit InputGuard(QObject* parent = nullptr);
  ~InputGuard() override;
  InputGuard(const InputGuard&) = delete;
  InputGuard& operator=(const InputGuard&) = delete;

  // Nested: input is dropped from the first Begin to the last End.
  void Begin();
  // The last End first takes what input is still queued and drops it. A button pressed meanwhile has its
  // release dropped too, whenever it comes, so no widget sees half a click.
  void End();
  [[nodiscard]] bool IsActive() const { return depth_ > 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Install();
  void Remove();
  bool DropsAfterEnd(QEvent* event);

  int depth_ = 0;
  bool installed_ = false;
  Qt::MouseButtons heldButtons_;  // pressed while input was dropped
};

}  // namespace kestrine::app
