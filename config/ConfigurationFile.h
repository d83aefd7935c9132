#pragma once

#include <chrono>
#include <string>

#include "config/DocumentFields.h"
#include "config/EncoderConfiguration.h"

namespace kestrine::config {

// How long a named pipe may stay without a writer before its document is given up.
inline constexpr std::chrono::milliseconds kDocumentWriterWait{2000};

// A configuration document kept in a file (what `kestrinectl read -o` saves), read
// with the bound of one received from an encoder.
struct ConfigurationFile {
  enum class Outcome { Loaded, Unreadable, NotADocument };

  Outcome outcome = Outcome::Unreadable;
  std::string bytes;            // the file as it is, once read
  EncoderConfiguration record;  // a default record filled from it, once Loaded
  DocumentFields fields;        // which of the record's fields the document carried
  std::string reason;           // why it is Unreadable, e.g. "larger than 9999 bytes"
};

[[nodiscard]] ConfigurationFile LoadConfigurationFile(const std::string& path,
                                                      std::chrono::milliseconds writerWait = kDocumentWriterWait);

}  // namespace kestrine::config
