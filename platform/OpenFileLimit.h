#pragma once

#include <cstddef>

namespace kestrine::platform {

// How many more sockets and files this process may open now, after raising its soft
// open-file limit to the hard one where the system has such a limit (POSIX: the limit
// less the descriptors already open). Windows keeps no open-file limit for sockets and
// files opened through its own calls: a process may hold 2^24 handles, so the answer
// there is that less the handles already held.
[[nodiscard]] std::size_t RaiseOpenFileLimit();

}  // namespace kestrine::platform
