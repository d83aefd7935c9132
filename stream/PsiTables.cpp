#include "stream/PsiTables.h"

#include <algorithm>
#include <stdexcept>

#include "stream/Dvbpsi.h"
#include "stream/TsPacket.h"

namespace kestrine::stream {
namespace {

constexpr int kProgramsPerSection = 253;
constexpr std::uint8_t kServiceDescriptorTag = 0x48;
constexpr std::uint8_t kDigitalTelevisionService = 0x01;
constexpr std::uint8_t kRunning = 4;

struct SectionsDelete {
  void operator()(dvbpsi_psi_section_t* sections) const { dvbpsi_DeletePSISections(sections); }
};
using SectionList = std::unique_ptr<dvbpsi_psi_section_t, SectionsDelete>;

DvbpsiHandle QuietHandle() {
  DvbpsiHandle handle(dvbpsi_new(nullptr, DVBPSI_MSG_NONE));
  if (!handle) throw std::bad_alloc();
  return handle;
}

std::vector<Section> Copy(const SectionList& list) {
  std::vector<Section> sections;
  for (const dvbpsi_psi_section_t* s = list.get(); s != nullptr; s = s->p_next) {
    // section_length counts the bytes after its own field, the CRC included.
    sections.emplace_back(s->p_data, s->p_data + 3 + s->i_length);
  }
  return sections;
}

// The descriptor bytes are given to libdvbpsi's encoder, which lays them out.
void AddServiceDescriptor(dvbpsi_sdt_service_t* service, const ServiceEntry& entry) {
  dvbpsi_service_dr_t decoded{};
  decoded.i_service_type = kDigitalTelevisionService;
  const std::size_t provider = std::min(entry.providerName.size(), sizeof decoded.i_service_provider_name);
  const std::size_t name = std::min(entry.serviceName.size(), sizeof decoded.i_service_name);
  decoded.i_service_provider_name_length = static_cast<std::uint8_t>(provider);
  std::copy_n(entry.providerName.data(), provider, decoded.i_service_provider_name);
  decoded.i_service_name_length = static_cast<std::uint8_t>(name);
  std::copy_n(entry.serviceName.data(), name, decoded.i_service_name);
  dvbpsi_descriptor_t* descriptor = dvbpsi_GenServiceDr(&decoded, false);
  if (descriptor == nullptr) throw std::bad_alloc();
  dvbpsi_sdt_service_descriptor_add(service, kServiceDescriptorTag, descriptor->i_length, descriptor->p_data);
  dvbpsi_DeleteDescriptors(descriptor);
}

}  // namespace

std::vector<Section> BuildPatSections(const PatTable& table, std::uint8_t version) {
  DvbpsiHandle handle = QuietHandle();
  dvbpsi_pat_t pat;
  dvbpsi_pat_init(&pat, table.transportStreamId, version & 0x1F, true);
  for (const ProgramEntry& program : table.programs) dvbpsi_pat_program_add(&pat, program.number, program.pid);
  const SectionList sections(dvbpsi_pat_sections_generate(handle.get(), &pat, kProgramsPerSection));
  dvbpsi_pat_empty(&pat);
  return Copy(sections);
}

std::vector<Section> BuildPmtSections(const PmtTable& table, std::uint8_t version) {
  DvbpsiHandle handle = QuietHandle();
  dvbpsi_pmt_t pmt;
  dvbpsi_pmt_init(&pmt, table.programNumber, version & 0x1F, true, table.pcrPid);
  for (const ElementaryStream& es : table.streams) dvbpsi_pmt_es_add(&pmt, es.type, es.pid);
  const SectionList sections(dvbpsi_pmt_sections_generate(handle.get(), &pmt));
  dvbpsi_pmt_empty(&pmt);
  return Copy(sections);
}

std::vector<Section> BuildSdtSections(const SdtTable& table, std::uint8_t version) {
  DvbpsiHandle handle = QuietHandle();
  dvbpsi_sdt_t sdt;
  dvbpsi_sdt_init(&sdt, kSdtActualTableId, table.transportStreamId, version & 0x1F, true, table.originalNetworkId);
  for (const ServiceEntry& entry : table.services) {
    dvbpsi_sdt_service_t* service = dvbpsi_sdt_service_add(&sdt, entry.serviceId, false, false, kRunning, false);
    if (service == nullptr) throw std::bad_alloc();
    AddServiceDescriptor(service, entry);
  }
  const SectionList sections(dvbpsi_sdt_sections_generate(handle.get(), &sdt));
  dvbpsi_sdt_empty(&sdt);
  return Copy(sections);
}

}  // namespace kestrine::stream
