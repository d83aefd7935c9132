#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace kestrine::platform {

enum class FileAccess { Shared, OwnerOnly };

// Replaces the file whole: the bytes go to a temporary file beside it, which is
// synced to the disk and then renamed over it, so a reader never sees half a
// file and a crash leaves either the old file or the new one. OwnerOnly files
// are readable by their owner alone where the platform has such permissions,
// whatever the umask and whatever the old file allowed.
// Returns false (and leaves any old file as it was) when it cannot be written;
// `reason`, when given, then says why.
bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess access,
                 std::error_code* reason = nullptr);

// Whether what is at `path` may be replaced whole: nothing yet, or a regular file itself. A link (such
// as /dev/stdout), a device, a FIFO or a terminal is the operator's way to send the bytes somewhere:
// replacing it would put a file in its place.
[[nodiscard]] bool IsReplaceable(const std::filesystem::path& path);

enum class WriteThroughResult { Written, StandardOutput, Failed };
// Writes the bytes into whatever is at `path`, as `>` in a shell does (created owner-only when missing).
// StandardOutput: the path leads to this process's own standard output, which is left to the caller
// to write on, so that what a shell set up there (appending to a log, say) stays as it was.
WriteThroughResult WriteThrough(const std::filesystem::path& path, std::string_view bytes,
                                std::error_code* reason = nullptr);

// Whether the file is as OwnerOnly leaves it: POSIX mode 0600; on Windows, whose files
// have no such mode, an access list of its own (nothing handed down from the folder)
// with one entry that lets the current user, and nobody else, open it.
[[nodiscard]] bool IsOwnerOnly(const std::filesystem::path& path);

}  // namespace kestrine::platform
