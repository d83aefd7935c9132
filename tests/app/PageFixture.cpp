#include "PageFixture.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "config/PropertyItemTable.h"
#include "property_tree/EditPropertyItem.h"
#include "property_tree/PropertyListWnd.h"
#include "property_tree/PropertyTreeCtrl.h"

namespace kestrine::app::test {

config::EncoderConfiguration FullRecord() {
  config::EncoderConfiguration record{};
  config::StoreText(record.version, "2.31");
  config::StoreText(record.old_password, "UULLDDRR");
  config::StoreText(record.new_password, "RRDDLLUU");
  config::StoreText(record.prg_name, "\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8");  // GB2312 "中央电视台"
  config::StoreText(record.prg_provider_name, "DVB");
  record.sequence_number = 7;
  record.ipAddr = 0x0A01A8C0;        // 192.168.1.10
  record.ipMask = 0x00FFFFFF;        // 255.255.255.0
  record.ipGate = 0x0101A8C0;        // 192.168.1.1
  record.multicast_ip = 0x010101E0;  // 224.1.1.1
  record.multicast_port = 1234;
  record.lock_keyboard = 1;
  record.video_input = 0;
  record.cvbs_brightness = 128;
  record.cvbs_contrast = 120;
  record.cvbs_saturation = 110;
  record.cvbs_hue = 100;
  record.video_bitrate = 3500;
  record.TS_bitrate = 4500;
  record.audio_input = 0;
  record.analog_left_volume = 3;
  record.analog_right_volume = 4;
  record.analog_bitrate = 192;
  record.sdi_volume = 2;
  record.sdi_opt_group = 5;
  record.sdi_exist_group = 12;
  record.Audio_Delay = -20;
  record.mux_bitrate = 4000;
  record.program_no = 1;
  record.pmt_pid = 256;
  record.pcr_pid = 257;
  record.video_pid = 258;
  record.audio_pid = 259;
  return record;
}

void PageTest::SetUp() {
  window_ = std::make_unique<QWidget>();
  window_->resize(kPageWidth, kPageHeight);
  page_ = new ConfigurationPage(window_.get());
  page_->setGeometry(0, 0, kPageWidth, kPageHeight);
  page_->SetWarningSink(this);
  QObject::connect(page_, &ConfigurationPage::ItemCommand, page_, [this](int id) {
    commands_.push_back(id);
    page_->ApplyPropertyEdit(id, selected_);
  });
}

void PageTest::TearDown() { window_.reset(); }

void PageTest::ShowActive() {
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  page_->LeftTree().UpdateView();
  page_->RightTree().UpdateView();
}

ui::CPropertyItem* PageTest::ItemById(int id) {
  const config::PropertyItemRow* row = config::FindItemById(id);
  return row == nullptr ? nullptr : page_->ItemFor(*row);
}

void PageTest::ClickValue(ui::CPropertyItem& item) {
  ui::CPropertyTreeCtrl& list = *item.GetOwner();
  const QPoint at(list.GetDividerPos() + 40, item.GetOrigin().y() - list.GetScrollOrigin() + item.GetRowHeight() / 2);
  QTest::mouseClick(list.GetListWnd(), Qt::LeftButton, Qt::NoModifier, at);
}

void PageTest::ClickLabel(ui::CPropertyItem& item) {
  ui::CPropertyTreeCtrl& list = *item.GetOwner();
  const QPoint at(60, item.GetOrigin().y() - list.GetScrollOrigin() + item.GetRowHeight() / 2);
  QTest::mouseClick(list.GetListWnd(), Qt::LeftButton, Qt::NoModifier, at);
}

void PageTest::TypeInto(int id, const QString& text) {
  auto& edit = ItemOf<ui::CEditPropertyItem>(id);
  ClickValue(edit);
  QLineEdit* line = edit.GetLineEdit();
  ASSERT_TRUE(line->hasFocus()) << id;
  line->selectAll();
  bool ascii = true;
  for (const QChar c : text) ascii = ascii && c.unicode() < 0x80;
  if (ascii) {
    QTest::keyClicks(line, text);
  } else {
    // Chinese comes through the input method, committed a phrase at a time.
    QInputMethodEvent phrase;
    phrase.setCommitString(text);
    QApplication::sendEvent(line, &phrase);
  }
  QTest::keyClick(line, Qt::Key_Return);
}

}  // namespace kestrine::app::test
