#pragma once

#include <QLineEdit>

namespace kestrine::ui {

// One octet field of the address editor: up to three digits, 0 to 255. It asks its address editor to
// move the focus on (a full field, Delete, "."), back or forth at its edges, and says when it loses the
// focus and to which widget.
class CAddressFieldEdit final : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxDigits = 3;
  static constexpr int kMaxValue = 255;

  explicit CAddressFieldEdit(QWidget* parent = nullptr);

  [[nodiscard]] bool IsBlank() const { return text().isEmpty(); }
  // The octet; a blank field reads 0.
  [[nodiscard]] int Value() const;
  void SetValue(int value);
  // The focus came here because the field before filled up. Until a key is typed here or the selection
  // changes, a "." only confirms that move instead of making another one.
  void MarkEnteredByFill() { enteredByFill_ = true; }

 signals:
  void FocusEntered();
  void FocusLeft(QWidget* newFocus);
  void AdvanceRequested();
  // The field is full and the focus should move on by itself.
  void Filled();
  void StepRequested(int direction);
  // Every key that reaches the field, before the field acts on it.
  void KeyPressed();
  // The user typed a number above 255; the field now holds 255, selected.
  void ValueClamped(int typed);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ClampToOctet();
  void TypeDigit(QKeyEvent* event);
  [[nodiscard]] bool CaretAtStart() const;
  [[nodiscard]] bool CaretAtEnd() const;
  [[nodiscard]] bool TakesDotAsConfirmation() const;

  bool clamped_ = false;
  bool enteredByFill_ = false;
};

}  // namespace kestrine::ui
