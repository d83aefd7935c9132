#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "property_tree/PropertyItem.h"
#include "property_tree/PropertyTreeTypes.h"

namespace kestrine::ui {

class CPropertyDescPane;
class CPropertyListWnd;

// A tree of labelled properties: categories drawn as full-width bars, rows with a label column and a value
// column split by a draggable divider, and in-place editors. The control owns its items, the list window
// that paints them and takes input, and the optional description pane. Committed edits reach the host as
// ItemCommand, emitted synchronously (connect directly) while the editor is still in its committed state.
class CPropertyTreeCtrl final : public QWidget {
  Q_OBJECT

 public:
  using Visitor = std::function<bool(CPropertyTreeCtrl&, CPropertyItem&)>;
  using NotifyTarget = std::function<long(const PropertyNotify&)>;

  explicit CPropertyTreeCtrl(QWidget* parent = nullptr, std::uint32_t options = 0);
  ~CPropertyTreeCtrl() override;

  // Places the control in `parent` (a top-level window when null), applies the option bits and shows it.
  bool Create(const QRect& rect, QWidget* parent, std::uint32_t options, int id = -1);
  [[nodiscard]] std::uint32_t GetOptions() const { return options_; }
  void SetOptions(std::uint32_t options);
  [[nodiscard]] int GetControlId() const { return controlId_; }

  // Item tree. AddItem appends under `parent` (the root when null), numbers the item from 1 and
  // repaints; it answers the added item, or null when there is none or the parent is not in this control.
  template <typename Item>
    requires std::is_base_of_v<CPropertyItem, Item>
  Item* AddItem(std::unique_ptr<Item> item, CPropertyItem* parent = nullptr) {
    return static_cast<Item*>(AddItemImpl(std::unique_ptr<CPropertyItem>(std::move(item)), parent));
  }
  // Deletes the item and its subtree; with null, every item.
  void RemoveItem(CPropertyItem* item);
  void RemoveAllItems();
  [[nodiscard]] CPropertyItem& GetRootItem() { return root_; }
  [[nodiscard]] const CPropertyItem& GetRootItem() const { return root_; }

  // Current item.
  [[nodiscard]] CPropertyItem* GetCurrentItem() const { return current_; }
  void SetCurrentItem(CPropertyItem* item);
  CPropertyItem* MoveCurrentFirst();
  CPropertyItem* MoveCurrentLast();
  CPropertyItem* MoveCurrentPrev();
  CPropertyItem* MoveCurrentNext();

  // The visible chain: the rows walked by the last paint, in paint order. Emptying it also clears the
  // links of the rows that were in it, so no row keeps pointing at one that is removed later. Whatever
  // reads the chain (these, the hit tests, the moves and ScrollIntoView) first brings it up to date while
  // redraw is off.
  void ResetVisibleChain();
  void AppendVisible(CPropertyItem* item);
  [[nodiscard]] bool IsInVisibleChain(const CPropertyItem* item);
  [[nodiscard]] CPropertyItem* GetVisibleChainHead();

  // Geometry; points are in list-window client coordinates.
  [[nodiscard]] CPropertyItem* ItemAtPoint(QPoint point);
  [[nodiscard]] int HitTest(QPoint point);
  [[nodiscard]] int GetDividerPos() const { return dividerPos_; }
  void SetDividerPos(int x);
  [[nodiscard]] int GetScrollOrigin() const { return scrollOrigin_; }
  void SetScrollOrigin(int y) { scrollOrigin_ = y; }
  void ScrollIntoView(CPropertyItem* item);
  [[nodiscard]] QRect GetWidestLabelRect();
  [[nodiscard]] CPropertyListWnd* GetListWnd() const { return listWnd_; }
  [[nodiscard]] CPropertyDescPane* GetDescPane() const { return descPane_; }

  // Walks the subtree below `start` depth-first (the root itself is never visited); a visitor returning
  // false skips that item's children and makes the answer false.
  bool ForEachItem(CPropertyItem* start, const Visitor& visit);
  void SetHighlightAll(CPropertyItem* start, bool highlighted);
  void RefreshValues(CPropertyItem* start);
  void RelayoutEditors();
  void ClearLabelRects();
  void PropagateExpand(CPropertyItem* item, bool expanded);

  // Recomputes the scroll range and repaints; the visible chain is current again on return.
  void UpdateView();
  // Repaints the list window (and the pane) synchronously.
  void RepaintNow();

  // Redraw, as the platform's WM_SETREDRAW offers it, for hosts that add or remove many items at once.
  // While redraw is off, UpdateView and every repaint only note that the view is out of date, so adding
  // an item costs no walk over the rows (a paint the window system asks for still shows what is there).
  // The list window takes no mouse, wheel, key or scroll-bar input then, since the rows under the pointer
  // may be out of date (a divider drag under way still ends on release); open editors work as before.
  // Operations that read the visible chain or the row geometry lay the rows out first, without drawing,
  // so they answer as they would with redraw on. Turning redraw back on runs one UpdateView. BatchUpdate
  // is the scoped form.
  void SetRedraw(bool redraw);
  [[nodiscard]] bool IsRedrawOn() const { return redraw_; }
  class BatchUpdate;

  [[nodiscard]] static const QFont& GetNormalFont();
  [[nodiscard]] static const QFont& GetBoldFont();

  // Notification reports go to the target only with PROPS_NOTIFY set; otherwise they answer 0.
  void SetNotifyTarget(NotifyTarget target) { notifyTarget_ = std::move(target); }
  long SendNotify(int code, CPropertyItem* item);

  // Called by items when a value is committed or chosen.
  void ReportCommand(int commandId, CPropertyItem* item);

 signals:
  void ItemCommand(int commandId, kestrine::ui::CPropertyItem* item);

 protected:
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  CPropertyItem* AddItemImpl(std::unique_ptr<CPropertyItem> item, CPropertyItem* parent);
  [[nodiscard]] bool IsLive() const { return !destroying_; }
  [[nodiscard]] bool BelongsHere(const CPropertyItem* item) const;
  [[nodiscard]] CPropertyItem* LastVisible();
  // While redraw is off, lays out rows that are out of date; otherwise they are current already.
  void CatchUpLayout();
  void FinishMove(CPropertyItem* previous);
  void LayoutChildren(int width, int height);
  void ApplyPaneVisibility();

  std::uint32_t options_;
  CPropertyDescPane* descPane_ = nullptr;
  CPropertyItem root_;
  CPropertyItem* visibleHead_ = nullptr;
  CPropertyItem* visibleTail_ = nullptr;
  CPropertyItem* current_ = nullptr;
  int dividerPos_;
  int scrollOrigin_ = 0;
  CPropertyListWnd* listWnd_ = nullptr;
  int idCounter_ = 0;
  NotifyTarget notifyTarget_;
  int controlId_ = -1;
  bool destroying_ = false;
  bool redraw_ = true;
};

// Turns the control's redraw off for its lifetime and then back to what it was, so guards nest and only
// the outermost one's end runs the UpdateView. It does nothing once the control is gone.
class CPropertyTreeCtrl::BatchUpdate final {
 public:
  explicit BatchUpdate(CPropertyTreeCtrl& control);
  ~BatchUpdate();
  BatchUpdate(const BatchUpdate&) = delete;
  BatchUpdate& operator=(const BatchUpdate&) = delete;

 private:
  QPointer<CPropertyTreeCtrl> control_;
  bool redrawBefore_;
};

}  // namespace kestrine::ui
