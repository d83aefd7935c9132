#include "exporter/Baseline.h"

#include <chrono>

#include "config/ConfigurationDocument.h"
#include "config/ConfigurationOverlay.h"
#include "config/DocumentFields.h"
#include "config/RecordFields.h"
#include "config/TextEncoding.h"
#include "platform/BoundedFile.h"
#include "platform/Ipv4Text.h"

namespace kestrine::exporter {
namespace {

constexpr const char* kStage = "baseline";

// A baseline lies on disk and is read at once: nothing that has to be waited for (a pipe,
// a device) may hold a probe, nor a huge file its memory.
constexpr std::chrono::milliseconds kWriterWait{0};
constexpr std::chrono::milliseconds kPatience{100};

}  // namespace

BaselineFolder::BaselineFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path BaselineFolder::FileFor(std::uint32_t ipAddr) const {
  return folder_ / (platform::FormatIpv4(ipAddr) + ".xml");
}

DriftReport BaselineFolder::Compare(std::uint32_t ipAddr, const config::EncoderConfiguration& current,
                                    std::vector<ProbeFailure>& failures) const {
  DriftReport report;
  const std::filesystem::path path = FileFor(ipAddr);
  const platform::BoundedFileRead read =
      platform::ReadBoundedFile(path.string(), config::kMaxDocumentBytes, kWriterWait, kPatience);
  if (!read.Read()) {
    const bool missing = read.error == platform::FileReadError::Missing;
    failures.push_back({kStage, path.filename().string() + ": " + (missing ? "no baseline saved" : read.reason)});
    return report;
  }
  config::EncoderConfiguration baseline;
  config::DocumentFields carried;
  if (config::LoadConfigurationDocument(read.bytes, baseline, carried) == 0) {
    failures.push_back({kStage, path.filename().string() + ": not a configuration document"});
    return report;
  }
  report.baselineLoaded = true;
  // The encoder's own saved file, so its addresses and stream destination count too.
  const config::ConfigurationOverlay overlay =
      config::OverlayConfiguration(current, baseline, carried, config::OverlayScope::SettingsAndNetwork);
  for (const config::FieldChange& change : overlay.changes) {
    report.settings.push_back({std::string(change.field->name), config::DecodeGb18030Lenient(change.to),
                               config::DecodeGb18030Lenient(change.from)});
  }
  return report;
}

}  // namespace kestrine::exporter
