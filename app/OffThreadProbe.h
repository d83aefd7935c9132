#pragma once

#include "stream/StreamProbe.h"

namespace kestrine::config {
struct EncoderConfiguration;
}

namespace kestrine::app {

// Probes the stream on a thread of its own, on a copy of `record`, and turns a local event loop on the
// calling (interface) thread until it is over, so the window repaints while the probe listens and analyses.
// What input arrives meanwhile is the caller's to drop. `options.cancelled` is asked from the probe's thread.
[[nodiscard]] stream::ProbeResult ProbeOffThread(const config::EncoderConfiguration& record,
                                                 stream::ProbeOptions options);

}  // namespace kestrine::app
