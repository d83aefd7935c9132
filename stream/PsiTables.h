#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrine::stream {

// The program-specific and service information a stream carries, as plain values. Built into sections and
// decoded from them with libdvbpsi, which keeps their syntax and CRC right on both sides.

struct ProgramEntry {
  std::uint16_t number = 0;
  std::uint16_t pid = 0;  // its PMT (the network PID for program 0)
  friend bool operator==(const ProgramEntry&, const ProgramEntry&) = default;
};

struct PatTable {
  std::uint16_t transportStreamId = 0;
  std::vector<ProgramEntry> programs;
  friend bool operator==(const PatTable&, const PatTable&) = default;
};

struct ElementaryStream {
  std::uint16_t pid = 0;
  std::uint8_t type = 0;
  friend bool operator==(const ElementaryStream&, const ElementaryStream&) = default;
};

struct PmtTable {
  std::uint16_t programNumber = 0;
  std::uint16_t pmtPid = 0;  // where it came from; not part of the section
  std::uint16_t pcrPid = 0;
  std::vector<ElementaryStream> streams;
  friend bool operator==(const PmtTable&, const PmtTable&) = default;
};

// Names as the service descriptor carries them: the character-table byte (EN 300 468 annex A), then the text.
struct ServiceEntry {
  std::uint16_t serviceId = 0;
  std::string providerName;
  std::string serviceName;
  friend bool operator==(const ServiceEntry&, const ServiceEntry&) = default;
};

struct SdtTable {
  std::uint16_t transportStreamId = 0;
  std::uint16_t originalNetworkId = 0;
  std::vector<ServiceEntry> services;
  friend bool operator==(const SdtTable&, const SdtTable&) = default;
};

// Whole sections, CRC included; a table too long for one section comes as several.
using Section = std::vector<std::uint8_t>;
[[nodiscard]] std::vector<Section> BuildPatSections(const PatTable& pat, std::uint8_t version);
[[nodiscard]] std::vector<Section> BuildPmtSections(const PmtTable& pmt, std::uint8_t version);
[[nodiscard]] std::vector<Section> BuildSdtSections(const SdtTable& sdt, std::uint8_t version);

}  // namespace kestrine::stream
