#include "net/OperatorFeedback.h"

#include "platform/Wait.h"

namespace kestrine::net {

void OperatorFeedback::Pause(std::chrono::milliseconds duration) {
  platform::PauseFor(duration, [this] { KeepAlive(); });
}

}  // namespace kestrine::net
