#include "platform/SystemThread.h"

#include <pthread.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace kestrine::platform {
namespace {

static_assert(sizeof(pthread_t) <= sizeof(SystemThread), "a pthread_t fits the number that names it");

void* Enter(void* body) {
  (*static_cast<const std::function<void()>*>(body))();
  return nullptr;
}

}  // namespace

bool StartSystemThread(const std::function<void()>& body, std::size_t stackBytes, SystemThread& thread) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t started{};
  const bool ok = pthread_attr_setstacksize(&attributes, std::max<std::size_t>(stackBytes, PTHREAD_STACK_MIN)) == 0 &&
                  pthread_create(&started, &attributes, &Enter, const_cast<std::function<void()>*>(&body)) == 0;
  pthread_attr_destroy(&attributes);
  if (ok) {
    thread = 0;
    std::memcpy(&thread, &started, sizeof started);
  }
  return ok;
}

void JoinSystemThread(SystemThread thread) {
  pthread_t started{};
  std::memcpy(&started, &thread, sizeof started);
  pthread_join(started, nullptr);
}

}  // namespace kestrine::platform
