#include "app/DeviceCommands.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QStringList>
#include <QWidget>

#include "app/AddDeviceDlg.h"
#include "app/AppTexts.h"
#include "app/AuditDlg.h"
#include "app/CommandIds.h"
#include "app/ConfigurationPage.h"
#include "app/DeviceTreeCtrl.h"
#include "app/EncoderListFiles.h"
#include "app/FleetAuditRun.h"
#include "app/GuiFeedback.h"
#include "app/MessageLogWnd.h"
#include "app/ModalMessageBoxes.h"
#include "app/OffThreadProbe.h"
#include "app/SearchDeviceDlg.h"
#include "config/EncoderConfiguration.h"
#include "net/DeviceOperations.h"
#include "net/Discovery.h"
#include "platform/Ipv4Text.h"
#include "stream/StreamCheckReport.h"
#include "stream/StreamProbe.h"

namespace kestrine::app {
namespace {

QString AddressOf(const config::EncoderConfiguration& entry) {
  return QString::fromStdString(platform::FormatIpv4(entry.ipAddr));
}

QString ReadFailureNotice(const config::EncoderConfiguration& entry) {
  return QStringLiteral("Configuration from %1 could not be read: ").arg(AddressOf(entry)) + QStringLiteral("%1");
}

QString HostOrderText(std::uint32_t hostOrder) {
  return QString::fromStdString(platform::FormatIpv4(platform::HostToNetwork32(hostOrder)));
}

}  // namespace

// One command at a time: while a command runs the shell is busy and says what it does. Its operation
// runs under one wait from start to end, so input is dropped in the gaps between exchanges too.
class DeviceCommands::CommandScope final {
 public:
  explicit CommandScope(DeviceCommands& commands) : commands_(commands) { commands_.busy_ = true; }
  ~CommandScope() {
    commands_.feedback_->SetFailureNotice({});
    emit commands_.StatusChanged(QString::fromLatin1(kReadyText));
    commands_.busy_ = false;
  }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

