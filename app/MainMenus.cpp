#include "app/MainMenus.h"

#include <array>

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

#include "app/CommandIds.h"
#include "app/PaintedIcons.h"

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
    {"&File(&F)",
     "fileMenu",
     {{{ID_OPEN_ENCODER_LIST, "Open Encoder List…", "Add the encoders a list file names", "openEncoderListAction"},
       {ID_SAVE_ENCODER_LIST, "Save Encoder List…", "Save the listed encoders to a file", "saveEncoderListAction"},
       kSeparator,
       {ID_APP_EXIT, "&Quit(&X)", "Quit the application", "quitAction"}}}},
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

QAction* MenuAction(QMainWindow& frame, const MenuItem& item) {
  QAction* action = FindCommandAction(frame, item.id);
  if (action == nullptr) {
    action = new QAction(QString::fromUtf8(item.text), &frame);
    action->setData(item.id);
  } else {
    action->setText(QString::fromUtf8(item.text));
  }
  action->setObjectName(item.objectName);
  action->setStatusTip(QString::fromLatin1(item.prompt));
  action->setEnabled(!IsUnhandled(item.id));
  return action;
}

// The two bar toggles show whether their bar is shown; both bars start shown.
void MakeToggle(QMainWindow& frame, int id) {
  QAction* toggle = FindCommandAction(frame, id);
  toggle->setCheckable(true);
  toggle->setChecked(true);
}

}  // namespace

QAction* FindCommandAction(const QObject& frame, int id) {
  for (QAction* action : frame.findChildren<QAction*>()) {
    if (action->data().toInt() == id) return action;
  }
  return nullptr;
}

QToolBar* CreateMainToolBar(QMainWindow& frame) {
  auto* toolBar = new QToolBar(QStringLiteral("Standard"), &frame);
  toolBar->setObjectName("toolBar");
  toolBar->setAccessibleName("Toolbar");
  toolBar->setIconSize(DesignSize(Picture::New));
  toolBar->setMovable(true);
  toolBar->setFloatable(true);
  toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  for (const ToolButton& button : kToolBar) {
    if (button.id == 0) {
      toolBar->addSeparator();
      continue;
    }
    auto* action = new QAction(PaintedIcon(button.picture), QString::fromLatin1(button.toolTip), &frame);
    action->setData(button.id);
    action->setToolTip(QString::fromLatin1(button.toolTip));
    if (button.prompt != nullptr) action->setStatusTip(QString::fromLatin1(button.prompt));
    action->setObjectName(QString::fromLatin1(button.toolTip).toLower() + "Action");
    action->setEnabled(false);
    toolBar->addAction(action);
  }
  frame.addToolBar(Qt::TopToolBarArea, toolBar);
  return toolBar;
}

void CreateMainMenus(QMainWindow& frame, const std::function<void(int)>& onCommand) {
  QMenuBar* bar = frame.menuBar();
  bar->setObjectName("menuBar");
  bar->setAccessibleName("Menu bar");
  for (const Popup& popup : kMainMenu) {
    QMenu* menu = bar->addMenu(QString::fromLatin1(popup.title));
    menu->setObjectName(popup.objectName);
    menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));
    for (const MenuItem& item : popup.items) {
      if (item.id == 0) continue;
      if (item.id == kSeparatorId) {
        menu->addSeparator();
        continue;
      }
      QAction* action = MenuAction(frame, item);
      menu->addAction(action);
      QObject::connect(action, &QAction::triggered, &frame, [onCommand, id = item.id] { onCommand(id); });
    }
  }
  MakeToggle(frame, ID_VIEW_TOOLBAR);
  MakeToggle(frame, ID_VIEW_STATUS_BAR);
}

}  // namespace kestrine::app
