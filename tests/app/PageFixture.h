#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QPoint>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/ConfigurationPage.h"
#include "app/MessageBoxPresenter.h"
#include "config/EncoderConfiguration.h"
#include "tests/support/SampleRecords.h"

namespace kestrine::ui {
class CPropertyItem;
class CPropertyTreeCtrl;
}  // namespace kestrine::ui

namespace kestrine::app::test {

using samples::FullRecord;

// A window holding the configuration page (two lists of 400 x 600), wired the way the shell wires it:
// every item command is applied at once to the selected record (the fixture's, unless a test selects
// none). Warnings are recorded instead of shown.
class PageTest : public ::testing::Test, public MessageBoxPresenter {
 protected:
  static constexpr int kPageWidth = 792;
  static constexpr int kPageHeight = 600;

  void SetUp() override;
  void TearDown() override;
  void Show(const MessageBoxRequest& request) override;

  void ShowActive();
  [[nodiscard]] ConfigurationPage& Page() { return *page_; }
  [[nodiscard]] QWidget& Window() { return *window_; }

  // The page's item for a command id.
  template <typename Item>
  [[nodiscard]] Item& ItemOf(int id) {
    auto* item = dynamic_cast<Item*>(ItemById(id));
    EXPECT_NE(item, nullptr) << id;
    return *item;
  }
  [[nodiscard]] ui::CPropertyItem* ItemById(int id);
  // Clicks the row's value column, which opens its editor.
  void ClickValue(ui::CPropertyItem& item);
  void ClickLabel(ui::CPropertyItem& item);
  // Clicks a row, selects what its editor holds, types the text and presses Enter.
  void TypeInto(int id, const QString& text);

  config::EncoderConfiguration record_ = FullRecord();
  config::EncoderConfiguration* selected_ = &record_;
  std::vector<int> commands_;
  std::vector<std::string> warnings_;

 private:
  std::unique_ptr<QWidget> window_;
  ConfigurationPage* page_ = nullptr;
};

}  // namespace kestrine::app::test
