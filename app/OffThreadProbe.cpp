#include "app/OffThreadProbe.h"

#include <thread>

#include <QEventLoop>
#include <QMetaObject>

#include "config/EncoderConfiguration.h"

namespace kestrine::app {

stream::ProbeResult ProbeOffThread(const config::EncoderConfiguration& record, stream::ProbeOptions options) {
  stream::ProbeResult result;
  QEventLoop untilDone;
  // The quit is posted, so it ends the loop even when the probe is over before the loop has begun.
  std::thread probe([&result, &untilDone, copy = record, options = std::move(options)] {
    result = stream::ProbeStream(copy, options);
    QMetaObject::invokeMethod(&untilDone, &QEventLoop::quit, Qt::QueuedConnection);
  });
  untilDone.exec();
  probe.join();
  return result;
}

}  // namespace kestrine::app
