#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kestrine::platform {

// The system's own thread under StackThread: a POSIX thread or a Windows one, named
// by a number either fits in.
using SystemThread = std::uintptr_t;

// Starts `body`, which must outlive the thread, with `stackBytes` of stack. False when
// the system gives no such thread.
[[nodiscard]] bool StartSystemThread(const std::function<void()>& body, std::size_t stackBytes, SystemThread& thread);
// Waits until it has ended, and lets it go.
void JoinSystemThread(SystemThread thread);

}  // namespace kestrine::platform
