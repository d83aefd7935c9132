#pragma once

#include <array>
#include <string_view>

namespace kestrine::config {

// Volume labels; records and documents carry the position 0..8.
inline constexpr std::array<std::string_view, 9> VOLUME_STEPS{
    "-18db", "-12db", "-6db", "0db", "+6db", "+12db", "+18db", "+24db", "+30db"};

// Names of the SDI audio group masks 0..15: "GROUP " and the set bits' numbers joined by "&&".
inline constexpr std::array<std::string_view, 16> SDI_GROUP_MASK_NAMES{
    "NONE GROUP",      "GROUP 1",       "GROUP 2",          "GROUP 1&&2",       "GROUP 3",      "GROUP 1&&3",
    "GROUP 2&&3",      "GROUP 1&&2&&3", "GROUP 4",          "GROUP 1&&4",       "GROUP 2&&4",   "GROUP 1&&2&&4",
    "GROUP 3&&4",      "GROUP 1&&3&&4", "GROUP 2&&3&&4",    "GROUP 1&&2&&3&&4"};

}  // namespace kestrine::config
