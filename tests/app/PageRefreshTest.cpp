// What the editors show after RefreshPage and ClearPage: exactly what the page model says for the record.
#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/ConfigurationPageModel.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "property_tree/StaticPropertyItem.h"

namespace kestrine::app::test {
namespace {

using config::ItemKind;
namespace id = config::item_id;

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

class PageRefresh : public PageTest {
 protected:
  // Every row's editor against a model that showed the same record with the same flags.
  void ExpectRowsShow(const config::EncoderConfiguration* record) {
    config::ConfigurationPageModel expected;
    expected.Flags() = Page().Flags();
    expected.Show(record);
    const auto rows = config::PropertyItemRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const config::RowDisplay& shown = expected.RowAt(i);
      ui::CPropertyItem& item = *Page().ItemFor(rows[i]);
      EXPECT_EQ(item.IsReadOnly(), shown.readOnly) << rows[i].label;
      switch (rows[i].kind) {
        case ItemKind::Static:
          EXPECT_EQ(static_cast<ui::CStaticPropertyItem&>(item).GetValueText(), FromView(shown.text));
          break;
        case ItemKind::Edit:
        case ItemKind::Number:
          EXPECT_EQ(static_cast<ui::CEditPropertyItem&>(item).GetWindowText(), FromView(shown.text)) << rows[i].label;
          break;
        case ItemKind::Combo: {
          auto& combo = static_cast<ui::CComboPropertyItem&>(item);
          EXPECT_EQ(combo.GetCurSel(), shown.position) << rows[i].label;
          ASSERT_EQ(combo.GetCount(), static_cast<int>(shown.options.size())) << rows[i].label;
          for (int k = 0; k < combo.GetCount(); ++k) {
            EXPECT_EQ(combo.GetLBText(k), FromView(shown.options[static_cast<std::size_t>(k)])) << rows[i].label;
          }
          break;
        }
        case ItemKind::Address:
          EXPECT_EQ(static_cast<ui::CIPAddressPropertyItem&>(item).GetAddress(), shown.hostAddress) << rows[i].label;
          break;
      }
    }
  }
};

TEST_F(PageRefresh, EveryBranchOfTheRecordShowsAsTheModelSays) {
  const auto variant = [](auto change) {
    config::EncoderConfiguration record = FullRecord();
    change(record);
    return record;
  };
  const config::EncoderConfiguration records[] = {
      FullRecord(),
      variant([](auto& r) { r.audio_input = 1; }),
      variant([](auto& r) { r.audio_input = 2; }),
      variant([](auto& r) { r.video_input = 1; }),
      variant([](auto& r) { r.rate_mode = 1; }),
      variant([](auto& r) { r.analog_channel_mode = 3, r.analog_bitrate = 64; }),
      variant([](auto& r) { r.analog_channel_mode = 3, r.analog_bitrate = 384; }),
      variant([](auto& r) { r.sdi_exist_group = 16; }),
  };
  for (const config::EncoderConfiguration& record : records) {
    Page().RefreshPage(&record);
    ExpectRowsShow(&record);
  }
  Page().RefreshPage(nullptr);
  ExpectRowsShow(nullptr);
}

TEST_F(PageRefresh, RestartTakesEditsOnlyUntilThePageFirstShowsSomething) {
  auto& restart = ItemOf<ui::CComboPropertyItem>(id::kRestart);
  EXPECT_FALSE(restart.IsReadOnly());
  Page().ClearPage();
  EXPECT_TRUE(restart.IsReadOnly());
  Page().RefreshPage(&record_);
  EXPECT_TRUE(restart.IsReadOnly());
}

}  // namespace
}  // namespace kestrine::app::test
