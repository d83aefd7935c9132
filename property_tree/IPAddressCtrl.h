#pragma once

#include <array>
#include <cstdint>

#include <QColor>
#include <QStringList>
#include <QWidget>

class QLabel;
class QTimer;

namespace kestrine::ui {

class CAddressFieldEdit;

// A four-field IPv4 address editor, standing in for the platform's IP address control. The address goes
// in and out as a 32-bit value in host order (first octet in the high byte); blank fields read 0. The
// fields sit at x = 5, b + 10, 2b + 15 and 3b + 20 with b = (width - 25) / 4, each b wide, and the dots
// are painted in the gaps. Focus moves on when a field is full, on "." and on Delete (a "." right after a
// full field moved it is taken as that move, not another); Tab and Shift+Tab move between the fields and
// leave the editor past the last or the first. A number above 255 becomes
// 255, and a short notice below the editor says so until the next key or for a few seconds.
class CIPAddressCtrl final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kFieldCount = 4;

  explicit CIPAddressCtrl(QWidget* parent = nullptr);

  void SetAddress(std::uint32_t hostOrder);
  [[nodiscard]] std::uint32_t GetAddress() const;
  // True while every field is empty.
  [[nodiscard]] bool IsBlank() const;
  void ClearAddress();
  // Gives the field the focus with its text selected, so typing replaces it.
  void SetFieldFocus(int index);
  // The fields' texts, first field first; restoring them brings back blank fields too.
  [[nodiscard]] QStringList FieldTexts() const;
  void SetFieldTexts(const QStringList& texts);

  [[nodiscard]] CAddressFieldEdit* GetField(int index) const;
  // The field's index, or -1 when the widget is not one of the fields.
  [[nodiscard]] int FieldIndexOf(const QObject* widget) const;

  // A dialog shows the editor with the sunken frame of an edit box; a property row shows it bare.
  void SetFramed(bool framed);
  [[nodiscard]] bool IsFramed() const { return framed_; }
  // The colour of the dots; the palette's text colour when not set.
  void SetDotColor(const QColor& color);

  // The notice shown when a typed number was cut to 255, and how long it stays.
  [[nodiscard]] QLabel* GetNotice() const { return notice_; }
  void SetNoticeTimeout(int milliseconds);
  void HideNotice();

  void LayoutFields();
  [[nodiscard]] static int FieldWidthFor(int width) { return (width - 25) / 4; }

  [[nodiscard]] QSize sizeHint() const override;
  [[nodiscard]] QSize minimumSizeHint() const override;

 signals:
  void FocusEntered();
  // The focus left the fields for `newFocus` (null when no widget of the application has it).
  void FocusLeft(QWidget* newFocus);
  void AddressChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  [[nodiscard]] QRect FieldArea() const;
  [[nodiscard]] int FrameWidth() const;
  void Advance(int from);
  void AdvanceAfterFill(int from);
  bool MoveByTab(int from, bool backwards);
  void ShowClampNotice(int from, int typed);
  void Step(int from, int direction);
  void OnFieldFocusLeft(QWidget* newFocus);

  std::array<CAddressFieldEdit*, kFieldCount> fields_{};
  bool framed_ = true;
  QColor dotColor_;
  QLabel* notice_ = nullptr;  // a child: the control owns it
  QTimer* noticeTimer_ = nullptr;
};

}  // namespace kestrine::ui
