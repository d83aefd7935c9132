#include "stream/PsiDecoder.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "stream/Dvbpsi.h"
#include "stream/TsPacket.h"

namespace kestrine::stream {
namespace {

constexpr std::uint8_t kServiceDescriptorTag = 0x48;

std::uint8_t* Writable(const std::uint8_t* packet) {
  return const_cast<std::uint8_t*>(packet);  // libdvbpsi's signature; it only reads the packet
}

}  // namespace

// One libdvbpsi handle per table decoder, as the library wants; every handle's messages come back to count
// the sections it dropped for a bad CRC (the only way libdvbpsi tells of them).
struct PsiDecoder::Decoders {
  struct Pmt {
    std::uint16_t pid;
    std::uint16_t program;
    DvbpsiHandle handle;
  };

  explicit Decoders(Listener& l) : listener(l) {
    pat = NewHandle();
    if (!dvbpsi_pat_attach(pat.get(), &Decoders::PatArrived, this)) throw std::bad_alloc();
    sdt = NewHandle();
    if (!dvbpsi_AttachDemux(sdt.get(), &Decoders::SubtableFound, this)) throw std::bad_alloc();
  }

  ~Decoders() {
    dvbpsi_pat_detach(pat.get());
    for (Pmt& pmt : pmts) dvbpsi_pmt_detach(pmt.handle.get());
    dvbpsi_DetachDemux(sdt.get());
  }

  DvbpsiHandle NewHandle() {
    DvbpsiHandle handle(dvbpsi_new(&Decoders::Message, DVBPSI_MSG_ERROR));
    if (!handle) throw std::bad_alloc();
    handle->p_sys = this;
    return handle;
  }

  static void Message(dvbpsi_t* handle, const dvbpsi_msg_level_t /*level*/, const char* text) {
    if (std::strstr(text, "CRC") != nullptr) ++static_cast<Decoders*>(handle->p_sys)->crcErrors;
  }

  static void PatArrived(void* self, dvbpsi_pat_t* decoded) {
    PatTable table;
    table.transportStreamId = decoded->i_ts_id;
    for (const dvbpsi_pat_program_t* p = decoded->p_first_program; p != nullptr; p = p->p_next) {
      table.programs.push_back({p->i_number, p->i_pid});
    }
    dvbpsi_pat_delete(decoded);
    static_cast<Decoders*>(self)->listener.OnPat(table);
  }

  struct PmtContext {
    Decoders* decoders;
    std::uint16_t pid;
  };

  static void PmtArrived(void* context, dvbpsi_pmt_t* decoded) {
    const auto* where = static_cast<const PmtContext*>(context);
    PmtTable table;
    table.programNumber = decoded->i_program_number;
    table.pmtPid = where->pid;
    table.pcrPid = decoded->i_pcr_pid;
    for (const dvbpsi_pmt_es_t* es = decoded->p_first_es; es != nullptr; es = es->p_next) {
      table.streams.push_back({es->i_pid, es->i_type});
    }
    dvbpsi_pmt_delete(decoded);
    where->decoders->listener.OnPmt(table);
  }

  static void SubtableFound(dvbpsi_t* handle, std::uint8_t tableId, std::uint16_t extension, void* self) {
    if (tableId == kSdtActualTableId) dvbpsi_sdt_attach(handle, tableId, extension, &Decoders::SdtArrived, self);
  }

  static void SdtArrived(void* self, dvbpsi_sdt_t* decoded) {
    SdtTable table;
    table.transportStreamId = decoded->i_extension;
    table.originalNetworkId = decoded->i_network_id;
    for (const dvbpsi_sdt_service_t* s = decoded->p_first_service; s != nullptr; s = s->p_next) {
      ServiceEntry entry;
      entry.serviceId = s->i_service_id;
      for (dvbpsi_descriptor_t* d = s->p_first_descriptor; d != nullptr; d = d->p_next) {
        if (d->i_tag != kServiceDescriptorTag) continue;
        const dvbpsi_service_dr_t* service = dvbpsi_DecodeServiceDr(d);
        if (service == nullptr) continue;
        entry.providerName.assign(reinterpret_cast<const char*>(service->i_service_provider_name),
                                  service->i_service_provider_name_length);
        entry.serviceName.assign(reinterpret_cast<const char*>(service->i_service_name),
                                 service->i_service_name_length);
        break;
      }
      table.services.push_back(std::move(entry));
    }
    dvbpsi_sdt_delete(decoded);
    static_cast<Decoders*>(self)->listener.OnSdt(table);
  }

  Listener& listener;
  DvbpsiHandle pat;
  DvbpsiHandle sdt;
  std::vector<Pmt> pmts;
  std::vector<std::unique_ptr<PmtContext>> pmtContexts;
  std::uint64_t crcErrors = 0;
};

PsiDecoder::PsiDecoder(Listener& listener) : decoders_(std::make_unique<Decoders>(listener)) {}

PsiDecoder::~PsiDecoder() = default;

void PsiDecoder::PushPat(const std::uint8_t* packet) { dvbpsi_packet_push(decoders_->pat.get(), Writable(packet)); }

void PsiDecoder::PushSdt(const std::uint8_t* packet) { dvbpsi_packet_push(decoders_->sdt.get(), Writable(packet)); }

void PsiDecoder::WatchPmt(std::uint16_t pid, std::uint16_t program) {
  for (const Decoders::Pmt& pmt : decoders_->pmts) {
    if (pmt.pid == pid && pmt.program == program) return;
  }
  auto context = std::make_unique<Decoders::PmtContext>(Decoders::PmtContext{decoders_.get(), pid});
  DvbpsiHandle handle = decoders_->NewHandle();
  if (!dvbpsi_pmt_attach(handle.get(), program, &Decoders::PmtArrived, context.get())) throw std::bad_alloc();
  decoders_->pmts.push_back({pid, program, std::move(handle)});
  decoders_->pmtContexts.push_back(std::move(context));
}

void PsiDecoder::PushPmt(std::uint16_t pid, const std::uint8_t* packet) {
  for (Decoders::Pmt& pmt : decoders_->pmts) {
    if (pmt.pid == pid) dvbpsi_packet_push(pmt.handle.get(), Writable(packet));
  }
}

std::uint64_t PsiDecoder::CrcErrors() const { return decoders_->crcErrors; }

}  // namespace kestrine::stream
