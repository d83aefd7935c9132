#include "app/ManagerApp.h"

int main(int argc, char* argv[]) {
  kestrine::app::CManagerApp app(argc, argv);
  if (!app.InitInstance()) return 1;
  return kestrine::app::CManagerApp::exec();
}
