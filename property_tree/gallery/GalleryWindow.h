#pragma once

#include <cstdio>

#include <QWidget>

class QCheckBox;
class QListWidget;

namespace kestrine::ui {

class CComboPropertyItem;
class CEditPropertyItem;
class CIPAddressPropertyItem;
class CPropertyItem;
class CPropertyTreeCtrl;
class CStaticPropertyItem;

// The rows of the gallery that people (and the screenshot tests) reach for.
struct GalleryItems {
  CPropertyItem* general = nullptr;
  CStaticPropertyItem* serial = nullptr;
  CEditPropertyItem* name = nullptr;
  CEditPropertyItem* count = nullptr;
  CEditPropertyItem* secret = nullptr;
  CEditPropertyItem* notes = nullptr;
  CComboPropertyItem* mode = nullptr;
  CComboPropertyItem* level = nullptr;
  CEditPropertyItem* longLabel = nullptr;
  CComboPropertyItem* lockedChoice = nullptr;
  CPropertyItem* network = nullptr;
  CIPAddressPropertyItem* address = nullptr;
  CIPAddressPropertyItem* mask = nullptr;
  CIPAddressPropertyItem* gateway = nullptr;
  CEditPropertyItem* port = nullptr;
  CStaticPropertyItem* advanced = nullptr;
  CEditPropertyItem* retries = nullptr;
  CComboPropertyItem* transport = nullptr;
  CPropertyItem* display = nullptr;
  CPropertyItem* about = nullptr;
};

// One property tree control with categories and every item kind, a log of the commands it reports and
// switches for the disabled look and the description pane.
class GalleryWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit GalleryWindow(QWidget* parent = nullptr);

  [[nodiscard]] CPropertyTreeCtrl* Tree() const { return tree_; }
  [[nodiscard]] const GalleryItems& Items() const { return items_; }
  [[nodiscard]] QListWidget* CommandLog() const { return log_; }
  [[nodiscard]] QCheckBox* EnabledBox() const { return enabledBox_; }
  [[nodiscard]] QCheckBox* DescriptionBox() const { return descriptionBox_; }

  // Where each command is also written, one line `id label "value"` each (line breaks in the value as
  // \n), flushed at once; none by default. The stream is not owned.
  void SetCommandOutput(std::FILE* stream) { commandOutput_ = stream; }
  [[nodiscard]] static QString DescribeCommand(int commandId, CPropertyItem* item);

 private:
  void BuildTree();
  void BuildGeneral();
  void BuildNetwork();
  void BuildDisplay();
  void OnItemCommand(int commandId, CPropertyItem* item);

  CPropertyTreeCtrl* tree_ = nullptr;
  QListWidget* log_ = nullptr;
  QCheckBox* enabledBox_ = nullptr;
  QCheckBox* descriptionBox_ = nullptr;
  GalleryItems items_;
  std::FILE* commandOutput_ = nullptr;
};

}  // namespace kestrine::ui
