#include "app/GuiFeedback.h"

#include <QApplication>
#include <QStringDecoder>

#include "app/AppTexts.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/MessageLogWnd.h"

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

// An encoder's texts are GB2312 bytes; GB18030 decodes every one of them.
QString DecodeDeviceText(std::string_view bytes) {
  QStringDecoder decoder("GB18030");
  if (!decoder.isValid()) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

GuiFeedback::GuiFeedback(CMainFrame& frame) : frame_(frame) {}

void GuiFeedback::ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) {
  const StyleLook look = LookOf(style);
  QWidget* window = owner == net::MessageOwner::DeviceTree ? static_cast<QWidget*>(&frame_.DeviceTree())
                                                           : static_cast<QWidget*>(&frame_);
  frame_.Boxes().Show({window, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                       QString::fromLatin1(look.caption), look.icon});
}

void GuiFeedback::ClearLog() { frame_.MessageLog().Clear(); }

void GuiFeedback::AddLogLine(std::string_view text, net::LogLineKind kind) {
  frame_.MessageLog().AddLine(static_cast<int>(kind), DecodeDeviceText(text));
}

void GuiFeedback::SetNodeImage(int image) {
  if (entry_ == nullptr) return;
  if (DeviceNode* node = frame_.DeviceTree().NodeOwning(*entry_)) node->SetImage(image);
}

void GuiFeedback::RefreshPage() {
  if (entry_ != nullptr) frame_.ShowRecordIfSelected(*entry_);
}

void GuiFeedback::BeginWait() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void GuiFeedback::EndWait() { QApplication::restoreOverrideCursor(); }

void GuiFeedback::KeepAlive() { frame_.KeepAlive(); }

}  // namespace kestrine::app
