#include "app/GuiFeedback.h"

#include <QApplication>

#include "app/AppTexts.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/MessageLogWnd.h"
#include "config/TextEncoding.h"

namespace kestrine::app {
namespace {

struct StyleLook {
  const char* caption;  // null: the application's title
  QMessageBox::Icon icon;
};

StyleLook LookOf(net::MessageStyle style) {
  switch (style) {
    case net::MessageStyle::Warning: return {kWarningCaption, QMessageBox::Warning};
    case net::MessageStyle::Tip: return {kTipCaption, QMessageBox::NoIcon};
    case net::MessageStyle::Plain: break;
  }
  return {kApplicationTitle, QMessageBox::NoIcon};
}

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

GuiFeedback::GuiFeedback(CMainFrame& frame) : frame_(frame) {}

void GuiFeedback::ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) {
  const StyleLook look = LookOf(style);
  QWidget* window = owner == net::MessageOwner::DeviceTree ? static_cast<QWidget*>(&frame_.DeviceTree())
                                                           : static_cast<QWidget*>(&frame_);
  frame_.Boxes().Show({window, FromUtf8(text), QString::fromLatin1(look.caption), look.icon});
}

void GuiFeedback::ClearLog() { frame_.MessageLog().Clear(); }

// An encoder's messages are bytes in its own encoding (GB2312); our notices are our own text.
void GuiFeedback::AddLogLine(std::string_view text, net::LogLineKind kind) {
  const QString line = kind == net::LogLineKind::DeviceMessage ? FromUtf8(config::DecodeGb18030Lenient(text))
                                                                : FromUtf8(text);
  frame_.MessageLog().AddLine(static_cast<int>(kind), line);
}

void GuiFeedback::EncoderAnswered(const config::EncoderConfiguration& entry, bool answered) {
  if (DeviceNode* node = frame_.DeviceTree().NodeOwning(entry)) node->SetImage(answered ? 0 : 1);
}

void GuiFeedback::RecordChanged(const config::EncoderConfiguration& entry) { frame_.ShowRecordIfSelected(entry); }

void GuiFeedback::BeginWait() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void GuiFeedback::EndWait() { QApplication::restoreOverrideCursor(); }

void GuiFeedback::KeepAlive() { frame_.KeepAlive(); }

}  // namespace kestrine::app
