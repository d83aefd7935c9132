#include "app/MainFrame.h"

#include <array>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/AboutDlg.h"
#include "app/AddDeviceDlg.h"
#include "app/AppTexts.h"
#include "app/CommandIds.h"
#include "app/DeviceTreeCtrl.h"
#include "app/GuiFeedback.h"
#include "app/ModalMessageBoxes.h"
#include "app/MessageLogWnd.h"
#include "app/PaintedIcons.h"
#include "app/PaneSplitter.h"
#include "app/SearchDeviceDlg.h"
#include "config/EncoderConfiguration.h"
#include "net/DeviceOperations.h"
#include "net/Discovery.h"
#include "platform/Ipv4Text.h"

namespace kestrine::app {
namespace {

struct MenuItem {
  int id;  // kSeparatorId: a separator; 0: no item (the rest of a short popup)
  const char* text;
  const char* prompt;  // the status bar's line while the item is highlighted
  const char* objectName;
};

struct Popup {
  const char* title;
  const char* objectName;
  std::array<MenuItem, 5> items;
};

constexpr int kSeparatorId = -1;
constexpr MenuItem kSeparator{kSeparatorId, nullptr, nullptr, nullptr};

const std::array<Popup, 4> kMainMenu{{
    {"&File(&F)", "fileMenu", {{{ID_APP_EXIT, "&Quit(&X)", "Quit the application", "quitAction"}}}},
    {"Edit(&E)",
     "editMenu",
     {{{ID_EDIT_UNDO, "Undo(&U)\tCtrl+Z", "Undo the last action", "undoAction"},
       kSeparator,
       {ID_EDIT_CUT, "Cut(&T)\tCtrl+X", "Cut the selection and put it on the Clipboard", "cutAction"},
       {ID_EDIT_COPY, "Copy(&C)\tCtrl+C", "Copy the selection and put it on the Clipboard", "copyAction"},
       {ID_EDIT_PASTE, "Paste(&P)\tCtrl+V", "Insert Clipboard contents", "pasteAction"}}}},
    {"View(&V)",
     "viewMenu",
     {{{ID_VIEW_TOOLBAR, "Toolbar(&T)", "Show or hide the toolbar", "toolbarAction"},
       {ID_VIEW_STATUS_BAR, "Status Bar(&S)", "Show or hide the status bar", "statusBarAction"}}}},
    {"Help(&H)", "helpMenu", {{{ID_APP_ABOUT, "About Kestrine ENCODER", "Show software version", "aboutAction"}}}},
}};

struct ToolButton {
  int id;  // 0: a separator
  Picture picture;
  const char* toolTip;
  const char* prompt;
};

constexpr std::array kToolBar{
    ToolButton{ID_FILE_NEW, Picture::New, "New", "Create a new document"},
    ToolButton{ID_EDIT_CUT, Picture::Cut, "Cut", nullptr},
    ToolButton{ID_EDIT_COPY, Picture::Copy, "Copy", nullptr},
    ToolButton{0, Picture::New, nullptr, nullptr},
    ToolButton{ID_EDIT_PASTE, Picture::Paste, "Paste", nullptr},
    ToolButton{0, Picture::New, nullptr, nullptr},
    ToolButton{ID_FILE_PRINT, Picture::Print, "Print", "Print the active document"},
};

// Commands that nothing of the program handles: they show disabled wherever they appear.
bool IsUnhandled(int id) {
  return id == ID_EDIT_UNDO || id == ID_EDIT_CUT || id == ID_EDIT_COPY || id == ID_EDIT_PASTE || id == ID_FILE_NEW ||
         id == ID_FILE_PRINT;
}

QString AddressOf(const config::EncoderConfiguration& entry) {
  return QString::fromStdString(platform::FormatIpv4(entry.ipAddr));
}

QString HostOrderText(std::uint32_t hostOrder) {
  return QString::fromStdString(platform::FormatIpv4(platform::HostToNetwork32(hostOrder)));
}

}  // namespace

// One command at a time: while a command runs the frame is busy and says what it does.
class CMainFrame::CommandScope final {
 public:
  explicit CommandScope(CMainFrame& frame) : frame_(frame) { frame_.busy_ = true; }
  ~CommandScope() {
    frame_.SetStatusText(QString::fromLatin1(kReadyText));
    frame_.busy_ = false;
  }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

