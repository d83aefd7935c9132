// The writing direction of the configuration document: fixed lines emitted as
// text, no XML library. The reading direction is in ConfigurationDocumentReader.cpp.
#include "config/ConfigurationDocument.h"

#include <array>
#include <cstddef>
#include <iterator>

#include "config/DecimalText.h"
#include "config/EncoderConfiguration.h"
#include "platform/Ipv4Text.h"

namespace kestrine::config {
namespace {

using C = EncoderConfiguration;

// Appends a leaf's value; may store into the record what the document decides for it.
using ValueWriter = void (*)(C& record, std::string& out);

// Value 0, 1, ... as its word; any other value as `otherwise`.
struct Words {
  std::array<std::string_view, 2> byValue;
  std::size_t count;
  std::string_view otherwise;
};

constexpr Words kFlagWords{{"false"}, 1, "true"};
constexpr Words kMulticastModeWords{{"udp", "rtp"}, 2, ""};
constexpr Words kVideoInputWords{{"cvbs"}, 1, "sdi"};
constexpr Words kRateModeWords{{"cbr"}, 1, "vbr"};
constexpr Words kAudioInputWords{{"analog", "sdi"}, 2, "spdif"};
constexpr Words kAnalogModeWords{{"mpeg1 layer2"}, 1, "Unknown"};
constexpr Words kChannelModeWords{{"stereo"}, 1, "single"};

template <std::int32_t C::*Field>
void Decimal(C& record, std::string& out) {
  out += FormatDecimal(record.*Field);
}

template <std::uint32_t C::*Field>
void DottedQuad(C& record, std::string& out) {
  out += platform::FormatIpv4(record.*Field);
}

template <std::int32_t C::*Field, const Words& words>
void Word(C& record, std::string& out) {
  const std::int32_t value = record.*Field;
  const bool listed = value >= 0 && static_cast<std::size_t>(value) < words.count;
  out += listed ? words.byValue[static_cast<std::size_t>(value)] : words.otherwise;
}

template <auto Field>
void VerbatimText(C& record, std::string& out) {
  out += TextOf(record.*Field);
}

void Version(C& record, std::string& out) {
  const std::string_view version = TextOf(record.version);
  out += version.empty() ? "1.00" : version;
}

void PmtPid(C& record, std::string& out) {
  if (record.pmt_pid == 0) record.pmt_pid = ChooseFreePmtPid(record);
  out += FormatDecimal(record.pmt_pid);
}

// The names are the only texts an operator types freely, so the only ones escaped.
template <auto Field>
void Name(C& record, std::string& out) {
  if (TextOf(record.*Field).empty()) StoreText(record.*Field, "DVB");
  out += EscapeXmlText(TextOf(record.*Field));
}

struct DocumentLine {
  int tabs;
  std::string_view text;  // a leaf's element name, or the whole line when there is no value
  ValueWriter value = nullptr;
};

constexpr DocumentLine kDocumentLines[]{
    {0, R"(<?xml version="1.0" encoding="GB2312" standalone="no" ?>)"},
    {0, "<tavrix>"},
    {1, "<system>"},
    {2, "version", Version},
    {2, "sequence_number", Decimal<&C::sequence_number>},
    {2, "default_parameter", Word<&C::default_parameter, kFlagWords>},
    {2, "<ethernet>"},
    {3, "ipAddr", DottedQuad<&C::ipAddr>},
    {3, "ipMask", DottedQuad<&C::ipMask>},
    {3, "ipGate", DottedQuad<&C::ipGate>},
    {3, "multicast_ip", DottedQuad<&C::multicast_ip>},
    {3, "multicast_port", Decimal<&C::multicast_port>},
    {3, "multicast_Mode", Word<&C::multicast_mode, kMulticastModeWords>},  // the encoder expects this spelling
    {2, "</ethernet>"},
    {2, "old_password", VerbatimText<&C::old_password>},
    {2, "new_password", VerbatimText<&C::new_password>},
    {2, "lock_keyboard", Word<&C::lock_keyboard, kFlagWords>},
    {2, "restart", Word<&C::restart, kFlagWords>},
    {1, "</system>"},
    {1, "<video>"},
    {2, "input", Word<&C::video_input, kVideoInputWords>},
    {2, "rate_mode", Word<&C::rate_mode, kRateModeWords>},
    {2, "cvbs_brightness", Decimal<&C::cvbs_brightness>},
    {2, "cvbs_contrast", Decimal<&C::cvbs_contrast>},
    {2, "cvbs_saturation", Decimal<&C::cvbs_saturation>},
    {2, "cvbs_hue", Decimal<&C::cvbs_hue>},
    {2, "bitrate", Decimal<&C::video_bitrate>},  // TS_bitrate is the encoder's to report, never written
    {1, "</video>"},
    {1, "<audio>"},
    {2, "input", Word<&C::audio_input, kAudioInputWords>},
    {2, "analog_left_volume", Decimal<&C::analog_left_volume>},
    {2, "analog_right_volume", Decimal<&C::analog_right_volume>},
    {2, "analog_bitrate", Decimal<&C::analog_bitrate>},
    {2, "analog_mode", Word<&C::analog_mode, kAnalogModeWords>},
    {2, "analog_channel_mode", Word<&C::analog_channel_mode, kChannelModeWords>},
    {2, "sdi_volume", Decimal<&C::sdi_volume>},
    {2, "sdi_opt_group", Decimal<&C::sdi_opt_group>},
    {2, "sdi_exist_group", Decimal<&C::sdi_exist_group>},
    {2, "Audio_Delay", Decimal<&C::Audio_Delay>},
    {1, "</audio>"},
    {1, "<mux>"},
    {2, "bitrate", Decimal<&C::mux_bitrate>},
    {2, "program_no", Decimal<&C::program_no>},
    {2, "pmt_pid", PmtPid},
    {2, "pcr_pid", Decimal<&C::pcr_pid>},
    {2, "video_pid", Decimal<&C::video_pid>},
    {2, "audio_pid", Decimal<&C::audio_pid>},
    {2, "prg_name", Name<&C::prg_name>},
    {2, "prg_provider_name", Name<&C::prg_provider_name>},
    {1, "</mux>"},
    {0, "</tavrix>"},
};
static_assert(std::size(kDocumentLines) == 51);

constexpr std::size_t kTypicalDocumentSize = 2048;

}  // namespace

std::string BuildConfigurationDocument(EncoderConfiguration& record) {
  std::string document;
  document.reserve(kTypicalDocumentSize);
  for (const DocumentLine& line : kDocumentLines) {
    document.append(static_cast<std::size_t>(line.tabs), '\t');
    if (line.value == nullptr) {
      document += line.text;
    } else {
      document.append("<").append(line.text).append(">");
      line.value(record, document);
      document.append("</").append(line.text).append(">");
    }
    document += '\n';
  }
  return document;
}

std::string EscapeXmlText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
        break;
    }
  }
  return escaped;
}

std::int32_t ChooseFreePmtPid(const EncoderConfiguration& record) {
  constexpr std::int32_t kFirst = 20;
  constexpr std::int32_t kNoneFree = 100;
  for (std::int32_t pid = kFirst; pid < kNoneFree; ++pid) {
    if (pid != record.pcr_pid && pid != record.pmt_pid && pid != record.video_pid && pid != record.audio_pid) {
      return pid;
    }
  }
  return kNoneFree;
}

}  // namespace kestrine::config
