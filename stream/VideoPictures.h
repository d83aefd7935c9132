#pragma once

#include <cstdint>
#include <span>

namespace kestrine::stream {

// MPEG-2 video (main profile, main level) of colour bars, 720x576, 4:3, 25 frames/s, made by ffmpeg
// (stream/data/make-video-pictures.sh).
// The intra picture with the sequence header, its extension and a closed GOP header in front.
[[nodiscard]] std::span<const std::uint8_t> IntraPicture();
// A predicted picture that repeats its reference (every macroblock skipped).
[[nodiscard]] std::span<const std::uint8_t> PredictedPicture();

}  // namespace kestrine::stream
