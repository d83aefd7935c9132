#include "exporter/ProbeThread.h"

#ifndef _WIN32
#include <pthread.h>
#else
#include <thread>
#endif

namespace kestrine::exporter {

void RunOnStackOf(std::size_t bytes, const std::function<void()>& work) {
#ifndef _WIN32
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return work();
  pthread_t thread{};
  const bool started = pthread_attr_setstacksize(&attributes, bytes) == 0 &&
                       pthread_create(
                           &thread, &attributes,
                           [](void* argument) -> void* {
                             (*static_cast<const std::function<void()>*>(argument))();
                             return nullptr;
                           },
                           const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return work();
  pthread_join(thread, nullptr);
#else
  (void)bytes;
  std::thread(work).join();
#endif
}

}  // namespace kestrine::exporter