 private:
  CMainFrame& frame_;
};

CMainFrame::CMainFrame(ShellSettings settings, QWidget* parent)
    : QMainWindow(parent),
      settings_(std::move(settings)),
      boxes_(&DefaultMessageBoxes()),
      feedback_(std::make_unique<GuiFeedback>(*this)) {
  setObjectName("mainFrame");
  setAccessibleName(kApplicationTitle);
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  setWindowIcon(PaintedIcon(Picture::Program));
  // The panes take their first shares from the window's size: start at the size it will be shown at.
  if (const QScreen* screen = QApplication::primaryScreen()) resize(screen->availableGeometry().size());
  CreateToolBar();
  CreateStatusBar();
  CreatePanes();
  CreateMenus();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetMessageBoxes(MessageBoxPresenter& boxes) { boxes_ = &boxes; }

QAction* CMainFrame::Action(int id) const {
  for (QAction* action : findChildren<QAction*>()) {
    if (action->data().toInt() == id) return action;
  }
  return nullptr;
}

void CMainFrame::CreateMenus() {
  menuBar()->setObjectName("menuBar");
  menuBar()->setAccessibleName("Menu bar");
  for (const Popup& popup : kMainMenu) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(popup.title));
    menu->setObjectName(popup.objectName);
    menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));
    for (const MenuItem& item : popup.items) {
      if (item.id == 0) continue;
      if (item.id == kSeparatorId) {
        menu->addSeparator();
        continue;
      }
      QAction* action = Action(item.id);
      if (action == nullptr) {
        action = new QAction(QString::fromLatin1(item.text), this);
        action->setData(item.id);
      } else {
        action->setText(QString::fromLatin1(item.text));
      }
      action->setObjectName(item.objectName);
      action->setStatusTip(QString::fromLatin1(item.prompt));
      action->setEnabled(!IsUnhandled(item.id));
      menu->addAction(action);
      connect(action, &QAction::triggered, this, [this, id = item.id] { OnFrameCommand(id); });
    }
  }
  QAction* toolbar = Action(ID_VIEW_TOOLBAR);
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  QAction* status = Action(ID_VIEW_STATUS_BAR);
  status->setCheckable(true);
  status->setChecked(true);
}

