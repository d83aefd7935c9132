#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/EncoderConfiguration.h"

namespace kestrine::config {

enum class FindingSeverity { Error, Warning };

// In the order a report lists them within one severity.
enum class FindingKind {
  MulticastCollision,
  MulticastAddress,
  DuplicateIp,
  PidClash,
  PidRange,
  BitrateBudget,
  AudioBitrate,
  Unreadable,
  AddressMismatch,
  DuplicateDeviceNumber,
};

// One encoder as the audit sees it: where it was reached, and its record or why there is none.
struct AuditedEncoder {
  std::uint32_t reachedAt = 0;  // network order
  std::optional<EncoderConfiguration> record;
  std::string failure;  // why the record could not be read; used when there is no record
};

struct AuditFinding {
  FindingSeverity severity = FindingSeverity::Error;
  FindingKind kind = FindingKind::Unreadable;
  std::vector<std::size_t> encoders;  // positions in the audited list, ascending
  std::string text;                   // what is wrong, in one line

  friend bool operator==(const AuditFinding&, const AuditFinding&) = default;
};

// "multicast-collision", "pid-range", ...
[[nodiscard]] std::string_view FindingKindName(FindingKind kind);
// "error", "warning"
[[nodiscard]] std::string_view SeverityName(FindingSeverity severity);

// Every finding over the fleet, errors first, then by kind, then by the first encoder involved.
// Encoders without a record take part only in the unreadable finding.
[[nodiscard]] std::vector<AuditFinding> AuditFleet(std::span<const AuditedEncoder> encoders);

[[nodiscard]] bool HasErrorFinding(std::span<const AuditFinding> findings);

}  // namespace kestrine::config
