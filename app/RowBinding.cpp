#include "app/RowBinding.h"

#include <span>
#include <string_view>

#include <QString>

#include "config/ConfigurationPageModel.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/PropertyTreeCtrl.h"
#include "property_tree/PropertyTreeTypes.h"
#include "property_tree/StaticPropertyItem.h"
#include "property_tree/SystemColors.h"

namespace kestrine::app {
namespace {

// The value background of the rows whose values the encoder owns.
constexpr std::uint32_t kEncoderOwnedValueColor = 0xF0F0F0;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Adds an item of the row's kind and gives it what every kind takes from the row.
template <typename Kind, typename... Arguments>
Kind& AddRowItem(ui::CPropertyTreeCtrl& list, ui::CPropertyItem& category, const config::PropertyItemRow& row,
                 Arguments... arguments) {
  Kind& item = *list.AddItem(std::make_unique<Kind>(arguments...), &category);
  item.SetLabel(FromUtf8(row.label));
  if (!row.description.empty()) item.SetDescription(FromUtf8(row.description));
  if (row.readOnlyAtBuild) item.SetReadOnly(true);
  if (row.encoderOwned) item.SetValueBackColor(ui::ColorFromColorRef(kEncoderOwnedValueColor));
  return item;
}

template <typename Kind>
class KindBinding : public RowBinding {
 public:
  explicit KindBinding(Kind& item) : item_(item) {}
  [[nodiscard]] ui::CPropertyItem& Item() const final { return item_; }

 protected:
  Kind& item_;
};

// "version": the program sets its text; there is no editor to read.
class StaticBinding final : public KindBinding<ui::CStaticPropertyItem> {
 public:
  using KindBinding::KindBinding;
  [[nodiscard]] config::EditorValue Read() const override { return {}; }

 private:
  void ShowValue(const config::RowDisplay& shown) override { item_.SetValueText(FromUtf8(shown.text)); }
};

// Texts and numbers: the editor's text, as typed.
class EditBinding final : public KindBinding<ui::CEditPropertyItem> {
 public:
  EditBinding(ui::CEditPropertyItem& item, std::uint32_t editFlags) : KindBinding(item) {
    item.CreateEditor(editFlags);
  }
  [[nodiscard]] config::EditorValue Read() const override {
    return config::EditorValue::Text(item_.GetWindowText().toStdString());
  }

 private:
  void ShowValue(const config::RowDisplay& shown) override { item_.SetWindowText(FromUtf8(shown.text)); }
};

// Choices: the selected position, and its entry's text for the rows that judge the text.
class ComboBinding final : public KindBinding<ui::CComboPropertyItem> {
 public:
  ComboBinding(ui::CComboPropertyItem& item, std::span<const std::string_view> options) : KindBinding(item) {
    item.CreateEditor();
    Fill(options);
  }
  [[nodiscard]] config::EditorValue Read() const override {
    return config::EditorValue::Choice(item_.GetCurSel(), item_.GetWindowText().toStdString());
  }

 private:
  void ShowValue(const config::RowDisplay& shown) override {
    // The lists are tables of the core: the same table is the same list, so only a switch rebuilds.
    if (shown.options.data() != listed_.data() || shown.options.size() != listed_.size()) {
      item_.ResetContent();
      Fill(shown.options);
    }
    item_.SetCurSel(shown.position);
  }

  void Fill(std::span<const std::string_view> options) {
    for (const std::string_view option : options) item_.AddString(FromUtf8(option));
    listed_ = options;
  }

  std::span<const std::string_view> listed_;  // what the list holds now
};

// Addresses: host order in the editor, as the model gives and takes them.
class AddressBinding final : public KindBinding<ui::CIPAddressPropertyItem> {
 public:
  explicit AddressBinding(ui::CIPAddressPropertyItem& item) : KindBinding(item) { item.CreateEditor(); }
  [[nodiscard]] config::EditorValue Read() const override { return config::EditorValue::Address(item_.GetAddress()); }

 private:
  void ShowValue(const config::RowDisplay& shown) override { item_.SetAddress(shown.hostAddress); }
};

}  // namespace

std::unique_ptr<RowBinding> RowBinding::Make(ui::CPropertyTreeCtrl& list, ui::CPropertyItem& category,
                                             const config::PropertyItemRow& row) {
  using config::ItemKind;
  switch (row.kind) {
    case ItemKind::Static:
      return std::make_unique<StaticBinding>(AddRowItem<ui::CStaticPropertyItem>(list, category, row));
    case ItemKind::Edit:
      return std::make_unique<EditBinding>(AddRowItem<ui::CEditPropertyItem>(list, category, row, row.commandId), 0);
    case ItemKind::Number:
      return std::make_unique<EditBinding>(AddRowItem<ui::CEditPropertyItem>(list, category, row, row.commandId),
                                           ui::PROP_EDIT_NUMBER);
    case ItemKind::Combo:
      return std::make_unique<ComboBinding>(AddRowItem<ui::CComboPropertyItem>(list, category, row, row.commandId),
                                            row.options);
    case ItemKind::Address:
      return std::make_unique<AddressBinding>(
          AddRowItem<ui::CIPAddressPropertyItem>(list, category, row, row.commandId));
  }
  return nullptr;
}

void RowBinding::Show(const config::RowDisplay& shown) {
  ShowValue(shown);
  Item().SetReadOnly(shown.readOnly);
}

}  // namespace kestrine::app
