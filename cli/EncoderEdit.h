#pragma once

#include <cstdint>

#include "config/ConfigurationPageModel.h"
#include "config/EncoderConfiguration.h"
#include "net/DeviceOperations.h"

namespace kestrine::net {
class OperatorFeedback;
struct NetworkSettings;
}  // namespace kestrine::net

namespace kestrine::cli {

// One encoder edited as an operator edits it on the configuration page: read into the page's model,
// edits committed one by one through it (or a whole record put in their place), then written as
// "Write Configuration" writes, with what the password rows hold, to the address the operator named.
// Each step returns false when it failed, having said why through the feedback (a refused edit as the
// page's warning box says it).
class EncoderEdit final {
 public:
  EncoderEdit(const net::NetworkSettings& settings, std::uint32_t address, net::OperatorFeedback& feedback);

  // Command 1004 only (no reachability check): the document into the record, which the page shows.
  bool Read();
  // One edit, as the page commits it: judged, stored when it passes, and the record shown again.
  bool Commit(int commandId, const config::EditorValue& value);
  // A whole record in place of the one read, e.g. with a saved configuration laid over it;
  // `bitrateChanged`: it changes what the page counts as a bitrate, so the write reads again.
  void Replace(const config::EncoderConfiguration& record, bool bitrateChanged);
  // To the address named, whatever address the encoder's document reports, passwords included.
  bool Write();

  [[nodiscard]] const config::EncoderConfiguration& Record() const { return record_; }

 private:
  std::uint32_t address_;
  net::OperatorFeedback& feedback_;
  net::DeviceOperations operations_;
  config::EncoderConfiguration record_;
  config::ConfigurationPageModel page_;
};

}  // namespace kestrine::cli
