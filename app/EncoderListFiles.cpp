#include "app/EncoderListFiles.h"

#include <string>
#include <vector>

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include "app/DeviceTreeCtrl.h"
#include "app/MessageBoxPresenter.h"
#include "config/EncoderList.h"
#include "config/HumanText.h"
#include "platform/FileReplace.h"
#include "platform/Ipv4Text.h"

namespace kestrine::app {
namespace {

constexpr const char* kListFilter = "Encoder lists (*.txt);;All files (*)";
constexpr const char* kDefaultName = "encoders.txt";
// Bad lines named in the warning; more are counted.
constexpr std::size_t kBadLinesShown = 10;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// "line 3: 10.0.0.x", each line of the file that is no address, as many as the warning shows.
QString BadLinesText(const std::vector<config::ListedAddress>& bad) {
  QString text;
  for (std::size_t i = 0; i < bad.size() && i < kBadLinesShown; ++i) {
    text += QStringLiteral("\nline %1: %2").arg(bad[i].line).arg(FromUtf8(config::HumanText(bad[i].text)));
  }
  if (bad.size() > kBadLinesShown) text += QStringLiteral("\nand %1 more").arg(bad.size() - kBadLinesShown);
  return text;
}

}  // namespace

EncoderListFiles::EncoderListFiles(CDeviceTreeCtrl& tree, QWidget& window, MessageBoxPresenter& boxes,
                                   const std::optional<std::filesystem::path>& folder)
    : tree_(tree), window_(window), boxes_(&boxes), folder_(folder ? QString::fromStdString(folder->string()) : "") {}

void EncoderListFiles::Warn(const QString& text) { boxes_->Warn(&window_, text); }

QString EncoderListFiles::ChooseFile(bool forSaving) {
  QFileDialog dialog(&window_, forSaving ? QStringLiteral("Save Encoder List") : QStringLiteral("Open Encoder List"),
                     folder_, QString::fromLatin1(kListFilter));
  dialog.setObjectName(forSaving ? "saveEncoderListDialog" : "openEncoderListDialog");
  dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (forSaving) {
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QString::fromLatin1(kDefaultName));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString path = dialog.selectedFiles().front();
  folder_ = QFileInfo(path).absolutePath();
  return path;
}

void EncoderListFiles::Open() {
  const QString path = ChooseFile(false);
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Warn(QStringLiteral("Could not read %1: %2").arg(path, file.errorString()));
    return;
  }
  // One byte past the bound tells a list that is too long from one that just fits.
  const QByteArray content = file.read(static_cast<qint64>(config::kEncoderListLimit) + 1);
  if (static_cast<std::size_t>(content.size()) > config::kEncoderListLimit) {
    Warn(QStringLiteral("%1 is not an encoder list: it holds more than %2 bytes")
             .arg(path)
             .arg(config::kEncoderListLimit));
    return;
  }
  AddListed(path, std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
}

void EncoderListFiles::AddListed(const QString& path, std::string_view content) {
  std::vector<config::ListedAddress> bad;
  for (const config::ListedAddress& listed : config::ListedAddresses(content)) {
    std::uint32_t address = 0;
    if (platform::ParseDottedQuad(listed.text, address)) {
      tree_.AddDevice(QString::fromStdString(platform::FormatIpv4(address)));
    } else {
      bad.push_back(listed);
    }
  }
  if (bad.empty()) return;
  const QString name = QFileInfo(path).fileName();
  Warn((bad.size() == 1 ? QStringLiteral("This line of %1 is not an encoder address (a.b.c.d) and was left out:")
                        : QStringLiteral("These lines of %1 are not encoder addresses (a.b.c.d) and were left out:"))
           .arg(name) +
       BadLinesText(bad));
}

void EncoderListFiles::Save() {
  const QString path = ChooseFile(true);
  if (path.isEmpty()) return;
  std::vector<std::string> addresses;
  for (int i = 0; i < tree_.NodeCount(); ++i) addresses.push_back(tree_.NodeAt(i)->AddressText().toStdString());
  std::error_code reason;
  if (!platform::ReplaceFile(QFileInfo(path).filesystemAbsoluteFilePath(), config::EncoderListText(addresses),
                             platform::FileAccess::Shared, &reason)) {
    Warn(QStringLiteral("Could not write %1: %2").arg(path, QString::fromStdString(reason.message())));
  }
}

}  // namespace kestrine::app
