#pragma once

#include <memory>

#include <QColor>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QEvent;
class QKeyEvent;
class QObject;
class QPainter;
class QWidget;

namespace kestrine::ui {

class CPropertyTreeCtrl;

// A label as a walk over the rows fitted it into its room, and what it was measured with: walks measure a
// label again only when one of those changed, since measuring text is most of what laying out a row costs.
struct LabelFit {
  QString label;
  int room = -1;
  bool bold = false;
  int fontGeneration = -1;
  int dpi = 0;
  QString text;  // the label, or its shortened form
  QSize extent;
};

// Where an editor kind departs from the events every in-place editor answers alike
// (CPropertyItem::HandleEditorEvent).
struct EditorKeys {
  // The watched widget's own focus changes open and commit the edit; false for a kind that learns of them
  // otherwise.
  bool followsFocus = true;
  // Enter breaks a line (PROP_EDIT_WANTRETURN) instead of committing.
  bool enterIsText = false;
};

// One row of a property tree control: label, description, place in the tree, display flags and colours.
// Categories are plain items; the editor kinds derive from it, own their editor widget and report
// through the hooks below. An item belongs to the control it was added to, which deletes it.
class CPropertyItem {
 public:
  explicit CPropertyItem(int commandId = 0);
  virtual ~CPropertyItem();
  CPropertyItem(const CPropertyItem&) = delete;
  CPropertyItem& operator=(const CPropertyItem&) = delete;

  // Texts.
  [[nodiscard]] const QString& GetLabel() const { return label_; }
  void SetLabel(const QString& label) { label_ = label; }
  [[nodiscard]] const QString& GetDescription() const { return description_; }
  void SetDescription(const QString& description) { description_ = description; }

  // Tree links. Children stay in insertion order; the item owns its first child and its next sibling.
  [[nodiscard]] int GetItemId() const { return itemId_; }
  void SetItemId(int id) { itemId_ = id; }
  [[nodiscard]] CPropertyItem* GetParent() const { return parent_; }
  [[nodiscard]] CPropertyItem* GetNextSibling() const { return nextSibling_.get(); }
  [[nodiscard]] CPropertyItem* GetFirstChild() const { return firstChild_.get(); }
  [[nodiscard]] bool HasChildren() const { return firstChild_ != nullptr; }
  [[nodiscard]] CPropertyItem* GetNextVisible() const { return nextVisible_; }
  void SetNextVisible(CPropertyItem* item) { nextVisible_ = item; }
  [[nodiscard]] CPropertyTreeCtrl* GetOwner() const { return owner_; }
  void SetOwner(CPropertyTreeCtrl* owner) { owner_ = owner; }

  // Used by the control to link and unlink items.
  CPropertyItem* AppendChild(std::unique_ptr<CPropertyItem> child);
  [[nodiscard]] std::unique_ptr<CPropertyItem> DetachChild(CPropertyItem* child);

  // Geometry of the last paint. The origin and expander rectangle are in content coordinates (scroll
  // origin added), the value and label rectangles in list-window client coordinates.
  [[nodiscard]] QPoint GetOrigin() const { return origin_; }
  void SetOrigin(QPoint origin) { origin_ = origin; }
  [[nodiscard]] int GetRowHeight() const { return rowHeight_; }
  void SetRowHeight(int height) { rowHeight_ = height; }
  [[nodiscard]] QRect GetLabelRect() const { return labelRect_; }
  void SetLabelRect(const QRect& rect) { labelRect_ = rect; }
  [[nodiscard]] QRect GetValueRect() const { return valueRect_; }
  void SetValueRect(const QRect& rect) { valueRect_ = rect; }
  [[nodiscard]] QRect GetExpanderRect() const { return expanderRect_; }
  void SetExpanderRect(const QRect& rect) { expanderRect_ = rect; }
  [[nodiscard]] LabelFit& GetLabelFit() { return labelFit_; }

  // Colours. Until one is set it follows the palette of the control that holds the item (the
  // application's before the item is added), so a parent, a style sheet or a dark theme reaches it.
  [[nodiscard]] QColor GetValueBackColor() const;
  void SetValueBackColor(const QColor& color) { valueBackColor_ = color; }
  [[nodiscard]] QColor GetValueTextColor() const;
  [[nodiscard]] QColor GetCategoryColor() const;
  void SetCategoryColor(const QColor& color) { categoryColor_ = color; }
  [[nodiscard]] QColor GetLabelTextColor() const;
  [[nodiscard]] QColor GetLabelBackColor() const;
  // The palette the item's colours come from.
  [[nodiscard]] QPalette GetPalette() const;

  // The identifier reported to the control's host when a value is committed; 0 reports nothing.
  [[nodiscard]] int GetCommandId() const { return commandId_; }

