// The reading direction of the configuration document: TinyXML builds the tree,
// a table says which element fills which field and how its text converts.
#include <tinyxml.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "config/ConfigurationDocument.h"
#include "config/DecimalText.h"
#include "config/EncoderConfiguration.h"
#include "config/RecordFields.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

enum class Group { System, Ethernet, Video, Audio, Mux };

enum class Conversion { Text, Number, Address, Keyword };

struct KeywordValue {
  std::string_view keyword;
  std::int32_t value;
};

// Exact, case-sensitive keywords; any other text gives `otherwise`, or leaves the field as it was.
struct Keywords {
  std::span<const KeywordValue> known;
  std::optional<std::int32_t> otherwise;
};

constexpr KeywordValue kTrue[]{{"true", 1}};
constexpr KeywordValue kUdp[]{{"udp", 0}};
constexpr KeywordValue kCvbs[]{{"cvbs", 0}};
constexpr KeywordValue kCbr[]{{"cbr", 0}};
constexpr KeywordValue kAudioInputs[]{{"analog", 0}, {"sdi", 1}};
constexpr KeywordValue kMpeg1Layer2[]{{"mpeg1 layer2", 0}};
constexpr KeywordValue kStereo[]{{"stereo", 0}};

constexpr Keywords kFlag{kTrue, 0};
constexpr Keywords kMulticastMode{kUdp, 1};
constexpr Keywords kVideoInput{kCvbs, 1};
constexpr Keywords kRateMode{kCbr, 1};
constexpr Keywords kAudioInput{kAudioInputs, 2};
constexpr Keywords kAnalogMode{kMpeg1Layer2, std::nullopt};
constexpr Keywords kChannelMode{kStereo, 3};

struct LeafRule {
  Group group;
  std::string_view element;
  std::string_view field;  // the record field it fills, by name
  Conversion conversion;
  const Keywords* keywords = nullptr;
  // What an element without text stores; nothing when unset. The passwords may
  // legitimately be empty, and a nameless service is still called something.
  std::optional<std::string_view> withoutText = std::nullopt;
};

using enum Group;
using enum Conversion;

constexpr LeafRule kLeafRules[]{
    {System, "version", "version", Text},
    {System, "sequence_number", "sequence_number", Number},
    {System, "default_parameter", "default_parameter", Keyword, &kFlag},
    {Ethernet, "ipAddr", "ipAddr", Address},
    {Ethernet, "ipMask", "ipMask", Address},
    {Ethernet, "ipGate", "ipGate", Address},
    {Ethernet, "multicast_ip", "multicast_ip", Address},
    {Ethernet, "multicast_port", "multicast_port", Number},
    {Ethernet, "multicast_mode", "multicast_mode", Keyword, &kMulticastMode},
    {System, "old_password", "old_password", Text, nullptr, ""},
    {System, "new_password", "new_password", Text, nullptr, ""},
    {System, "lock_keyboard", "lock_keyboard", Keyword, &kFlag},
    {System, "restart", "restart", Keyword, &kFlag},
    {Video, "input", "video_input", Keyword, &kVideoInput},
    {Video, "rate_mode", "rate_mode", Keyword, &kRateMode},
    {Video, "cvbs_brightness", "cvbs_brightness", Number},
    {Video, "cvbs_contrast", "cvbs_contrast", Number},
    {Video, "cvbs_saturation", "cvbs_saturation", Number},
    {Video, "cvbs_hue", "cvbs_hue", Number},
    {Video, "bitrate", "video_bitrate", Number},
    {Video, "TS_bitrate", "TS_bitrate", Number},
    {Audio, "input", "audio_input", Keyword, &kAudioInput},
    {Audio, "analog_left_volume", "analog_left_volume", Number},
    {Audio, "analog_right_volume", "analog_right_volume", Number},
    {Audio, "analog_bitrate", "analog_bitrate", Number},
    {Audio, "analog_mode", "analog_mode", Keyword, &kAnalogMode},
    {Audio, "analog_channel_mode", "analog_channel_mode", Keyword, &kChannelMode},
    {Audio, "sdi_volume", "sdi_volume", Number},
    {Audio, "sdi_opt_group", "sdi_opt_group", Number},
    {Audio, "sdi_exist_group", "sdi_exist_group", Number},
    {Audio, "Audio_Delay", "Audio_Delay", Number},
    {Mux, "bitrate", "mux_bitrate", Number},
    {Mux, "program_no", "program_no", Number},
    {Mux, "pmt_pid", "pmt_pid", Number},
    {Mux, "pcr_pid", "pcr_pid", Number},
    {Mux, "video_pid", "video_pid", Number},
    {Mux, "audio_pid", "audio_pid", Number},
    {Mux, "prg_name", "prg_name", Text, nullptr, "dvb"},
    {Mux, "prg_provider_name", "prg_provider_name", Text, nullptr, "dvb"},
};

struct RootGroup {
  std::string_view element;
  Group group;
};

constexpr RootGroup kRootGroups[]{{"system", System}, {"video", Video}, {"audio", Audio}, {"mux", Mux}};

