#include "config/ConfigurationFile.h"

#include <utility>

#include "config/ConfigurationDocument.h"
#include "platform/BoundedFile.h"

namespace kestrine::config {

ConfigurationFile LoadConfigurationFile(const std::string& path, std::chrono::milliseconds writerWait) {
  ConfigurationFile file;
  platform::BoundedFileRead read = platform::ReadBoundedFile(path, kMaxDocumentBytes, writerWait);
  if (!read.Read()) {
    file.reason = std::move(read.reason);
    return file;
  }
  file.bytes = std::move(read.bytes);
  file.outcome = LoadConfigurationDocument(file.bytes, file.record, file.fields) != 0
                     ? ConfigurationFile::Outcome::Loaded
                     : ConfigurationFile::Outcome::NotADocument;
  return file;
}

}  // namespace kestrine::config