  [[nodiscard]] bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  [[nodiscard]] bool IsHighlighted() const { return highlighted_; }
  void SetHighlighted(bool highlighted);
  [[nodiscard]] bool IsExpanded() const { return expanded_; }
  // Does nothing before the item is added to a control. Does not repaint.
  void SetExpanded(bool expanded);
  [[nodiscard]] bool IsCategory() const;

  [[nodiscard]] int GetSubtreeHeight() const;
  [[nodiscard]] bool HitExpander(QPoint contentPoint) const;

  // An edit commits once: the first EndEdit after BeginEdit reports, later ones do nothing.
  void BeginEdit();
  void EndEdit();
  // Ends the edit without committing it: the value shown before the edit comes back, and a later EndEdit
  // of the same edit does nothing.
  void CancelEdit();
  [[nodiscard]] bool IsCommitted() const { return committed_; }
  // Whether the row's editor has the keyboard focus: the row's value is then not painted (the open editor
  // covers it), and a relayout moves the editor without hiding it.
  [[nodiscard]] bool HasEditorFocus() const { return editorFocus_; }

  // The text the row's value column shows (a password as asterisks); none for a category.
  [[nodiscard]] virtual QString GetDisplayText() const { return {}; }

  // Hooks for the editor kinds. Every walk over the rows calls OnRowLaidOut for a non-category row once its
  // value rectangle is current, whether the row is drawn or not; PaintValue only draws, and only rows that
  // can be seen are drawn.
  virtual void PaintValue(QPainter& painter, const QRect& valueRect);
  virtual void OnRowLaidOut() {}
  virtual void OnBeginEdit() {}
  virtual void OnRelayout() {}
  virtual void OnValueRefresh() {}
  virtual void OnEndEdit() {}
  virtual void OnCancelEdit() {}
  virtual void DestroyEditor() {}
  virtual void OnUnhighlight() {}
  virtual void OnHighlight() {}
  virtual void OnExpandChange(bool /*expanded*/) {}

 protected:
  // The events every in-place editor answers alike. The focus entering the editor marks it open, and the
  // focus leaving it (not for a popup of its own, such as an opened list) commits. Enter commits, Escape
  // cancels, and Tab and Shift+Tab commit and move to the next or previous row, where TabLeavesEditor
  // agrees. Any of them ends the edit, so the row paints its value again. True when the event was taken.
  bool HandleEditorEvent(const QObject* part, const QEvent* event, EditorKeys keys = {});
  // Whether Tab (backwards: Shift+Tab) pressed in `part` of the editor leaves it; by default it always does.
  [[nodiscard]] virtual bool TabLeavesEditor(const QObject* /*part*/, bool /*backwards*/) const { return true; }
  void SetEditorFocus(bool focus) { editorFocus_ = focus; }

  [[nodiscard]] bool IsOwnerEnabled() const;
  // The value text colour while the value can be edited, grey text otherwise.
  [[nodiscard]] QColor ValueColorForState(const QColor& editableColor) const;
  // Hands the command id to the control, which passes it on to its host at once.
  void ReportCommand();
  // Tab and Shift+Tab in an open editor: commit, then move to the next or previous row as Tab does in
  // the list, which opens that row's editor when it can be edited.
  void CommitAndMove(bool backwards);
  // The list window is every editor's parent; a focused editor gives the focus back to it before hiding,
  // so the focus stays inside the control.
  [[nodiscard]] QWidget* GetEditorParent() const;
  void HideEditorWidget(QWidget* editor) const;
  // Deletes an editor without letting its last focus change end (and report) an edit: removing an item
  // or its control commits nothing.
  static void DeleteEditorWidget(QWidget* editor);

 private:
  bool HandleEditorKey(const QObject* part, const QKeyEvent& key, EditorKeys keys);

  QString label_;
  QString description_;
  int itemId_ = 0;
  CPropertyItem* parent_ = nullptr;
  std::unique_ptr<CPropertyItem> nextSibling_;
  std::unique_ptr<CPropertyItem> firstChild_;
  CPropertyItem* nextVisible_ = nullptr;
  QRect expanderRect_;
  CPropertyTreeCtrl* owner_ = nullptr;
  QPoint origin_;
  QRect valueRect_;
  bool committed_ = false;
  bool editorFocus_ = false;
  int rowHeight_;
  QRect labelRect_;
  LabelFit labelFit_;
  bool highlighted_ = false;
  bool expanded_ = false;
  bool readOnly_ = false;
  QColor valueBackColor_;
  QColor valueTextColor_;
  QColor categoryColor_;
  QColor labelTextColor_;
  QColor labelBackColor_;
  int commandId_;
};

}  // namespace kestrine::ui
