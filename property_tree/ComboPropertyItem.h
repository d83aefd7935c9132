#pragma once

#include <cstdint>

#include <QPointer>
#include <QString>

#include "property_tree/PropertyItem.h"

class QComboBox;

namespace kestrine::ui {

// A row whose value is chosen from a fixed list. Its drop-down list opens over the value column while the
// row is edited; every change of selection the user makes reports the command id at once, and losing the
// focus ends the edit without reporting anything more. With the list closed, Enter ends the edit, Tab and
// Shift+Tab end it and move to the next or previous row, and Escape puts back the entry selected before
// the edit (reporting it once more if another had been reported meanwhile, so the host agrees with the
// row). The opened list shows a vertical scroll bar when it holds more entries than it shows.
class CComboPropertyItem final : public CPropertyItem {
 public:
  explicit CComboPropertyItem(int commandId = 0);
  ~CComboPropertyItem() override;

  // Creates the hidden drop-down list; false before the item is added, or when it exists already.
  bool CreateEditor(std::uint32_t extraStyle = 0);

  // The list's entries and selection, as the platform's drop-down list offers them. Each answers -1 when
  // there is no editor (or, for SetCurSel, when the index is out of range: the selection is then cleared).
  int AddString(const QString& text);
  void ResetContent();
  int SetCurSel(int index);
  [[nodiscard]] int GetCurSel() const;
  [[nodiscard]] int GetCount() const;
  [[nodiscard]] QString GetLBText(int index) const;
  // The selected entry's text, or "" with nothing selected.
  [[nodiscard]] QString GetWindowText() const;
  [[nodiscard]] QString GetDisplayText() const override { return GetWindowText(); }

  [[nodiscard]] QComboBox* GetEditor() const;
  [[nodiscard]] int GetDropDownHeight() const { return dropDownHeight_; }

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
  void OnSelectionChanged();
  void FitPopupToDropDownHeight();

  QPointer<QComboBox> combo_;
  int dropDownHeight_;
  bool settingSelection_ = false;
  int selectionBeforeEdit_ = -1;
};

}  // namespace kestrine::ui
