#include "exporter/Baseline.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "config/ConfigurationDocument.h"
#include "config/ConfigurationOverlay.h"
#include "config/DocumentFields.h"
#include "config/RecordFields.h"
#include "config/TextEncoding.h"
#include "net/Protocol.h"
#include "platform/Ipv4Text.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrine::exporter {
namespace {

constexpr const char* kStage = "baseline";

struct FileRead {
  std::optional<std::string> bytes;
  std::string problem;
};

// At most `limit` bytes, from a regular file only: a FIFO or a device put where a
// baseline belongs must not hold a probe, nor a huge file its memory.
FileRead ReadBoundedFile(const std::filesystem::path& path, std::size_t limit) {
  FileRead read;
  std::string bytes(limit + 1, '\0');
  std::size_t got = 0;
#ifndef _WIN32
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    read.problem = errno == ENOENT ? "no baseline saved" : std::strerror(errno);
    return read;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    read.problem = "not a regular file";
    return read;
  }
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
#else
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    read.problem = std::filesystem::exists(path, error) ? "not a regular file" : "no baseline saved";
    return read;
  }
  std::ifstream file(path, std::ios::binary);
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  got = static_cast<std::size_t>(file.gcount());
#endif
  if (got > limit) {
    read.problem = "larger than " + std::to_string(limit) + " bytes";
    return read;
  }
  bytes.resize(got);
  read.bytes = std::move(bytes);
  return read;
}

}  // namespace

BaselineFolder::BaselineFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path BaselineFolder::FileFor(std::uint32_t ipAddr) const {
  return folder_ / (platform::FormatIpv4(ipAddr) + ".xml");
}

DriftReport BaselineFolder::Compare(std::uint32_t ipAddr, const config::EncoderConfiguration& current,
                                    std::vector<ProbeFailure>& failures) const {
  DriftReport report;
  const std::filesystem::path path = FileFor(ipAddr);
  const FileRead read = ReadBoundedFile(path, static_cast<std::size_t>(net::kMaxDocumentLength));
  if (!read.bytes) {
    failures.push_back({kStage, path.filename().string() + ": " + read.problem});
    return report;
  }
  config::EncoderConfiguration baseline;
  config::DocumentFields carried;
  if (config::LoadConfigurationDocument(*read.bytes, baseline, carried) == 0) {
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
