#pragma once

#include <cstdint>

#include <QPointer>
#include <QString>

#include "property_tree/PropertyItem.h"

class QEvent;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kestrine::ui {

// A row whose value is typed: free text, digits only (PROP_EDIT_NUMBER), masked (PROP_EDIT_PASSWORD) or
// several lines (PROP_EDIT_MULTILINE, a 75-pixel row). Enter or the focus leaving the editor commits, once
// per edit, and reports the command id; the host then reads GetWindowText. Tab and Shift+Tab commit and
// move to the next or previous row; Escape puts back the text shown before the edit and commits nothing.
class CEditPropertyItem final : public CPropertyItem {
 public:
  explicit CEditPropertyItem(int commandId = 0);
  ~CEditPropertyItem() override;

  // Creates the hidden editor; false before the item is added, or when it exists already. The extra style
  // honours PROP_EDIT_WANTRETURN.
  bool CreateEditor(std::uint32_t flags = 0, std::uint32_t extraStyle = 0);
  [[nodiscard]] bool HasEditFlag(std::uint32_t flag) const { return (flags_ & flag) != 0; }

  // The value is the editor's text; each does nothing (or reads "") before CreateEditor.
  void SetWindowText(const QString& text);
  [[nodiscard]] QString GetWindowText() const;
  void SetIntValue(int value);

  // What the row shows: the text, or one "*" per character for a password.
  [[nodiscard]] QString GetDisplayText() const override;

  [[nodiscard]] QWidget* GetEditor() const;
  [[nodiscard]] QLineEdit* GetLineEdit() const;
  [[nodiscard]] QPlainTextEdit* GetTextEdit() const;

  void PaintValue(QPainter& painter, const QRect& valueRect) override;
  void OnRowLaidOut() override;
  void OnBeginEdit() override;
  void OnRelayout() override;
  void OnValueRefresh() override;
  void OnEndEdit() override;
  void OnCancelEdit() override;
  void DestroyEditor() override;
  void OnUnhighlight() override;

 private:
  bool WatchEditor(QObject* editor, QEvent* event);
  bool RejectsTypedKey(const QEvent* event) const;

  QPointer<QLineEdit> line_;
  QPointer<QPlainTextEdit> multi_;
  QString textBeforeEdit_;
  std::uint32_t flags_ = 0;
  bool wantReturn_ = false;
};

}  // namespace kestrine::ui
