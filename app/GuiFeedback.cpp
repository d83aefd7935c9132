#include "app/GuiFeedback.h"

#include <QApplication>

#include "app/AppTexts.h"
#include "app/ConfigurationPage.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MessageBoxPresenter.h"
#include "app/MessageLogWnd.h"
#include "config/HumanText.h"
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

GuiFeedback::GuiFeedback(CDeviceTreeCtrl& tree, CMessageLogWnd& log, ConfigurationPage& page,
                         MessageBoxPresenter& boxes)
    : tree_(tree), log_(log), page_(page), boxes_(&boxes) {}

void GuiFeedback::ShowMessage(net::MessageStyle style, net::MessageOwner owner, std::string_view text) {
  const StyleLook look = LookOf(style);
  // The main window is the tree's own window.
  QWidget* window = owner == net::MessageOwner::DeviceTree ? &tree_ : tree_.window();
  // A box in the middle of an operation takes clicks: it shows the arrow, not the wait cursor.
  if (waits_ > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  boxes_->Show({window, FromUtf8(text), QString::fromLatin1(look.caption), look.icon});
  if (waits_ > 0) QApplication::restoreOverrideCursor();
}

// A failure the system has no box for would pass unseen: the log keeps it, naming the encoder.
void GuiFeedback::ExplainFailure(std::string_view detail) {
  const QString reason = FromUtf8(config::HumanText(detail));
  log_.AddLine(static_cast<int>(net::LogLineKind::ProgramNotice),
               failureNotice_.isEmpty() ? reason : failureNotice_.arg(reason));
}

void GuiFeedback::ClearLog() { log_.Clear(); }

// An encoder's messages are bytes in its own encoding (GB2312); our notices are our own text. A control
// byte in either shows escaped, not as an empty box.
void GuiFeedback::AddLogLine(std::string_view text, net::LogLineKind kind) {
  const std::string line =
      kind == net::LogLineKind::DeviceMessage ? config::DecodeGb18030Lenient(text) : std::string(text);
  log_.AddLine(static_cast<int>(kind), FromUtf8(config::HumanText(line)));
}

void GuiFeedback::EncoderAnswered(const config::EncoderConfiguration& entry, bool answered) {
  if (DeviceNode* node = tree_.NodeOwning(entry)) node->SetImage(answered ? 0 : 1);
}

// Only the selected node's record is on the page.
void GuiFeedback::RecordChanged(const config::EncoderConfiguration& entry) {
  const DeviceNode* node = tree_.SelectedNode();
  if (node != nullptr && &node->Entry() == &entry) page_.RefreshPage(&entry);
}

void GuiFeedback::BeginWait() {
  if (waits_++ > 0) return;
  guard_.Begin();
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void GuiFeedback::EndWait() {
  if (waits_ == 0 || --waits_ > 0) return;
  guard_.End();
  QApplication::restoreOverrideCursor();
}

// Within a wait input is dropped, so it may leave the queue with everything else; outside one it stays
// queued for the window's own loop.
void GuiFeedback::KeepAlive() {
  QCoreApplication::processEvents(guard_.IsActive() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kestrine::app
