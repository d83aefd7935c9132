#pragma once

#include <functional>

class QAction;
class QMainWindow;
class QObject;
class QToolBar;

namespace kestrine::app {

// The main window's toolbar, from its table of buttons. No command of the program handles them, so every
// button shows disabled.
QToolBar* CreateMainToolBar(QMainWindow& frame);

// The main window's menu bar, from its table of popups. An item whose command the toolbar has already
// takes the toolbar's action. Every item's trigger goes to `onCommand` with its command id.
void CreateMainMenus(QMainWindow& frame, const std::function<void(int)>& onCommand);

// The action of a menu item or toolbar button, by its command id; null for none.
[[nodiscard]] QAction* FindCommandAction(const QObject& frame, int id);

}  // namespace kestrine::app
