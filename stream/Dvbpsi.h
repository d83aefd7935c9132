#pragma once

// libdvbpsi, with what its headers take for granted included first. Only this folder's sources see it.
#include <sys/types.h>

#include <cstdbool>
#include <cstdint>
#include <memory>

// clang-format off
#include <dvbpsi/dvbpsi.h>
#include <dvbpsi/psi.h>
#include <dvbpsi/descriptor.h>
#include <dvbpsi/demux.h>
#include <dvbpsi/pat.h>
#include <dvbpsi/pmt.h>
#include <dvbpsi/sdt.h>
#include <dvbpsi/dr_48.h>
// clang-format on

namespace kestrine::stream {

struct DvbpsiDelete {
  void operator()(dvbpsi_t* handle) const { dvbpsi_delete(handle); }
};
using DvbpsiHandle = std::unique_ptr<dvbpsi_t, DvbpsiDelete>;

}  // namespace kestrine::stream
