#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include <QString>

class QWidget;

namespace kestrine::app {

class CDeviceTreeCtrl;
class MessageBoxPresenter;

// "Open Encoder List…" and "Save Encoder List…": the device list to and from a plain list of addresses,
// the file `kestrinectl --targets` takes. Opening adds what the file lists as "Add Encoder" adds one
// address (an address already listed adds nothing) and names every line that is no address in one
// warning; saving writes the listed addresses in their order, the whole file at once.
class EncoderListFiles final {
 public:
  // The file dialogs start in `folder` (the working directory), then where the last list was.
  EncoderListFiles(CDeviceTreeCtrl& tree, QWidget& window, MessageBoxPresenter& boxes,
                   const std::optional<std::filesystem::path>& folder);

  void SetMessageBoxes(MessageBoxPresenter& boxes) { boxes_ = &boxes; }

  void Open();
  void Save();

 private:
  // The file the operator chose, or empty when the dialog was cancelled.
  [[nodiscard]] QString ChooseFile(bool forSaving);
  void AddListed(const QString& path, std::string_view content);
  void Warn(const QString& text);

  CDeviceTreeCtrl& tree_;
  QWidget& window_;
  MessageBoxPresenter* boxes_;
  QString folder_;
};

}  // namespace kestrine::app
