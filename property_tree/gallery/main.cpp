#include <QApplication>

#include "property_tree/gallery/GalleryWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  kestrine::ui::GalleryWindow window;
  window.SetCommandOutput(stdout);
  window.show();
  return QApplication::exec();
}