void CMainFrame::CreateToolBar() {
  toolBar_ = new QToolBar(QStringLiteral("Standard"), this);
  toolBar_->setObjectName("toolBar");
  toolBar_->setAccessibleName("Toolbar");
  toolBar_->setIconSize(DesignSize(Picture::New));
  toolBar_->setMovable(true);
  toolBar_->setFloatable(true);
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  for (const ToolButton& button : kToolBar) {
    if (button.id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    auto* action = new QAction(PaintedIcon(button.picture), QString::fromLatin1(button.toolTip), this);
    action->setData(button.id);
    action->setToolTip(QString::fromLatin1(button.toolTip));
    if (button.prompt != nullptr) action->setStatusTip(QString::fromLatin1(button.prompt));
    action->setObjectName(QString::fromLatin1(button.toolTip).toLower() + "Action");
    action->setEnabled(false);
    toolBar_->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("statusBar");
  bar->setAccessibleName("Status bar");
  messagePane_ = new QLabel(QString::fromLatin1(kReadyText), bar);
  messagePane_->setObjectName("messagePane");
  messagePane_->setAccessibleName("Status");
  bar->addWidget(messagePane_, 1);
  // The lock keys' state is not known portably; the indicators show greyed, as with every lock off.
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    auto* label = new QLabel(QString::fromLatin1(indicator), bar);
    label->setObjectName(QString::fromLatin1(indicator).toLower() + "Indicator");
    label->setAccessibleName(QString::fromLatin1(indicator));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setEnabled(false);
    bar->addPermanentWidget(label);
  }
}

void CMainFrame::CreatePanes() {
  outerSplitter_ = new CPaneSplitter(2, CPaneSplitter::Orientation::SideBySide, 30, 1, this);
  setCentralWidget(outerSplitter_);
  outerSplitter_->SetShares({25, 75});
  innerSplitter_ = new CPaneSplitter(2, CPaneSplitter::Orientation::Stacked, 30, 1, outerSplitter_);
  innerSplitter_->SetShares({80, 20});

  deviceTree_ = new CDeviceTreeCtrl(outerSplitter_);
  outerSplitter_->CreatePane(0, deviceTree_);
  outerSplitter_->AttachPane(1, innerSplitter_);

  page_ = new ConfigurationPage(innerSplitter_);
  if (page_->objectName().isEmpty()) page_->setObjectName("configurationPage");
  if (page_->accessibleName().isEmpty()) page_->setAccessibleName("Configuration");
  page_->SetWarningSink(this);
  innerSplitter_->CreatePane(0, page_);
  messageLog_ = new CMessageLogWnd(innerSplitter_);
  innerSplitter_->CreatePane(1, messageLog_);

  connect(deviceTree_, &CDeviceTreeCtrl::SelectionChangedTo, this, &CMainFrame::OnSelectionChanged);
  connect(deviceTree_, &CDeviceTreeCtrl::CommandChosen, this, &CMainFrame::RunDeviceCommand);
  connect(messageLog_, &CMessageLogWnd::CommandChosen, this, &CMainFrame::RunDeviceCommand);
  connect(page_, &ConfigurationPage::ItemCommand, this, &CMainFrame::OnItemCommand, Qt::DirectConnection);
  messageLog_->SetNodeSelectedQuery([this] { return deviceTree_->SelectedNode() != nullptr; });
}

QString CMainFrame::StatusText() const { return messagePane_->text(); }

void CMainFrame::SetStatusText(const QString& text) {
  messagePane_->setText(text);
  messagePane_->repaint();
}

void CMainFrame::KeepAlive() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (keepAliveObserver_) keepAliveObserver_();
}

