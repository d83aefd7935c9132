#include "platform/SystemThread.h"

#include <windows.h>

namespace kestrine::platform {
namespace {

DWORD WINAPI Enter(LPVOID body) {
  (*static_cast<const std::function<void()>*>(body))();
  return 0;
}

}  // namespace

bool StartSystemThread(const std::function<void()>& body, std::size_t stackBytes, SystemThread& thread) {
  // The size reserves the address space; pages are committed as the thread reaches them.
  const HANDLE started = ::CreateThread(nullptr, stackBytes, &Enter, const_cast<std::function<void()>*>(&body),
                                        STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (started == nullptr) return false;
  thread = reinterpret_cast<SystemThread>(started);
  return true;
}

void JoinSystemThread(SystemThread thread) {
  const HANDLE started = reinterpret_cast<HANDLE>(thread);
  ::WaitForSingleObject(started, INFINITE);
  ::CloseHandle(started);
}

}  // namespace kestrine::platform
