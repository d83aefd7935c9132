#include "platform/StackThread.h"

#include <pthread.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace kestrine::platform {

struct StackThread::Native {
  std::function<void()> body;
  pthread_t thread{};
  bool running = false;

  static void* Enter(void* self) {
    static_cast<Native*>(self)->body();
    return nullptr;
  }
  bool Begin(std::size_t stackBytes) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    running = pthread_attr_setstacksize(&attributes, std::max<std::size_t>(stackBytes, PTHREAD_STACK_MIN)) == 0 &&
              pthread_create(&thread, &attributes, &Native::Enter, this) == 0;
    pthread_attr_destroy(&attributes);
    return running;
  }
  void Wait() {
    if (running) pthread_join(thread, nullptr);
    running = false;
  }
};

StackThread::StackThread() : native_(std::make_unique<Native>()) {}

StackThread::~StackThread() { Join(); }

bool StackThread::Start(std::function<void()> body, std::size_t stackBytes) {
  Join();
  native_->body = std::move(body);
  return native_->Begin(ScaledStackBytes(stackBytes));
}

void StackThread::Join() { native_->Wait(); }

}  // namespace kestrine::platform
