#pragma once

namespace kestrine::config {

// The two facts the configuration page keeps for the write operation. They
// belong to the page; edit rules and operations get them by reference.
struct PageFlags {
  bool bitrateModified = false;   // a bitrate-changing edit was made since the last re-read
  bool passwordAccepted = false;  // the current password typed matched the record's
};

}  // namespace kestrine::config
