#include "platform/SocketSystem.h"

#include <windows.h>

#include "platform/WindowsApi.h"

namespace kestrine::platform::os {
namespace {

// Handles are inheritable by default; a program we start must never hold an encoder's
// connection. WSA_FLAG_NO_HANDLE_INHERIT covers new sockets where the system knows it,
// clearing the flag covers the rest (and accepted sockets).
NativeSocket Uninherited(SOCKET s) {
  if (s == INVALID_SOCKET) return kInvalidSocket;
  if (!::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0)) {
    ::closesocket(s);
    return kInvalidSocket;
  }
  return static_cast<NativeSocket>(s);
}

}  // namespace

NativeSocket OpenSocket(int type, int protocol) {
  SOCKET s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINVAL) {
    s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);  // a system without the flag
  }
  return Uninherited(s);
}

NativeSocket AcceptConnection(NativeSocket listener) {
  return Uninherited(::accept(static_cast<SOCKET>(listener), nullptr, nullptr));
}

void CloseSocket(NativeSocket s) { ::closesocket(static_cast<SOCKET>(s)); }

int Poll(PollRecord* records, std::size_t count, int timeoutMs) {
  return ::WSAPoll(records, static_cast<ULONG>(count), timeoutMs);
}

bool SetNonBlocking(NativeSocket s, bool enabled) {
  u_long mode = enabled ? 1 : 0;
  return ::ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &mode) == 0;
}

int SendFlags() { return 0; }  // Windows has no SIGPIPE

std::error_code LastError() { return std::error_code(::WSAGetLastError(), windows::ErrorCategory()); }
bool ConnectStillInProgress() { return ::WSAGetLastError() == WSAEWOULDBLOCK; }
bool Interrupted() { return false; }
bool DatagramCut() { return ::WSAGetLastError() == WSAEMSGSIZE; }

bool Start() {
  WSADATA data{};
  return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

}  // namespace kestrine::platform::os
