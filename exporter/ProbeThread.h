#pragma once

#include <cstddef>
#include <functional>

namespace kestrine::exporter {

// The web server's workers have small stacks (100 KiB in Debian's build), and a
// probe parses documents and analyses streams: it runs on a thread of its own with
// room to spare while the worker waits. Untouched stack costs address space only.
inline constexpr std::size_t kProbeStackBytes = 1024 * 1024;

// Runs `work` on a new thread with a stack of `bytes` and waits for it; on the
// caller's thread when no such thread can be made.
void RunOnStackOf(std::size_t bytes, const std::function<void()>& work);

}  // namespace kestrine::exporter
