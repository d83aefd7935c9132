#include "platform/StopRequest.h"

#include <windows.h>

namespace kestrine::platform {
namespace {

HANDLE StopEvent() {
  static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// Runs on a thread of the system's: it only says that a stop came.
BOOL WINAPI OnConsoleControl(DWORD) {
  ::SetEvent(StopEvent());
  return TRUE;
}

}  // namespace

StopRequest::StopRequest() {
  (void)StopEvent();
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

StopRequest::~StopRequest() { ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE); }

void StopRequest::Await() { ::WaitForSingleObject(StopEvent(), INFINITE); }

}  // namespace kestrine::platform
