#include "platform/StackThread.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>

#include <climits>
#endif

#ifndef KESTRINE_STACK_SCALE
#error "KESTRINE_STACK_SCALE comes from the build (CMake cache variable of the same name)"
#endif

namespace kestrine::platform {

#ifdef _WIN32

struct StackThread::Native {
  std::function<void()> body;
  HANDLE handle = nullptr;

  static DWORD WINAPI Enter(LPVOID self) {
    static_cast<Native*>(self)->body();
    return 0;
  }
  bool Begin(std::size_t stackBytes) {
    // The size reserves the address space; pages are committed as the thread reaches them.
    handle = CreateThread(nullptr, stackBytes, &Native::Enter, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    return handle != nullptr;
  }
  void Wait() {
    if (handle == nullptr) return;
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    handle = nullptr;
  }
};

#else

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

#endif

StackThread::StackThread() : native_(std::make_unique<Native>()) {}

StackThread::~StackThread() { Join(); }

bool StackThread::Start(std::function<void()> body, std::size_t stackBytes) {
  Join();
  native_->body = std::move(body);
  return native_->Begin(ScaledStackBytes(stackBytes));
}

void StackThread::Join() { native_->Wait(); }

std::size_t ScaledStackBytes(std::size_t stackBytes) {
  constexpr std::size_t kScale = KESTRINE_STACK_SCALE;
  static_assert(kScale >= 1, "KESTRINE_STACK_SCALE multiplies stacks: 1 or more");
  constexpr std::size_t kLargest = std::numeric_limits<std::size_t>::max();
  return stackBytes > kLargest / kScale ? kLargest : stackBytes * kScale;
}

void RunOnStack(std::size_t stackBytes, const std::function<void()>& work) {
  std::exception_ptr thrown;
  StackThread thread;
  const bool started = thread.Start(
      [&] {
        try {
          work();
        } catch (...) {
          thrown = std::current_exception();
        }
      },
      stackBytes);
  if (!started) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "no thread with a stack of " + std::to_string(ScaledStackBytes(stackBytes)) + " bytes");
  }
  thread.Join();
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace kestrine::platform
