#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrine::config {

// Volume labels; records and documents carry the position 0..8.
inline constexpr std::array<std::string_view, 9> VOLUME_STEPS{
    "-18db", "-12db", "-6db", "0db", "+6db", "+12db", "+18db", "+24db", "+30db"};

// The SDI volume offers only the first seven steps ("-18db".."+18db").
inline constexpr std::span<const std::string_view> SDI_VOLUME_STEPS{VOLUME_STEPS.data(), 7};

// Names of the SDI audio group masks 0..15: "GROUP " and the set bits' numbers joined by "&&".
inline constexpr std::array<std::string_view, 16> SDI_GROUP_MASK_NAMES{
    "NONE GROUP",      "GROUP 1",       "GROUP 2",          "GROUP 1&&2",       "GROUP 3",      "GROUP 1&&3",
    "GROUP 2&&3",      "GROUP 1&&2&&3", "GROUP 4",          "GROUP 1&&4",       "GROUP 2&&4",   "GROUP 1&&2&&4",
    "GROUP 3&&4",      "GROUP 1&&3&&4", "GROUP 2&&3&&4",    "GROUP 1&&2&&3&&4"};

// The SDI audio pair to encode, by `sdi_opt_group` position 0..7.
inline constexpr std::array<std::string_view, 8> SDI_GROUP_NAMES{
    "Group 1 A", "Group 1 B", "Group 2 A", "Group 2 B", "Group 3 A", "Group 3 B", "Group 4 A", "Group 4 B"};

// Option lists of the configuration page's choices; the position is what the record holds.
inline constexpr std::array<std::string_view, 2> KEYBOARD_LOCK_OPTIONS{"unlock", "lock"};
inline constexpr std::array<std::string_view, 2> NO_YES_OPTIONS{"no", "yes"};
inline constexpr std::array<std::string_view, 2> MULTICAST_MODE_OPTIONS{"udp", "rtp"};
inline constexpr std::array<std::string_view, 2> VIDEO_INPUT_OPTIONS{"CVBS", "SDI"};
inline constexpr std::array<std::string_view, 1> RATE_MODE_OPTIONS{"CBR"};  // VBR is never offered
inline constexpr std::array<std::string_view, 2> AUDIO_INPUT_OPTIONS{"analog", "SDI"};
inline constexpr std::array<std::string_view, 1> ENCODE_MODE_OPTIONS{"MPEG-1 Layer 2"};

// Channel mode: the page offers "stereo" and "single"; the record holds 0 and 3.
inline constexpr std::array<std::string_view, 2> CHANNEL_MODE_OPTIONS{"stereo", "single"};
inline constexpr std::int32_t kChannelModeStereo = 0;
inline constexpr std::int32_t kChannelModeSingle = 3;

// Audio bitrates (kbit/s) offered for each channel mode, and the one a switch of mode resets to.
inline constexpr std::array<std::string_view, 10> STEREO_AUDIO_BITRATES{"64",  "96",  "112", "128", "160",
                                                                         "192", "224", "256", "320", "384"};
inline constexpr std::array<std::string_view, 10> SINGLE_AUDIO_BITRATES{"32", "48",  "56",  "64",  "80",
                                                                         "96", "112", "128", "160", "192"};
inline constexpr std::int32_t kStereoDefaultAudioBitrate = 112;
inline constexpr std::int32_t kSingleDefaultAudioBitrate = 96;

}  // namespace kestrine::config
