#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/AboutDlg.h"
#include "app/AppTexts.h"
#include "app/CommandIds.h"
#include "app/ConfigurationPage.h"
#include "app/DeviceCommands.h"
#include "app/DeviceTreeCtrl.h"
#include "app/MainMenus.h"
#include "app/MessageLogWnd.h"
#include "app/PaintedIcons.h"
#include "app/PaneSplitter.h"

namespace kestrine::app {

CMainFrame::CMainFrame(ShellSettings settings, QWidget* parent) : QMainWindow(parent) {
  setObjectName("mainFrame");
  setAccessibleName(kApplicationTitle);
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  setWindowIcon(PaintedIcon(Picture::Program));
  // The panes take their first shares from the window's size: start at the size it will be shown at.
  if (const QScreen* screen = QApplication::primaryScreen()) resize(screen->availableGeometry().size());
  toolBar_ = CreateMainToolBar(*this);
  CreateStatusBar();
  CreatePanes();
  commands_ = new DeviceCommands(std::move(settings), *deviceTree_, *messageLog_, *page_, *this);
  ConnectPanes();
  CreateMainMenus(*this, [this](int id) { OnFrameCommand(id); });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetMessageBoxes(MessageBoxPresenter& boxes) {
  page_->SetMessageBoxes(boxes);
  commands_->SetMessageBoxes(boxes);
}

QAction* CMainFrame::Action(int id) const { return FindCommandAction(*this, id); }

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
  innerSplitter_->CreatePane(0, page_);
  messageLog_ = new CMessageLogWnd(innerSplitter_);
  innerSplitter_->CreatePane(1, messageLog_);
}

void CMainFrame::ConnectPanes() {
  connect(deviceTree_, &CDeviceTreeCtrl::SelectionChangedTo, this, &CMainFrame::OnSelectionChanged);
  connect(deviceTree_, &CDeviceTreeCtrl::CommandChosen, commands_, &DeviceCommands::Run);
  connect(messageLog_, &CMessageLogWnd::CommandChosen, commands_, &DeviceCommands::Run);
  connect(page_, &ConfigurationPage::ItemCommand, commands_, &DeviceCommands::ApplyPropertyEdit, Qt::DirectConnection);
  connect(commands_, &DeviceCommands::StatusChanged, this, &CMainFrame::SetStatusText);
  messageLog_->SetNodeSelectedQuery([this] { return deviceTree_->SelectedNode() != nullptr; });
}

QString CMainFrame::StatusText() const { return messagePane_->text(); }

void CMainFrame::SetStatusText(const QString& text) {
  messagePane_->setText(text);
  messagePane_->repaint();
}

void CMainFrame::RunDeviceCommand(int id) { commands_->Run(id); }

bool CMainFrame::IsBusy() const { return commands_->IsBusy(); }

void CMainFrame::OnSelectionChanged(DeviceNode* node) {
  if (node != nullptr) page_->RefreshPage(&node->Entry());
  messageLog_->Clear();
}

// Every command of the frame first passes the page's hook, which redraws the page from the selected record.
void CMainFrame::OnFrameCommand(int id) {
  commands_->ApplyPropertyEdit(id);
  switch (id) {
    case ID_APP_EXIT: close(); break;
    case ID_OPEN_ENCODER_LIST:
    case ID_SAVE_ENCODER_LIST:
      commands_->Run(id);
      break;
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

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A close asked for while a command runs happens once the command is over.
  if (commands_->DeferClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace kestrine::app
