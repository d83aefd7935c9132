// What the operator sees after RefreshPage and ClearPage: each row's value as its value column shows it,
// and which rows take no edit.
#include <algorithm>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "config/PropertyItemTable.h"
#include "property_tree/ComboPropertyItem.h"

namespace kestrine::app::test {
namespace {

namespace id = config::item_id;

// Rows by command id; the "version" row, which has none, as id::kNone.
using Shown = std::map<int, QString>;

class PageRefresh : public PageTest {
 protected:
  [[nodiscard]] ui::CPropertyItem& Row(int commandId) {
    const config::PropertyItemRow* row =
        commandId == id::kNone ? &config::PropertyItemRows().front() : config::FindItemById(commandId);
    return *Page().ItemFor(*row);
  }

  // Every row's value column, by command id.
  [[nodiscard]] Shown Values() {
    Shown values;
    for (const config::PropertyItemRow& row : config::PropertyItemRows()) {
      values[row.commandId] = Page().ItemFor(row)->GetDisplayText();
    }
    return values;
  }

  // By command id.
  [[nodiscard]] std::vector<int> ReadOnlyRows() {
    std::vector<int> rows;
    for (const config::PropertyItemRow& row : config::PropertyItemRows()) {
      if (Page().ItemFor(row)->IsReadOnly()) rows.push_back(row.commandId);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  void ShowChanged(void (*change)(config::EncoderConfiguration&)) {
    change(record_);
    Page().RefreshPage(&record_);
  }
};

// Read-only whatever the record: the addresses, the multicast mode, the program number, both video
// bitrates, "Restart" once anything was shown, "SDI volume " and "SDI Exist Group". By command id.
const std::vector<int> kAlwaysReadOnly{id::kIpAddress, id::kIpMask,        id::kIpGate,       id::kMulticastMode,
                                       id::kRestart,   id::kProgramNumber, id::kVideoBitrate, id::kTsBitrate,
                                       id::kSdiVolume, id::kSdiExistGroup};

std::vector<int> With(std::vector<int> rows, std::initializer_list<int> more) {
  rows.insert(rows.end(), more);
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST_F(PageRefresh, EveryRowShowsItsFieldOfTheRecord) {
  Page().RefreshPage(&record_);
  const Shown expected{
      {id::kNone, "2.31"},
      {id::kDeviceNumber, "7"},
      {id::kIpAddress, "192.168.1.10"},
      {id::kIpMask, "255.255.255.0"},
      {id::kIpGate, "192.168.1.1"},
      {id::kKeyboardLock, "lock"},
      {id::kPassword, ""},  // until the current password is typed
      {id::kNewPassword, ""},
      {id::kMulticastIp, "224.1.1.1"},
      {id::kMulticastPort, "1234"},
      {id::kMulticastMode, "udp"},
      {id::kDefaultSet, "no"},
      {id::kRestart, "no"},
      {id::kProgramNumber, "1"},
      {id::kProgramBitrate, "4000"},
      {id::kPmtPid, "256"},
      {id::kPcrPid, "257"},
      {id::kServiceName, QStringLiteral("中央电视台")},
      {id::kProviderName, "DVB"},
      {id::kVideoInput, "CVBS"},
      {id::kVideoPid, "258"},
      {id::kBitrateType, "CBR"},
      {id::kVideoBitrate, "3500"},
      {id::kTsBitrate, "4500"},
      {id::kCvbsBrightness, "128"},
      {id::kCvbsSaturation, "110"},
      {id::kCvbsContrast, "120"},
      {id::kCvbsHue, "100"},
      {id::kAudioInput, "analog"},
      {id::kAudioPid, "259"},
      {id::kLeftVolume, "0db"},
      {id::kRightVolume, "+6db"},
      {id::kAudioBitrate, "192"},
      {id::kEncodeMode, "MPEG-1 Layer 2"},
      {id::kChannelMode, "stereo"},
      {id::kSdiVolume, "-6db"},
      {id::kSdiSelectGroup, "Group 3 B"},
      {id::kSdiExistGroup, "GROUP 3&4"},
      {id::kAudioDelay, "-20"},
  };
  EXPECT_EQ(Values(), expected);
  // Analog audio: the SDI rows take no edit.
  EXPECT_EQ(ReadOnlyRows(), With(kAlwaysReadOnly, {id::kSdiSelectGroup}));

  // No record: every row blank, an address as 0.0.0.0, and the read-only rows of a cleared page.
  Page().RefreshPage(nullptr);
  for (const auto& [row, text] : Values()) {
    const bool address = row == id::kIpAddress || row == id::kIpMask || row == id::kIpGate || row == id::kMulticastIp;
    EXPECT_EQ(text, address ? "0.0.0.0" : "") << row;
  }
  EXPECT_EQ(ReadOnlyRows(), kAlwaysReadOnly);
}

TEST_F(PageRefresh, EachInputMakesTheRowsOfTheOtherReadOnly) {
  ShowChanged([](auto& r) { r.audio_input = 1; });
  EXPECT_EQ(Row(id::kAudioInput).GetDisplayText(), "SDI");
  EXPECT_EQ(ReadOnlyRows(), With(kAlwaysReadOnly, {id::kLeftVolume, id::kRightVolume}));

  ShowChanged([](auto& r) { r.audio_input = 2; });  // no entry of the list: neither input's rows are locked
  EXPECT_EQ(Row(id::kAudioInput).GetDisplayText(), "");
  EXPECT_EQ(ReadOnlyRows(), kAlwaysReadOnly);

  ShowChanged([](auto& r) { r.video_input = 1; });
  EXPECT_EQ(Row(id::kVideoInput).GetDisplayText(), "SDI");
  EXPECT_EQ(ReadOnlyRows(),
            With(kAlwaysReadOnly, {id::kCvbsBrightness, id::kCvbsSaturation, id::kCvbsContrast, id::kCvbsHue}));
}

TEST_F(PageRefresh, ValuesWithoutAnEntryAndTheSingleChannelBitrates) {
  ShowChanged([](auto& r) { r.rate_mode = 1; });  // VBR is not offered
  EXPECT_EQ(Row(id::kBitrateType).GetDisplayText(), "");
  ShowChanged([](auto& r) { r.sdi_exist_group = 16; });
  EXPECT_EQ(Row(id::kSdiExistGroup).GetDisplayText(), "");

  auto& bitrate = dynamic_cast<ui::CComboPropertyItem&>(Row(id::kAudioBitrate));
  ShowChanged([](auto& r) { r.analog_channel_mode = 3, r.analog_bitrate = 64; });
  EXPECT_EQ(Row(id::kChannelMode).GetDisplayText(), "single");
  EXPECT_EQ(bitrate.GetLBText(0), "32");
  EXPECT_EQ(bitrate.GetCurSel(), 3);
  EXPECT_EQ(bitrate.GetDisplayText(), "64");
  ShowChanged([](auto& r) { r.analog_bitrate = 384; });  // a stereo rate: the first entry
  EXPECT_EQ(bitrate.GetDisplayText(), "32");
  ShowChanged([](auto& r) { r.analog_channel_mode = 0; });
  EXPECT_EQ(bitrate.GetLBText(0), "64");
  EXPECT_EQ(bitrate.GetDisplayText(), "384");
}

TEST_F(PageRefresh, RestartTakesEditsOnlyUntilThePageFirstShowsSomething) {
  ui::CPropertyItem& restart = Row(id::kRestart);
  EXPECT_FALSE(restart.IsReadOnly());
  Page().ClearPage();
  EXPECT_TRUE(restart.IsReadOnly());
  Page().RefreshPage(&record_);
  EXPECT_TRUE(restart.IsReadOnly());
}

}  // namespace
}  // namespace kestrine::app::test
