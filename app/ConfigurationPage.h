#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include <QCursor>
#include <QWidget>

#include "config/ConfigurationPageModel.h"
#include "net/DeviceOperations.h"

namespace kestrine::config {
struct CategoryRow;
struct EncoderConfiguration;
struct PropertyItemRow;
}  // namespace kestrine::config

namespace kestrine::ui {
class CPropertyItem;
class CPropertyTreeCtrl;
}  // namespace kestrine::ui

namespace kestrine::app {

class DividerTracker;

// How a refused edit is shown. The page shows a modal "Warning" box by default; tests record instead.
class EditWarningSink {
 public:
  virtual ~EditWarningSink() = default;
  // Caption "Warning", exclamation icon, OK, owned by the top-level window.
  virtual void ShowEditWarning(std::string_view text) = 0;
};

// The selected encoder's settings as two property lists, System and MUX on the left, Video and
// Audio on the right, with a draggable gap between them. The rows come from the item table; what
// they show and what a commit does come from the page model, so this class only moves values
// between the model and the editors.
class ConfigurationPage final : public QWidget {
  Q_OBJECT

 public:
  explicit ConfigurationPage(QWidget* parent = nullptr);
  ~ConfigurationPage() override;

  // Creates both lists and every row, once; the constructor calls it. False when a list could not be made.
  bool BuildPage();

  // nullptr: the real message box (the default).
  void SetWarningSink(EditWarningSink* sink) { warningSink_ = sink; }

  // Shows the record, or only blanks the page for none.
  void RefreshPage(const config::EncoderConfiguration* record);
  void ClearPage();

  // The commit of item `id` judged against `record`, which takes the value when it passes; a refused
  // value is warned about. The page then shows the record again either way. With no record (no
  // encoder selected) nothing is stored and nothing is shown.
  void ApplyPropertyEdit(int id, config::EncoderConfiguration* record);

  [[nodiscard]] config::PageFlags& Flags() { return model_.Flags(); }
  [[nodiscard]] net::WriteRequest BuildWriteRequest() const;

  [[nodiscard]] ui::CPropertyTreeCtrl& LeftTree() { return *lists_[0]; }
  [[nodiscard]] ui::CPropertyTreeCtrl& RightTree() { return *lists_[1]; }
  // The item that shows the row of the item table (a row of PropertyItemRows()).
  [[nodiscard]] ui::CPropertyItem* ItemFor(const config::PropertyItemRow& row) const;
  [[nodiscard]] int DividerPosition() const { return dividerPos_; }

 signals:
  // Every commit of either list, emitted synchronously; the host answers with ApplyPropertyEdit.
  void ItemCommand(int id);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool CreateList(std::size_t side);
  void AddCategoryRows(ui::CPropertyTreeCtrl& list, const config::CategoryRow& category);
  ui::CPropertyItem* AddRowItem(ui::CPropertyTreeCtrl& list, ui::CPropertyItem& category,
                                const config::PropertyItemRow& row);
  void ShowModelRows();
  void ShowRow(std::size_t index);
  [[nodiscard]] config::EditorValue ReadEditor(std::size_t index) const;
  void Warn(std::string_view text);
  void PlaceLists();
  void EndDrag();

  config::ConfigurationPageModel model_;
  std::vector<ui::CPropertyTreeCtrl*> lists_;  // left, right; children of the page
  std::vector<ui::CPropertyItem*> items_;      // parallel to PropertyItemRows(); owned by the lists
  std::vector<std::span<const std::string_view>> listedOptions_;  // what each combo holds now
  EditWarningSink* warningSink_ = nullptr;

  int dividerPos_ = 390;
  bool dragging_ = false;
  QCursor splitCursor_;
  QWidget* grip_ = nullptr;  // the gap between the lists, showing the split cursor
  DividerTracker* tracker_ = nullptr;
};

}  // namespace kestrine::app