void CMainFrame::ShowEditWarning(std::string_view text) {
  boxes_->Warn(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CMainFrame::ShowRecordIfSelected(const config::EncoderConfiguration& entry) {
  const DeviceNode* node = deviceTree_->SelectedNode();
  if (node != nullptr && &node->Entry() == &entry) page_->RefreshPage(&entry);
}

void CMainFrame::OnSelectionChanged(DeviceNode* node) {
  if (node != nullptr) page_->RefreshPage(&node->Entry());
  messageLog_->Clear();
}

// Every command of the frame first passes the page's hook, which redraws the page from the selected record.
void CMainFrame::OnFrameCommand(int id) {
  OnItemCommand(id);
  switch (id) {
    case ID_APP_EXIT: close(); break;
    case ID_APP_ABOUT: {
      CAboutDlg about(this);
      about.exec();
      break;
    }
    case ID_VIEW_TOOLBAR: toolBar_->setVisible(!toolBar_->isVisible()); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(!statusBar()->isVisible()); break;
    default: break;
  }
}

// The hook every command passes: an item's commit is judged against the selected node's record and the
// page shows that record again, whatever the id.
void CMainFrame::OnItemCommand(int id) {
  // An edit committed while an operation runs (a box took the focus from an editor) must not change the
  // record the operation works on; it is dropped, and the operation shows the record again at its end.
  if (busy_) return;
  DeviceNode* node = deviceTree_->SelectedNode();
  page_->ApplyPropertyEdit(id, node != nullptr ? &node->Entry() : nullptr);
}

void CMainFrame::RunDeviceCommand(int id) {
  if (busy_) return;
  {
    CommandScope scope(*this);
    DeviceNode* node = deviceTree_->SelectedNode();
    switch (id) {
      case ID_SEARCH_ENCODER: SearchEncoders(); break;
      case ID_ADD_ENCODER: AddEncoder(); break;
      default:
        if (node == nullptr) break;
        switch (id) {
          case ID_DEL_ENCODER: DeleteEncoder(*node); break;
          case ID_READ_CONFIGURATION: ReadConfiguration(*node); break;
          case ID_WRITE_CONFIGURATION: WriteConfiguration(*node); break;
          case ID_START_TS_IP: StartStreaming(*node, true); break;
          case ID_STOP_TS_IP: StartStreaming(*node, false); break;
          case ID_READ_DEVICE_MESSAGE: ReadDeviceMessages(*node); break;
          default: break;
        }
    }
  }
  emit CommandFinished(id);
  if (closeRequested_) close();
}

void CMainFrame::SearchEncoders() {
  CSearchDeviceDlg dialog(settings_.proposeBroadcast ? settings_.proposeBroadcast() : std::nullopt, *boxes_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  SetStatusText(QStringLiteral("Searching for encoders at %1…").arg(HostOrderText(dialog.Address())));
  net::SearchDevices(dialog.Address(), settings_.network, *feedback_, [this](const std::string& address) {
    deviceTree_->AddDevice(QString::fromStdString(address));
  });
}

void CMainFrame::AddEncoder() {
  CAddDeviceDlg dialog(*boxes_, this);
  if (dialog.exec() == QDialog::Accepted) deviceTree_->AddDevice(HostOrderText(dialog.Address()));
}

void CMainFrame::DeleteEncoder(DeviceNode& node) { deviceTree_->DeleteDevice(&node); }

void CMainFrame::ReadConfiguration(DeviceNode& node) {
  config::EncoderConfiguration& entry = node.Entry();
  SetStatusText(QStringLiteral("Reading configuration from %1…").arg(AddressOf(entry)));
  net::DeviceOperations(settings_.network, *feedback_, settings_.documentFolder).ReadConfiguration(entry, page_->Flags());
}

void CMainFrame::WriteConfiguration(DeviceNode& node) {
  config::EncoderConfiguration& entry = node.Entry();
  SetStatusText(QStringLiteral("Writing configuration to %1…").arg(AddressOf(entry)));
  net::DeviceOperations(settings_.network, *feedback_, settings_.documentFolder)
      .WriteConfiguration(entry, page_->Flags(), page_->BuildWriteRequest());
}

void CMainFrame::StartStreaming(DeviceNode& node, bool start) {
  const config::EncoderConfiguration& entry = node.Entry();
  SetStatusText((start ? QStringLiteral("Starting TS -> IP on %1…") : QStringLiteral("Stopping TS -> IP on %1…"))
                    .arg(AddressOf(entry)));
  net::DeviceOperations operations(settings_.network, *feedback_, settings_.documentFolder);
  if (start) {
    operations.StartStreaming(entry);
  } else {
    operations.StopStreaming(entry);
  }
}

void CMainFrame::ReadDeviceMessages(DeviceNode& node) {
  const config::EncoderConfiguration& entry = node.Entry();
  SetStatusText(QStringLiteral("Reading device messages from %1…").arg(AddressOf(entry)));
  net::DeviceOperations operations(settings_.network, *feedback_, settings_.documentFolder);
  if (operations.QueryDeviceMessages(entry) == net::OperationResult::Unreachable) {
    messageLog_->AddLine(static_cast<int>(net::LogLineKind::ProgramNotice), QStringLiteral("Connect device failed"));
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Closing mid-operation would take the records away from under it: the window closes when it ends.
  if (busy_) {
    closeRequested_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace kestrine::app
