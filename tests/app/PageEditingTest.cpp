// Edits made the way a person makes them: click the row, type, Enter; pick from the drop-down list with the
// mouse or the keys; fill an address field by field. The value lands in the record, or the warning is
// recorded and the record's value is back on screen.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/PropertyItemTable.h"
#include "property_tree/AddressFieldEdit.h"
#include "property_tree/ComboPropertyItem.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/IPAddressCtrl.h"
#include "property_tree/IPAddressPropertyItem.h"
#include "tests/support/Eventually.h"

namespace kestrine::app::test {
namespace {

namespace id = config::item_id;
using Warnings = std::vector<std::string>;

class PageEditing : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    ShowActive();
    Page().RefreshPage(&record_);
  }

  QComboBox& OpenCombo(int commandId) {
    auto& combo = ItemOf<ui::CComboPropertyItem>(commandId);
    ClickValue(combo);
    EXPECT_TRUE(combo.GetEditor()->hasFocus()) << commandId;
    return *combo.GetEditor();
  }

  // Opens the drop-down list and clicks the entry.
  void PickWithMouse(int commandId, int entry) {
    QComboBox& box = OpenCombo(commandId);
    box.showPopup();
    QAbstractItemView* view = box.view();
    ASSERT_TRUE(kestrine::test::Eventually([&] {
      QCoreApplication::processEvents();
      return view->isVisible();
    }));
    const QPoint at = view->visualRect(view->model()->index(entry, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  QString EditText(int commandId) { return ItemOf<ui::CEditPropertyItem>(commandId).GetWindowText(); }
};

TEST_F(PageEditing, ATypedNumberIsStoredOrRefusedWithTheRecordsValueBackOnScreen) {
  TypeInto(id::kDeviceNumber, QStringLiteral("99"));
  EXPECT_EQ(record_.sequence_number, 99);
  EXPECT_TRUE(warnings_.empty());

  TypeInto(id::kDeviceNumber, QStringLiteral("100"));
  EXPECT_EQ(warnings_, Warnings{"DeviceID value should be small in 99 !"});
  EXPECT_EQ(record_.sequence_number, 99);
  EXPECT_EQ(EditText(id::kDeviceNumber), "99");

  TypeInto(id::kProgramBitrate, QStringLiteral("547"));
  EXPECT_EQ(warnings_.back(), "Bitrate should be between 548 and 9999 !");
  EXPECT_EQ(EditText(id::kProgramBitrate), "4000");
  EXPECT_TRUE(Page().Flags().bitrateModified);  // set whether or not the value is taken

  TypeInto(id::kAudioDelay, QStringLiteral("-101"));
  EXPECT_EQ(warnings_.back(), "AudioDelay value should be between -100 and 0 !");
  TypeInto(id::kAudioDelay, QStringLiteral("-100"));
  EXPECT_EQ(record_.Audio_Delay, -100);
  EXPECT_EQ(warnings_.size(), 3u);
}

TEST_F(PageEditing, DropDownEntriesArePickedWithTheMouseAndWithTheKeys) {
  PickWithMouse(id::kAudioInput, 1);
  EXPECT_EQ(record_.audio_input, 1);
  EXPECT_EQ(ItemOf<ui::CComboPropertyItem>(id::kAudioInput).GetWindowText(), "SDI");
  EXPECT_TRUE(ItemOf<ui::CComboPropertyItem>(id::kLeftVolume).IsReadOnly());
  EXPECT_FALSE(ItemOf<ui::CComboPropertyItem>(id::kSdiSelectGroup).IsReadOnly());

  QComboBox& box = OpenCombo(id::kAudioInput);
  QTest::keyClick(&box, Qt::Key_Up);
  EXPECT_EQ(record_.audio_input, 0);
  EXPECT_FALSE(ItemOf<ui::CComboPropertyItem>(id::kLeftVolume).IsReadOnly());
  EXPECT_TRUE(ItemOf<ui::CComboPropertyItem>(id::kSdiSelectGroup).IsReadOnly());
  EXPECT_EQ(commands_, (std::vector<int>{id::kAudioInput, id::kAudioInput}));
}

TEST_F(PageEditing, ChannelModeSwitchesResetTheBitrateAndItsList) {
  auto& bitrate = ItemOf<ui::CComboPropertyItem>(id::kAudioBitrate);
  QComboBox& channel = OpenCombo(id::kChannelMode);
  QTest::keyClick(&channel, Qt::Key_Down);
  EXPECT_EQ(record_.analog_channel_mode, 3);
  EXPECT_EQ(record_.analog_bitrate, 96);
  EXPECT_EQ(bitrate.GetLBText(0), "32");
  EXPECT_EQ(bitrate.GetCurSel(), 5);
  EXPECT_TRUE(Page().Flags().bitrateModified);

  QTest::keyClick(&OpenCombo(id::kChannelMode), Qt::Key_Up);
  EXPECT_EQ(record_.analog_channel_mode, 0);
  EXPECT_EQ(record_.analog_bitrate, 112);
  EXPECT_EQ(bitrate.GetLBText(0), "64");
  EXPECT_EQ(bitrate.GetCurSel(), 2);

  PickWithMouse(id::kAudioBitrate, 3);
  EXPECT_EQ(record_.analog_bitrate, 128);
}

TEST_F(PageEditing, AnAddressIsTypedFieldByFieldAndStoredInNetworkOrder) {
  auto& multicast = ItemOf<ui::CIPAddressPropertyItem>(id::kMulticastIp);
  ClickValue(multicast);
  ui::CIPAddressCtrl* editor = multicast.GetEditor();
  const QStringList octets{QStringLiteral("239"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
  for (int i = 0; i < ui::CIPAddressCtrl::kFieldCount; ++i) {
    ui::CAddressFieldEdit* field = editor->GetField(i);
    ASSERT_TRUE(field->hasFocus()) << i;
    QTest::keyClick(field, Qt::Key_End);
    for (int k = static_cast<int>(field->text().size()); k > 0; --k) QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, octets[i]);
    if (octets[i].size() < 3 && i + 1 < ui::CIPAddressCtrl::kFieldCount) QTest::keyClick(field, '.');
  }
  EXPECT_TRUE(commands_.empty());  // moving between the fields commits nothing
  ClickLabel(ItemOf<ui::CComboPropertyItem>(id::kKeyboardLock));
  EXPECT_EQ(commands_, std::vector<int>{id::kMulticastIp});
  EXPECT_EQ(record_.multicast_ip, 0x030201EFu);
  EXPECT_EQ(multicast.GetDisplayText(), "239.1.2.3");
}

TEST_F(PageEditing, ChineseNamesCountTheirEncodedBytesAndOtherTextsKeepTheirs) {
  const config::EncoderConfiguration before = record_;
  TypeInto(id::kProviderName, QStringLiteral("测试频道一二三"));  // 7 characters, 14 bytes
  EXPECT_TRUE(warnings_.empty());
  EXPECT_EQ(config::TextOf(record_.prg_provider_name), "\xB2\xE2\xCA\xD4\xC6\xB5\xB5\xC0\xD2\xBB\xB6\xFE\xC8\xFD");

  TypeInto(id::kProviderName, QStringLiteral("测试频道一二三四五六七"));  // 11 characters, 22 bytes
  EXPECT_EQ(warnings_, Warnings{"Provider Program name length should be less than 20 characters !"});
  EXPECT_EQ(EditText(id::kProviderName), QStringLiteral("测试频道一二三"));
  EXPECT_EQ(record_.prg_name, before.prg_name);
  EXPECT_EQ(EditText(id::kServiceName), QStringLiteral("中央电视台"));
}

TEST_F(PageEditing, TheCurrentPasswordUnlocksBothPasswordRows) {
  EXPECT_FALSE(Page().BuildWriteRequest().currentPasswordGiven);
  TypeInto(id::kPassword, QStringLiteral("UULLDDRU"));
  EXPECT_EQ(warnings_, Warnings{"Password is incorrect!\n"});
  EXPECT_EQ(EditText(id::kPassword), "");
  EXPECT_FALSE(Page().Flags().passwordAccepted);

  TypeInto(id::kPassword, QStringLiteral("UULLDDRR"));
  EXPECT_TRUE(Page().Flags().passwordAccepted);
  EXPECT_EQ(EditText(id::kPassword), "UULLDDRR");
  EXPECT_EQ(EditText(id::kNewPassword), "RRDDLLUU");
  const config::PasswordEntries request = Page().BuildWriteRequest();
  EXPECT_TRUE(request.currentPasswordGiven);
  EXPECT_TRUE(request.newPasswordGiven);
}

TEST_F(PageEditing, WithNoEncoderSelectedACommitStoresNothingAndTheRowShowsWhatItShowed) {
  selected_ = nullptr;
  TypeInto(id::kDeviceNumber, QStringLiteral("55"));
  EXPECT_EQ(commands_, std::vector<int>{id::kDeviceNumber});
  EXPECT_EQ(record_.sequence_number, 7);
  EXPECT_EQ(EditText(id::kDeviceNumber), "7") << "a value stored nowhere must not stay on screen";
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(PageEditing, ControlBytesInAnEncoderTextShowEscapedAndAnUntouchedCommitKeepsThem) {
  config::StoreText(record_.prg_name, "Cam\x1b[2JOne\tTwo");
  Page().RefreshPage(&record_);
  EXPECT_EQ(EditText(id::kServiceName), R"(Cam\x1b[2JOne\tTwo)");

  TypeInto(id::kServiceName, EditText(id::kServiceName));
  EXPECT_EQ(config::TextOf(record_.prg_name), "Cam\x1b[2JOne\tTwo") << "the encoder's bytes go back unchanged";
  EXPECT_TRUE(warnings_.empty());
}

}  // namespace
}  // namespace kestrine::app::test
