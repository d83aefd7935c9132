#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace kestrine::platform {

enum class FileReadError { None, Missing, NotReadable, Directory, TooLarge, NoWriter, Silent, Failed };

struct BoundedFileRead {
  std::string bytes;  // the whole file, when error is None
  FileReadError error = FileReadError::None;
  std::string reason;  // for the operator, e.g. "larger than 9999 bytes"; empty when read

  [[nodiscard]] bool Read() const { return error == FileReadError::None; }

  [[nodiscard]] static BoundedFileRead Whole(std::string bytes);
  [[nodiscard]] static BoundedFileRead Refused(FileReadError error, std::string reason);
  [[nodiscard]] static BoundedFileRead TooLarge(std::size_t maxBytes);
};

// The longest a reader waits, all told, on a writer that is there but does not finish
// (a pipe held open, a terminal): as long as one whole reply from an encoder may take.
inline constexpr std::chrono::milliseconds kWholeReadPatience{30000};

// Reads a whole file of at most `maxBytes`, whatever the path names: more than
// that is refused as soon as it shows (the size a regular file reports, or the
// byte after the last one allowed, as from /dev/zero), never read to its end. A
// named pipe that no program has opened for writing is given up after
// `writerWait`; one whose writer is there is read until the writer closes it,
// as from `<(kestrinectl read ADDR)`, but for no longer than `patience` in all.
[[nodiscard]] BoundedFileRead ReadBoundedFile(const std::string& path, std::size_t maxBytes,
                                              std::chrono::milliseconds writerWait,
                                              std::chrono::milliseconds patience = kWholeReadPatience);

}  // namespace kestrine::platform
