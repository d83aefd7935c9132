#include "config/DocumentLayout.h"

#include <array>
#include <iterator>
#include <stdexcept>

#include "config/RecordFields.h"

namespace kestrine::config {
namespace {

constexpr KeywordValue kFlagWords[]{{"false", 0}, {"true", 1}};
constexpr KeywordValue kMulticastModeWords[]{{"udp", 0}, {"rtp", 1}};
constexpr KeywordValue kVideoInputWords[]{{"cvbs", 0}, {"sdi", 1}};
constexpr KeywordValue kRateModeWords[]{{"cbr", 0}, {"vbr", 1}};
constexpr KeywordValue kAudioInputWords[]{{"analog", 0}, {"sdi", 1}, {"spdif", 2}};
constexpr KeywordValue kAnalogModeWords[]{{"mpeg1 layer2", 0}};
constexpr KeywordValue kChannelModeWords[]{{"stereo", 0}, {"single", 3}};

constexpr Keywords kFlag{kFlagWords, "true", 0};
constexpr Keywords kMulticastMode{kMulticastModeWords, "", 1};
constexpr Keywords kVideoInput{kVideoInputWords, "sdi", 1};
constexpr Keywords kRateMode{kRateModeWords, "vbr", 1};
constexpr Keywords kAudioInput{kAudioInputWords, "spdif", 2};
constexpr Keywords kAnalogMode{kAnalogModeWords, "Unknown", std::nullopt};
constexpr Keywords kChannelMode{kChannelModeWords, "single", 3};

using enum ValueKind;

// A group: its name and depth alone.
constexpr DocumentElement Group(int depth, std::string_view element) { return {depth, element}; }

constexpr DocumentElement Leaf(std::string_view element, std::string_view field, ValueKind kind,
                               const Keywords* keywords = nullptr) {
  return {2, element, field, kind, keywords};
}

constexpr DocumentElement EthernetLeaf(std::string_view element, ValueKind kind, const Keywords* keywords = nullptr) {
  return {3, element, element, kind, keywords};
}

// The passwords may legitimately be empty.
constexpr DocumentElement Password(std::string_view element) {
  DocumentElement password = Leaf(element, element, Text);
  password.readWithoutText = "";
  return password;
}

// A nameless service is still called something; the names are escaped on both sides.
constexpr DocumentElement Name(std::string_view element) {
  DocumentElement name = Leaf(element, element, Text);
  name.readWithoutText = "dvb";
  name.managerEscapes = true;
  return name;
}

constexpr DocumentElement Version() {
  DocumentElement version = Leaf("version", "version", Text);
  version.managerTextWhenEmpty = "1.00";
  return version;
}

constexpr DocumentElement MulticastMode() {
  DocumentElement mode = EthernetLeaf("multicast_mode", Keyword, &kMulticastMode);
  mode.managerSpelling = "multicast_Mode";  // the encoder expects this spelling from the manager
  return mode;
}

// TS_bitrate is the encoder's to report, never written.
constexpr DocumentElement TsBitrate() {
  DocumentElement bitrate = Leaf("TS_bitrate", "TS_bitrate", Number);
  bitrate.encoderReportsOnly = true;
  return bitrate;
}

constexpr DocumentElement kDocumentElements[]{
    Group(0, "tavrix"),
    Group(1, "system"),
    Version(),
    Leaf("sequence_number", "sequence_number", Number),
    Leaf("default_parameter", "default_parameter", Keyword, &kFlag),
    Group(2, "ethernet"),
    EthernetLeaf("ipAddr", Address),
    EthernetLeaf("ipMask", Address),
    EthernetLeaf("ipGate", Address),
    EthernetLeaf("multicast_ip", Address),
    EthernetLeaf("multicast_port", Number),
    MulticastMode(),
    Password("old_password"),
    Password("new_password"),
    Leaf("lock_keyboard", "lock_keyboard", Keyword, &kFlag),
    Leaf("restart", "restart", Keyword, &kFlag),
    Group(1, "video"),
    Leaf("input", "video_input", Keyword, &kVideoInput),
    Leaf("rate_mode", "rate_mode", Keyword, &kRateMode),
    Leaf("cvbs_brightness", "cvbs_brightness", Number),
    Leaf("cvbs_contrast", "cvbs_contrast", Number),
    Leaf("cvbs_saturation", "cvbs_saturation", Number),
    Leaf("cvbs_hue", "cvbs_hue", Number),
    Leaf("bitrate", "video_bitrate", Number),
    TsBitrate(),
    Group(1, "audio"),
    Leaf("input", "audio_input", Keyword, &kAudioInput),
    Leaf("analog_left_volume", "analog_left_volume", Number),
    Leaf("analog_right_volume", "analog_right_volume", Number),
    Leaf("analog_bitrate", "analog_bitrate", Number),
    Leaf("analog_mode", "analog_mode", Keyword, &kAnalogMode),
    Leaf("analog_channel_mode", "analog_channel_mode", Keyword, &kChannelMode),
    Leaf("sdi_volume", "sdi_volume", Number),
    Leaf("sdi_opt_group", "sdi_opt_group", Number),
    Leaf("sdi_exist_group", "sdi_exist_group", Number),
    Leaf("Audio_Delay", "Audio_Delay", Number),
    Group(1, "mux"),
    Leaf("bitrate", "mux_bitrate", Number),
    Leaf("program_no", "program_no", Number),
    Leaf("pmt_pid", "pmt_pid", Number),
    Leaf("pcr_pid", "pcr_pid", Number),
    Leaf("video_pid", "video_pid", Number),
    Leaf("audio_pid", "audio_pid", Number),
    Name("prg_name"),
    Name("prg_provider_name"),
};

constexpr std::size_t kElementCount = std::size(kDocumentElements);

struct Resolved {
  std::array<const RecordField*, kElementCount> fields{};
  std::array<std::size_t, kElementCount> parents{};
};

const Resolved& Resolve() {
  static const Resolved resolved = [] {
    Resolved r;
    for (std::size_t i = 0; i < kElementCount; ++i) {
      const DocumentElement& element = kDocumentElements[i];
      r.parents[i] = i;
      for (std::size_t j = i; j-- > 0;) {
        if (kDocumentElements[j].IsGroup() && kDocumentElements[j].depth == element.depth - 1) {
          r.parents[i] = j;
          break;
        }
      }
      if (element.IsGroup()) continue;
      r.fields[i] = FindRecordField(element.field);
      if (r.fields[i] == nullptr) throw std::logic_error("document element names no record field");
    }
    return r;
  }();
  return resolved;
}

}  // namespace

std::span<const DocumentElement> DocumentElements() { return kDocumentElements; }

const RecordField& DocumentElementField(std::size_t index) { return *Resolve().fields.at(index); }

std::size_t DocumentElementParent(std::size_t index) { return Resolve().parents.at(index); }

}  // namespace kestrine::config
