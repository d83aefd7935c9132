#pragma once

#include <memory>

#include "config/EditRules.h"

namespace kestrine::config {
struct PropertyItemRow;
struct RowDisplay;
}  // namespace kestrine::config

namespace kestrine::ui {
class CPropertyItem;
class CPropertyTreeCtrl;
}  // namespace kestrine::ui

namespace kestrine::app {

// How the configuration page drives the item of one row. The binding for the row's kind is chosen once,
// when the row is built: it makes the item, shows what the page model says in it, and reads back what
// the operator committed.
class RowBinding {
 public:
  // Adds the row's item under `category`, with its label, description, read-only flag, value colour,
  // editor and list entries, in that order, and answers the binding that drives it.
  [[nodiscard]] static std::unique_ptr<RowBinding> Make(ui::CPropertyTreeCtrl& list, ui::CPropertyItem& category,
                                                        const config::PropertyItemRow& row);

  virtual ~RowBinding() = default;

  [[nodiscard]] virtual ui::CPropertyItem& Item() const = 0;
  // The value and the read-only state.
  void Show(const config::RowDisplay& shown);
  // The value the editor holds (nothing for a row without one).
  [[nodiscard]] virtual config::EditorValue Read() const = 0;

 private:
  virtual void ShowValue(const config::RowDisplay& shown) = 0;
};

}  // namespace kestrine::app