 private:
  DeviceCommands& commands_;
};

DeviceCommands::DeviceCommands(ShellSettings settings, CDeviceTreeCtrl& tree, CMessageLogWnd& log,
                               ConfigurationPage& page, QWidget& window)
    : QObject(&window),
      settings_(std::move(settings)),
      tree_(tree),
      log_(log),
      page_(page),
      window_(window),
      boxes_(&DefaultMessageBoxes()),
      feedback_(std::make_unique<GuiFeedback>(tree, log, page, *boxes_)),
      lists_(std::make_unique<EncoderListFiles>(tree, window, *boxes_, settings_.documentFolder)) {}

DeviceCommands::~DeviceCommands() = default;

void DeviceCommands::SetMessageBoxes(MessageBoxPresenter& boxes) {
  boxes_ = &boxes;
  feedback_->SetMessageBoxes(boxes);
  lists_->SetMessageBoxes(boxes);
}

void DeviceCommands::ApplyPropertyEdit(int id) {
  // An edit committed while an operation runs (a box took the focus from an editor) must not change the
  // record the operation works on: it is dropped, and its row shows again what it showed.
  DeviceNode* node = busy_ ? nullptr : tree_.SelectedNode();
  page_.ApplyPropertyEdit(id, node != nullptr ? &node->Entry() : nullptr);
}

bool DeviceCommands::DeferClose() {
  // Closing mid-operation would take the records away from under it.
  if (busy_) closeRequested_ = true;
  return busy_;
}

void DeviceCommands::Run(int id) {
  if (busy_) return;
  {
    CommandScope scope(*this);
    Dispatch(id);
  }
  emit CommandFinished(id);
  if (closeRequested_) window_.close();
}

void DeviceCommands::Dispatch(int id) {
  if (id == ID_SEARCH_ENCODER) return SearchEncoders();
  if (id == ID_ADD_ENCODER) return AddEncoder();
  if (id == ID_OPEN_ENCODER_LIST) return lists_->Open();
  if (id == ID_SAVE_ENCODER_LIST) return lists_->Save();
  if (id == ID_AUDIT_ENCODERS) return AuditEncoders();
  DeviceNode* node = tree_.SelectedNode();
  if (node == nullptr) return;
  switch (id) {
    case ID_DEL_ENCODER:
      tree_.DeleteDevice(node);
      break;
    case ID_READ_CONFIGURATION:
      ReadConfiguration(*node);
      break;
    case ID_WRITE_CONFIGURATION:
      WriteConfiguration(*node);
      break;
    case ID_START_TS_IP:
      StartStreaming(*node, true);
      break;
    case ID_STOP_TS_IP:
      StartStreaming(*node, false);
      break;
    case ID_READ_DEVICE_MESSAGE:
      ReadDeviceMessages(*node);
      break;
    case ID_CHECK_STREAM:
      CheckStream(*node);
      break;
    default:
      break;
  }
}

void DeviceCommands::ShowStatus(const QString& activity, const QString& address) {
  emit StatusChanged(activity.arg(address));
}

void DeviceCommands::SearchEncoders() {
  CSearchDeviceDlg dialog(settings_.proposeBroadcast ? settings_.proposeBroadcast() : std::nullopt, *boxes_, &window_);
  if (dialog.exec() != QDialog::Accepted) return;
  ShowStatus(QStringLiteral("Searching for encoders at %1…"), HostOrderText(dialog.Address()));
  const net::WaitScope wait(*feedback_);
  net::SearchDevices(dialog.Address(), settings_.network, *feedback_,
                     [this](const std::string& address) { tree_.AddDevice(QString::fromStdString(address)); });
}

void DeviceCommands::AddEncoder() {
  CAddDeviceDlg dialog(*boxes_, &window_);
  if (dialog.exec() == QDialog::Accepted) tree_.AddDevice(HostOrderText(dialog.Address()));
}

void DeviceCommands::ReadConfiguration(DeviceNode& node) {
  config::EncoderConfiguration& entry = node.Entry();
  ShowStatus(QStringLiteral("Reading configuration from %1…"), AddressOf(entry));
  feedback_->SetFailureNotice(ReadFailureNotice(entry));
  const net::WaitScope wait(*feedback_);
  net::DeviceOperations(settings_.network, *feedback_, settings_.documentFolder)
      .ReadConfiguration(entry, page_.Flags());
}

void DeviceCommands::WriteConfiguration(DeviceNode& node) {
  config::EncoderConfiguration& entry = node.Entry();
  ShowStatus(QStringLiteral("Writing configuration to %1…"), AddressOf(entry));
  feedback_->SetFailureNotice(ReadFailureNotice(entry));  // the re-read after a bitrate change
  const net::WaitScope wait(*feedback_);
  net::DeviceOperations(settings_.network, *feedback_, settings_.documentFolder)
      .WriteConfiguration(entry, page_.Flags(), page_.BuildWriteRequest());
}

void DeviceCommands::StartStreaming(DeviceNode& node, bool start) {
  const config::EncoderConfiguration& entry = node.Entry();
  ShowStatus(start ? QStringLiteral("Starting TS -> IP on %1…") : QStringLiteral("Stopping TS -> IP on %1…"),
             AddressOf(entry));
  feedback_->SetFailureNotice(AddressOf(entry) + QStringLiteral(": %1"));
  const net::WaitScope wait(*feedback_);
  net::DeviceOperations operations(settings_.network, *feedback_, settings_.documentFolder);
  if (start) {
    operations.StartStreaming(entry);
  } else {
    operations.StopStreaming(entry);
  }
}

void DeviceCommands::ReadDeviceMessages(DeviceNode& node) {
  const config::EncoderConfiguration& entry = node.Entry();
  ShowStatus(QStringLiteral("Reading device messages from %1…"), AddressOf(entry));
  const net::WaitScope wait(*feedback_);
  net::DeviceOperations operations(settings_.network, *feedback_, settings_.documentFolder);
  if (operations.QueryDeviceMessages(entry) == net::OperationResult::Unreachable) {
    log_.AddLine(static_cast<int>(net::LogLineKind::ProgramNotice), QStringLiteral("Connect device failed"));
  }
}

// Every listed encoder is read at once off the interface thread while a progress dialog offers Cancel;
// the window keeps turning, and as the dialog is modal nothing else can start meanwhile.
void DeviceCommands::AuditEncoders() {
  QStringList texts;
  std::vector<std::uint32_t> addresses;
  for (int i = 0; i < tree_.NodeCount(); ++i) {
    std::uint32_t address = 0;
    const QString text = tree_.NodeAt(i)->AddressText();
    if (!platform::ParseDottedQuad(text.toStdString(), address)) continue;
    texts << text;
    addresses.push_back(address);
  }
  if (addresses.empty()) return;
  const int count = static_cast<int>(addresses.size());
  ShowStatus(QStringLiteral("Auditing %1 encoders…"), QString::number(count));

  FleetAuditRun run(settings_.network, std::move(addresses));
  QProgressDialog progress(QStringLiteral("Reading the configurations of %1 encoders…").arg(count),
                           QStringLiteral("Cancel"), 0, count, &window_);
  progress.setObjectName("auditProgressDialog");
  progress.setWindowTitle(QStringLiteral("Audit Encoders"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  connect(&run, &FleetAuditRun::Progress, &progress, [&progress](int done, int /*total*/) { progress.setValue(done); });
  // Cancel says so until the reads under way have ended (at their next wait slice), then the dialog goes.
  // (The dialog ties its own cancel() by name, so only a disconnect by name unties it.)
  disconnect(&progress, SIGNAL(canceled()), &progress, SLOT(cancel()));
  connect(&progress, &QProgressDialog::canceled, &run, [&run, &progress] {
    run.Cancel();
    progress.setLabelText(QStringLiteral("Cancelling the audit…"));
    progress.setCancelButtonText({});
  });
  QEventLoop untilDone;
  connect(&run, &FleetAuditRun::Finished, &progress, &QWidget::hide);
  connect(&run, &FleetAuditRun::Finished, &untilDone, &QEventLoop::quit);
  run.Start();
  progress.setValue(0);
  progress.show();
  untilDone.exec();
  if (!run.WasCancelled()) ShowAuditFindings(texts, run.Findings());
}

// The stream is judged against the node's record; a node without one has its encoder asked first. The
// probe listens for seconds on a thread of its own, on a copy of the record, while the window turns and
// drops input; a close of the window cuts it short.
void DeviceCommands::CheckStream(DeviceNode& node) {
  if (node.Entry().configurationRead == 0) {
    ReadConfiguration(node);
    if (node.Entry().configurationRead == 0) return;  // the read has said why
  }
  const QString address = node.AddressText();
  ShowStatus(QStringLiteral("Checking the stream of %1…"), address);
  const net::WaitScope wait(*feedback_);
  stream::ProbeOptions options;
  options.duration = settings_.streamCheckDuration;
  options.cancelled = [this] { return closeRequested_.load(); };
  const stream::ProbeResult result = ProbeOffThread(node.Entry(), std::move(options));
  if (result.cancelled) return;
  const stream::StreamCheckReport report = stream::ReportStreamCheck(address.toStdString(), result);
  for (const std::string& notice : report.notices) feedback_->AddLogLine(notice, net::LogLineKind::ProgramNotice);
  feedback_->ShowMessage(report.warning ? net::MessageStyle::Warning : net::MessageStyle::Tip,
                         net::MessageOwner::MainWindow, report.boxText);
}

void DeviceCommands::ShowAuditFindings(const QStringList& addresses,
                                       const std::vector<config::AuditFinding>& findings) {
  if (auditDialog_) auditDialog_->close();
  auditDialog_ = new CAuditDlg(addresses, findings, &window_);
  connect(auditDialog_, &CAuditDlg::EncoderChosen, this, &DeviceCommands::SelectEncoder);
  auditDialog_->show();
}

// A node deleted since the audit is simply not there to select.
void DeviceCommands::SelectEncoder(const QString& address) {
  if (busy_) return;
  DeviceNode* node = tree_.FindDeviceNode(nullptr, address);
  if (node == nullptr) return;
  tree_.setCurrentItem(node);
  tree_.scrollToItem(node);
}

}  // namespace kestrine::app
