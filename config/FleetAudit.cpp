#include "config/FleetAudit.h"

#include <algorithm>
#include <array>
#include <map>

#include "config/ConfigurationTables.h"
#include "config/DecimalText.h"
#include "config/PropertyItemTable.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using enum FindingKind;
using enum FindingSeverity;

struct KindInfo {
  FindingKind kind;
  FindingSeverity severity;
  std::string_view name;
};

constexpr std::array kKinds{
    KindInfo{MulticastCollision, Error, "multicast-collision"},
    KindInfo{MulticastAddress, Error, "multicast-address"},
    KindInfo{DuplicateIp, Error, "duplicate-ip"},
    KindInfo{PidClash, Error, "pid-clash"},
    KindInfo{PidRange, Error, "pid-range"},
    KindInfo{BitrateBudget, Error, "bitrate-budget"},
    KindInfo{AudioBitrate, Error, "audio-bitrate"},
    KindInfo{Unreadable, Error, "unreadable"},
    KindInfo{AddressMismatch, Warning, "address-mismatch"},
    KindInfo{DuplicateDeviceNumber, Warning, "duplicate-device-number"},
};

constexpr bool KindsInEnumOrder() {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
  }
  return true;
}
static_assert(KindsInEnumOrder(), "kinds are looked up by their enum value");

const KindInfo& InfoOf(FindingKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

constexpr std::array<std::string_view, 4> kPidFields{"pmt_pid", "pcr_pid", "video_pid", "audio_pid"};

// Destinations no stream can be sent to, host order: checked in this order, the first match is the finding.
// Any other address is a destination: a group of 224.0.0.0/4 or, point to point, a unicast address.
struct ForbiddenDestination {
  std::uint32_t mask;
  std::uint32_t net;
  std::string_view why;
};
constexpr std::array kForbiddenDestinations{
    ForbiddenDestination{0xFFFFFFFF, 0x00000000, "is no destination"},
    ForbiddenDestination{0xFFFFFFFF, 0xFFFFFFFF, "is the limited broadcast address"},
    ForbiddenDestination{0xFFFFFF00, 0xE0000000, "is in the link-local control block 224.0.0.0/24"},
    ForbiddenDestination{0xF0000000, 0xF0000000, "is in the reserved block 240.0.0.0/4"},
};

std::string Dotted(std::uint32_t networkOrder) { return platform::FormatIpv4(networkOrder); }

std::int32_t PidOf(std::string_view field, const EncoderConfiguration& record) {
  return record.*FindRecordField(field)->number;
}

// "a", "a and b", "a, b and c"
std::string JoinNames(const std::vector<std::string_view>& names) {
  std::string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += i + 1 == names.size() ? " and " : ", ";
    joined += names[i];
  }
  return joined;
}

// ---- checks within one encoder: each returns its findings' texts ----

using Texts = std::vector<std::string>;

Texts CheckMulticastAddress(const AuditedEncoder& encoder) {
  const std::uint32_t host = platform::NetworkToHost32(encoder.record->multicast_ip);
  for (const ForbiddenDestination& forbidden : kForbiddenDestinations) {
    if ((host & forbidden.mask) == forbidden.net) {
      return {"multicast_ip " + Dotted(encoder.record->multicast_ip) + " " + std::string(forbidden.why)};
    }
  }
  return {};
}

Texts CheckPidClash(const AuditedEncoder& encoder) {
  Texts texts;
  for (std::size_t i = 0; i < kPidFields.size(); ++i) {
    const std::int32_t pid = PidOf(kPidFields[i], *encoder.record);
    if (pid == 0) continue;
    std::vector<std::string_view> sharing{kPidFields[i]};
    bool seenBefore = false;
    for (std::size_t k = 0; k < kPidFields.size(); ++k) {
      if (k == i || PidOf(kPidFields[k], *encoder.record) != pid) continue;
      if (k < i) seenBefore = true;
      if (k > i) sharing.push_back(kPidFields[k]);
    }
    if (seenBefore || sharing.size() < 2) continue;  // each shared value once
    texts.push_back(JoinNames(sharing) + (sharing.size() == 2 ? " are both " : " are all ") + FormatDecimal(pid));
  }
  return texts;
}

Texts CheckPidRange(const AuditedEncoder& encoder) {
  const PropertyItemRow& pidRow = *FindItemByField(kPidFields[0]);
  Texts texts;
  for (const std::string_view field : kPidFields) {
    const std::int32_t pid = PidOf(field, *encoder.record);
    if (pid == 0 || (pid >= pidRow.min && pid <= pidRow.max)) continue;
    texts.push_back(std::string(field) + " " + FormatDecimal(pid) + " is outside " + FormatDecimal(pidRow.min) +
                    ".." + FormatDecimal(pidRow.max));
  }
  return texts;
}

Texts CheckBitrateBudget(const AuditedEncoder& encoder) {
  const EncoderConfiguration& r = *encoder.record;
  if (static_cast<std::int64_t>(r.TS_bitrate) >= static_cast<std::int64_t>(r.video_bitrate) + r.analog_bitrate) {
    return {};
  }
  return {"TS_bitrate " + FormatDecimal(r.TS_bitrate) + " is below video_bitrate " + FormatDecimal(r.video_bitrate) +
          " + analog_bitrate " + FormatDecimal(r.analog_bitrate)};
}

