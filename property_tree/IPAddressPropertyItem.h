#pragma once

#include <cstdint>

#include <QPointer>
#include <QString>
#include <QStringList>

#include "property_tree/PropertyItem.h"

class QObject;
class QWidget;

namespace kestrine::ui {

class CIPAddressCtrl;

// A row whose value is an IPv4 address, shown as dotted decimal and edited in four octet fields. The editor
// opens with the first field's text selected, so a whole address can be typed over the old one. The edit
// commits when the focus moves to another widget inside the control, on Enter, and on Tab past the last
// field (Shift+Tab before the first), which also moves to the next (previous) row; moving between the
// fields, or to a window outside the control, leaves the editor open. Escape puts back the address shown
// before the edit and commits nothing. Each commit reports the command id; the host then reads GetAddress.
class CIPAddressPropertyItem final : public CPropertyItem {
 public:
  explicit CIPAddressPropertyItem(int commandId = 0);
  ~CIPAddressPropertyItem() override;

  // Creates the hidden address editor; false before the item is added, or when it exists already.
  bool CreateEditor(std::uint32_t extraStyle = 0);

  // The address in host order, first octet in the high byte; 0 and blank before CreateEditor.
  void SetAddress(std::uint32_t hostOrder);
  [[nodiscard]] std::uint32_t GetAddress() const;
  [[nodiscard]] bool IsBlank() const;
  void ClearAddress();

  // The row's text, "a.b.c.d".
  [[nodiscard]] QString GetDisplayText() const override;
  [[nodiscard]] CIPAddressCtrl* GetEditor() const;

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
  [[nodiscard]] bool TabLeavesEditor(const QObject* field, bool backwards) const override;
  void PlaceEditor();
  void OnFocusLeft(QWidget* newFocus);

  QPointer<CIPAddressCtrl> editor_;
  QStringList textsBeforeEdit_;
};

}  // namespace kestrine::ui
