#pragma once

namespace kestrine::config {

// The two facts the configuration page keeps for the write operation. They
// belong to the page; edit rules and operations get them by reference.
struct PageFlags {
  bool bitrateModified = false;   // a bitrate-changing edit was made since the last re-read
  bool passwordAccepted = false;  // the current password typed matched the record's
};

// Whether each password row of the page holds text: a write needs both. The
// page's rows say it; the write operation is given it.
struct PasswordEntries {
  bool currentPasswordGiven = false;
  bool newPasswordGiven = false;
};

}  // namespace kestrine::config