Texts CheckAudioBitrate(const AuditedEncoder& encoder) {
  const EncoderConfiguration& r = *encoder.record;
  const auto offered = AudioBitrateOptions(r.analog_channel_mode);
  if (std::find(offered.begin(), offered.end(), FormatDecimal(r.analog_bitrate)) != offered.end()) return {};
  const std::string_view mode = CHANNEL_MODE_OPTIONS[r.analog_channel_mode == kChannelModeSingle ? 1 : 0];
  return {"analog_bitrate " + FormatDecimal(r.analog_bitrate) + " is not offered for analog_channel_mode " +
          FormatDecimal(r.analog_channel_mode) + " (" + std::string(mode) + ")"};
}

Texts CheckAddressMismatch(const AuditedEncoder& encoder) {
  if (encoder.record->ipAddr == encoder.reachedAt) return {};
  return {"reports ipAddr " + Dotted(encoder.record->ipAddr) + ", not the address it was reached at"};
}

struct EncoderCheck {
  FindingKind kind;
  Texts (*check)(const AuditedEncoder&);
};

constexpr std::array kEncoderChecks{
    EncoderCheck{MulticastAddress, CheckMulticastAddress}, EncoderCheck{PidClash, CheckPidClash},
    EncoderCheck{PidRange, CheckPidRange},                 EncoderCheck{BitrateBudget, CheckBitrateBudget},
    EncoderCheck{AudioBitrate, CheckAudioBitrate},         EncoderCheck{AddressMismatch, CheckAddressMismatch},
};

// ---- checks across encoders: two or more records sharing one value ----

struct SharedValueCheck {
  FindingKind kind;
  std::uint64_t (*key)(const EncoderConfiguration&);
  std::string (*describe)(const EncoderConfiguration&);
};

constexpr std::array kSharedValueChecks{
    SharedValueCheck{MulticastCollision,
                     [](const EncoderConfiguration& r) {
                       return std::uint64_t{r.multicast_ip} << 32 | static_cast<std::uint32_t>(r.multicast_port);
                     },
                     [](const EncoderConfiguration& r) {
                       return "all send to " + Dotted(r.multicast_ip) + ":" + FormatDecimal(r.multicast_port);
                     }},
    SharedValueCheck{DuplicateIp, [](const EncoderConfiguration& r) { return std::uint64_t{r.ipAddr}; },
                     [](const EncoderConfiguration& r) { return "all report ipAddr " + Dotted(r.ipAddr); }},
    SharedValueCheck{DuplicateDeviceNumber,
                     [](const EncoderConfiguration& r) {
                       return std::uint64_t{static_cast<std::uint32_t>(r.sequence_number)};
                     },
                     [](const EncoderConfiguration& r) {
                       return "all report sequence_number " + FormatDecimal(r.sequence_number);
                     }},
};

AuditFinding MakeFinding(FindingKind kind, std::vector<std::size_t> encoders, std::string text) {
  return {InfoOf(kind).severity, kind, std::move(encoders), std::move(text)};
}

void AddSharedValueFindings(const SharedValueCheck& check, std::span<const AuditedEncoder> encoders,
                            std::vector<AuditFinding>& findings) {
  std::map<std::uint64_t, std::vector<std::size_t>> byValue;
  for (std::size_t i = 0; i < encoders.size(); ++i) {
    if (encoders[i].record) byValue[check.key(*encoders[i].record)].push_back(i);
  }
  for (auto& [value, sharing] : byValue) {
    if (sharing.size() < 2) continue;
    std::string text = check.describe(*encoders[sharing.front()].record);
    findings.push_back(MakeFinding(check.kind, std::move(sharing), std::move(text)));
  }
}

bool ReportedBefore(const AuditFinding& a, const AuditFinding& b) {
  if (a.severity != b.severity) return a.severity < b.severity;
  if (a.kind != b.kind) return a.kind < b.kind;
  return a.encoders.front() < b.encoders.front();
}

}  // namespace

std::string_view FindingKindName(FindingKind kind) { return InfoOf(kind).name; }

std::string_view SeverityName(FindingSeverity severity) { return severity == Error ? "error" : "warning"; }

std::vector<AuditFinding> AuditFleet(std::span<const AuditedEncoder> encoders) {
  std::vector<AuditFinding> findings;
  for (std::size_t i = 0; i < encoders.size(); ++i) {
    if (!encoders[i].record) {
      findings.push_back(MakeFinding(Unreadable, {i}, encoders[i].failure));
      continue;
    }
    for (const EncoderCheck& check : kEncoderChecks) {
      for (std::string& text : check.check(encoders[i])) {
        findings.push_back(MakeFinding(check.kind, {i}, std::move(text)));
      }
    }
  }
  for (const SharedValueCheck& check : kSharedValueChecks) AddSharedValueFindings(check, encoders, findings);
  std::stable_sort(findings.begin(), findings.end(), ReportedBefore);
  return findings;
}

bool HasErrorFinding(std::span<const AuditFinding> findings) {
  return std::any_of(findings.begin(), findings.end(), [](const AuditFinding& f) { return f.severity == Error; });
}

}  // namespace kestrine::config
