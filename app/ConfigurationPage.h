#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include <QCursor>
#include <QWidget>

#include "config/ConfigurationPageModel.h"

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
class MessageBoxPresenter;
class RowBinding;

// The selected encoder's settings as two property lists, System and MUX on the left, Video and
// Audio on the right, with a draggable gap between them. The rows come from the item table; what
// they show and what a commit does come from the page model, and each row's binding moves values
// between the model and its editor.
class ConfigurationPage final : public QWidget {
  Q_OBJECT

 public:
  explicit ConfigurationPage(QWidget* parent = nullptr);
  ~ConfigurationPage() override;

  // Creates both lists and every row, once; the constructor calls it. False when a list could not be made.
  bool BuildPage();

  // A refused edit is a "Warning" box owned by the page's window, shown through `boxes` from now on
  // (tests record them); the real ones by default.
  void SetMessageBoxes(MessageBoxPresenter& boxes) { boxes_ = &boxes; }

  // Shows the record, or only blanks the page for none.
  void RefreshPage(const config::EncoderConfiguration* record);
  void ClearPage();

  // The commit of item `id` judged against `record`, which takes the value when it passes; a refused
  // value is warned about. The page then shows the record again either way. With no record (no
  // encoder selected) nothing is stored and the rows show again what they showed before.
  void ApplyPropertyEdit(int id, config::EncoderConfiguration* record);

  [[nodiscard]] config::PageFlags& Flags() { return model_.Flags(); }
  // What the password editors hold, for a write.
  [[nodiscard]] config::PasswordEntries BuildWriteRequest() const;

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
  void ShowModelRows();
  [[nodiscard]] config::EditorValue ReadRow(const config::PropertyItemRow& row) const;
  void Warn(std::string_view text);
  void PlaceLists();
  void EndDrag();

  config::ConfigurationPageModel model_;
  std::vector<ui::CPropertyTreeCtrl*> lists_;      // left, right; children of the page
  std::vector<std::unique_ptr<RowBinding>> rows_;  // parallel to PropertyItemRows(); the items are the lists'
  MessageBoxPresenter* boxes_;

  int dividerPos_ = 390;
  bool dragging_ = false;
  QCursor splitCursor_;
  QWidget* grip_ = nullptr;  // the gap between the lists, showing the split cursor
  DividerTracker* tracker_ = nullptr;
};

}  // namespace kestrine::app
