#include "platform/BoundedFile.h"

#include <utility>

namespace kestrine::platform {

BoundedFileRead BoundedFileRead::Whole(std::string bytes) { return {std::move(bytes), FileReadError::None, {}}; }

BoundedFileRead BoundedFileRead::Refused(FileReadError error, std::string reason) {
  return {{}, error, std::move(reason)};
}

BoundedFileRead BoundedFileRead::TooLarge(std::size_t maxBytes) {
  return Refused(FileReadError::TooLarge, "larger than " + std::to_string(maxBytes) + " bytes");
}

}  // namespace kestrine::platform
