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

 signals:
  void FocusEntered();
  void FocusLeft(QWidget* newFocus);
  void AdvanceRequested();
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

  bool clamped_ = false;
};

}  // namespace kestrine::ui