constexpr std::string_view kRootElement = "tavrix";
constexpr std::string_view kEthernetElement = "ethernet";

// TinyXML in UTF-8 mode steps over a whole multi-byte sequence even when the
// text ends inside it, and then reads up to three bytes past the terminator.
constexpr std::size_t kParserOverreadPadding = 4;

// The parser recurses once per level of nesting; the document has four. Far
// deeper input is refused before parsing, so no stack, however small, runs out.
constexpr std::size_t kMaxElementDepth = 64;

// Whether elements nest deeper than `limit`, judged by a scan of the tags that
// steps over comments, CDATA sections, declarations and processing instructions.
bool NestsDeeperThan(std::string_view text, std::size_t limit) {
  constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kSkipped{{
      {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}}};
  std::size_t depth = 0;
  std::size_t pos = text.find('<');
  while (pos != std::string_view::npos) {
    const std::string_view rest = text.substr(pos);
    std::string_view closer = ">";
    for (const auto& [opener, end] : kSkipped) {
      if (rest.starts_with(opener)) {
        closer = end;
        break;
      }
    }
    const std::size_t end = text.find(closer, pos + 1);
    if (end == std::string_view::npos) return false;  // unterminated: the parser refuses it anyway
    if (closer == ">" && !rest.starts_with("<!")) {
      if (rest.starts_with("</")) {
        depth -= depth > 0 ? 1 : 0;
      } else if (text[end - 1] != '/' && ++depth > limit) {
        return true;
      }
    }
    pos = text.find('<', end + closer.size());
  }
  return false;
}

// The record fields the rules name, looked up once; a misspelt name throws on the very first read.
const std::array<const RecordField*, std::size(kLeafRules)>& RuleFields() {
  static const auto fields = [] {
    std::array<const RecordField*, std::size(kLeafRules)> found{};
    for (std::size_t i = 0; i < found.size(); ++i) {
      found[i] = FindRecordField(kLeafRules[i].field);
      if (found[i] == nullptr) throw std::logic_error("document rule names no record field");
    }
    return found;
  }();
  return fields;
}

// "\r\n" and a lone "\r" become "\n", on a NUL-padded copy the parser can run off safely.
std::string NormalisedForParsing(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + kParserOverreadPadding);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      text += bytes[i];
      continue;
    }
    text += '\n';
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  text.append(kParserOverreadPadding, '\0');
  return text;
}

std::optional<std::int32_t> KeywordValueOf(const Keywords& keywords, std::string_view text) {
  for (const KeywordValue& known : keywords.known) {
    if (known.keyword == text) return known.value;
  }
  return keywords.otherwise;
}

void ApplyLeaf(const LeafRule& rule, const RecordField& field, const char* text, EncoderConfiguration& record) {
  if (text == nullptr) {
    if (rule.withoutText) StoreText(TextField(field, record), *rule.withoutText);
    return;
  }
  switch (rule.conversion) {
    case Text:
      StoreText(TextField(field, record), text);
      break;
    case Number:
      record.*field.number = Atoi(text);
      break;
    case Address:
      record.*field.address = platform::InetAddr(text);
      break;
    case Keyword:
      if (const auto value = KeywordValueOf(*rule.keywords, text)) record.*field.number = *value;
      break;
  }
}

void ApplyGroup(const TiXmlElement& groupElement, Group group, EncoderConfiguration& record) {
  const auto& fields = RuleFields();
  for (const TiXmlElement* leaf = groupElement.FirstChildElement(); leaf != nullptr;
       leaf = leaf->NextSiblingElement()) {
    const std::string_view name = leaf->ValueStr();
    if (group == System && name == kEthernetElement) {
      ApplyGroup(*leaf, Ethernet, record);
      continue;
    }
    for (std::size_t i = 0; i < std::size(kLeafRules); ++i) {
      if (kLeafRules[i].group == group && kLeafRules[i].element == name) {
        // The element's text as the parser delivers it: entities decoded, blanks condensed.
        ApplyLeaf(kLeafRules[i], *fields[i], leaf->GetText(), record);
        break;
      }
    }
  }
}

void ApplyDocument(const TiXmlElement& root, EncoderConfiguration& record) {
  for (const TiXmlElement* child = root.FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
    for (const RootGroup& known : kRootGroups) {
      if (known.element == child->ValueStr()) ApplyGroup(*child, known.group, record);
    }
  }
}

}  // namespace

int LoadConfigurationDocument(std::string_view documentBytes, EncoderConfiguration& record) {
  if (documentBytes.empty()) return 0;

  if (NestsDeeperThan(documentBytes, kMaxElementDepth)) return 0;
  const std::string text = NormalisedForParsing(documentBytes);
  TiXmlDocument document;
  // Unknown encoding lets the declaration decide: GB2312 makes TinyXML pass every byte through as it is.
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  if (document.Error()) return 0;  // a half-built tree is not a document
  const TiXmlElement* root = document.RootElement();
  if (root == nullptr || root->ValueStr() != kRootElement) return 0;

  EncoderConfiguration filled = record;
  ApplyDocument(*root, filled);
  record = filled;
  return 1;
}

}  // namespace kestrine::config
