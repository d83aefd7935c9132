#include "platform/StackThread.h"

#include <windows.h>

#include <utility>

namespace kestrine::platform {

struct StackThread::Native {
  std::function<void()> body;
  HANDLE handle = nullptr;

  static DWORD WINAPI Enter(LPVOID self) {
    static_cast<Native*>(self)->body();
    return 0;
  }
  bool Begin(std::size_t stackBytes) {
    // The size reserves the address space; pages are committed as the thread reaches them.
    handle = ::CreateThread(nullptr, stackBytes, &Native::Enter, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    return handle != nullptr;
  }
  void Wait() {
    if (handle == nullptr) return;
    ::WaitForSingleObject(handle, INFINITE);
    ::CloseHandle(handle);
    handle = nullptr;
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
