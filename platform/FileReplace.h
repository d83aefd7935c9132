#pragma once

#include <filesystem>
#include <string_view>

namespace kestrine::platform {

enum class FileAccess { Shared, OwnerOnly };

// Replaces the file whole: the bytes go to a temporary file beside it, which is
// then renamed over it, so a reader never sees half a file. OwnerOnly files are
// readable by their owner alone where the platform has such permissions.
// Returns false (and leaves any old file as it was) when it cannot be written.
bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess access);

}  // namespace kestrine::platform
